# Tools that run during the build (the firmware unit generator) must run on the build machine,
# not on the target: a cross build makes them in a build of its own with the host's compiler
# and uses them from there as imported programs.
include(ExternalProject)

set(TARVIK_HOST_TOOLS_DIR ${CMAKE_BINARY_DIR}/host-tools)
set(TARVIK_HOST_FWGEN ${TARVIK_HOST_TOOLS_DIR}/tools/tarvik-fwgen)

ExternalProject_Add(tarvik_host_tools
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${TARVIK_HOST_TOOLS_DIR}
  CMAKE_GENERATOR ${CMAKE_GENERATOR}
  CMAKE_ARGS -DTARVIK_HOST_TOOLS_ONLY=ON -DCMAKE_BUILD_TYPE=Release
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target tarvik-fwgen
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON # the host build itself decides whether anything changed
  BUILD_BYPRODUCTS ${TARVIK_HOST_FWGEN})

add_executable(tarvik-fwgen IMPORTED GLOBAL)
set_target_properties(tarvik-fwgen PROPERTIES IMPORTED_LOCATION ${TARVIK_HOST_FWGEN})
add_dependencies(tarvik-fwgen tarvik_host_tools)
