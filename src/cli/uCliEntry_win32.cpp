// Entry point on Windows: the program is linked with -municode, so the arguments arrive as
// UTF-16 and are handed on as UTF-8 like everywhere else.
#include "cli/uCliMain.h"

#include <windows.h>

namespace {

std::string Utf8(const wchar_t* sWide) {
  const int nBytes = WideCharToMultiByte(CP_UTF8, 0, sWide, -1, nullptr, 0, nullptr, nullptr);
  if (nBytes <= 1) return {};
  std::string s(static_cast<std::size_t>(nBytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, sWide, -1, s.data(), nBytes, nullptr, nullptr);
  s.resize(static_cast<std::size_t>(nBytes - 1)); // without the terminating zero
  return s;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> slArgs;
  for (int i = 0; i < argc; ++i)
    slArgs.push_back(Utf8(argv[i]));
  return CliMain(slArgs);
}
