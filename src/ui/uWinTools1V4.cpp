#include "ui/uWinTools1V4.h"

#include <cstddef>

std::vector<std::string> gslProgramArgs;

namespace {

constexpr std::size_t cMAX_OPTION_VALUE = 1000;

// Letter case of A..Z only; other bytes compare as they are.
char UpperAscii(char ch) {
  return (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch;
}

bool StartsWithIgnoringCase(const std::string& sText, const std::string& sPrefix) {
  for (std::size_t i = 0; i < sPrefix.size(); ++i) {
    if (UpperAscii(sText[i]) != UpperAscii(sPrefix[i])) {
      return false;
    }
  }
  return true;
}

} // namespace

void SetProgramArgs(int argc, const char* const* argv) {
  gslProgramArgs.clear();
  for (int i = 1; i < argc; ++i) {
    gslProgramArgs.emplace_back(argv[i] != nullptr ? argv[i] : "");
  }
}

std::string FindOption(const std::string& sOption, const std::string& sDefault) {
  const std::size_t n = sOption.size();
  for (const std::string& sArg : gslProgramArgs) {
    // An argument that is the prefix alone carries no value and does not match.
    if (sArg.size() > n && StartsWithIgnoringCase(sArg, sOption)) {
      return sArg.substr(n, cMAX_OPTION_VALUE);
    }
  }
  return sDefault;
}
