// Entry point of the Windows test programs: they are linked with -municode like the tool
// itself, so the runtime starts them at wmain rather than at GoogleTest's main.
#include <gtest/gtest.h>

int wmain(int argc, wchar_t** argv) {
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
