// Entry point on Windows: the program is linked with -municode, so the arguments arrive as
// UTF-16 and are handed on as UTF-8 like everywhere else.
#include "cli/uCliMain.h"
#include "link/uWideText.h"

#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> slArgs;
  for (int i = 0; i < argc; ++i)
    slArgs.push_back(Utf8(argv[i]));
  return CliMain(slArgs);
}
