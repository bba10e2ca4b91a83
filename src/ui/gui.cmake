# The Qt 6 Widgets window tarvik-update, and its windows as a library for the tests.
find_package(Qt6 REQUIRED COMPONENTS Widgets)

add_library(tarvik_gui STATIC
  uMain.h uMain.cpp uMain_posix.cpp
  uProtocol.h uProtocol.cpp
  uMessage.h uMessage.cpp
  uInfo.h uInfo.cpp
  uInitForms.h uInitForms.cpp)
set_target_properties(tarvik_gui PROPERTIES AUTOMOC ON)
target_link_libraries(tarvik_gui PUBLIC tarvik_uicore Qt6::Widgets PRIVATE tarvik_warnings)
if(TARGET tarvik_portwatch)
  target_link_libraries(tarvik_gui PUBLIC tarvik_portwatch)
endif()

add_executable(tarvik-update main.cpp)
target_link_libraries(tarvik-update PRIVATE tarvik_gui tarvik_warnings)
