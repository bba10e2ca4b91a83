// libFuzzer target: the window's options (FindOption, ApplyOptions) on any arguments. The
// first byte's lowest bit is the internal mode, the rest are the arguments split at zero
// bytes. The switches must come out as the rules say, worked out here on their own.
#include "engine/uSwitches.h"
#include "ui/uOptions.h"
#include "ui/uWinTools1V4.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr std::size_t cMAX_ARGS = 64;
constexpr std::size_t cMAX_VALUE = 1000;

char Lower(char ch) {
  return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
}

// The value of the first argument longer than the prefix that starts with it (letter case of
// A to Z aside), at most 1000 characters; sDefault when none does.
std::string Value(const std::vector<std::string>& slArgs, const std::string& sPrefix,
                  const std::string& sDefault) {
  for (const std::string& sArg : slArgs) {
    if (sArg.size() <= sPrefix.size()) continue;
    bool bMatch = true;
    for (std::size_t i = 0; i < sPrefix.size() && bMatch; ++i)
      bMatch = Lower(sArg[i]) == Lower(sPrefix[i]);
    if (bMatch) return sArg.substr(sPrefix.size(), cMAX_VALUE);
  }
  return sDefault;
}

void Check(bool bHolds) {
  if (!bHolds) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
  if (nSize == 0) return 0;
  const bool bInternal = (pData[0] & 1) != 0;
  std::vector<std::string> slArgs(1);
  for (std::size_t i = 1; i < nSize && slArgs.size() <= cMAX_ARGS; ++i) {
    if (pData[i] == 0)
      slArgs.emplace_back();
    else
      slArgs.back().push_back(static_cast<char>(pData[i]));
  }
  std::vector<const char*> apArgv{"tarvik-update"};
  for (const std::string& sArg : slArgs)
    apArgv.push_back(sArg.c_str());
  SetProgramArgs(static_cast<int>(apArgv.size()), apArgv.data());

  gnAccessLevel = 0;
  gbMatchClass = true;
  gbRequireServedClass = true;
  gbMatchPlatform = true;
  gbClearsMeasurements = false;
  ApplyOptions(bInternal);

  Check(gbMatchClass == !(bInternal && Value(slArgs, "cc:", "") == "-"));
  Check(gbRequireServedClass == !(bInternal && Value(slArgs, "cf:", "") == "-"));
  Check(gbMatchPlatform == !(bInternal && Value(slArgs, "cp:", "") == "-"));
  Check(gbClearsMeasurements == (Value(slArgs, "mf:", "") == "+"));
  Check(gnAccessLevel == (!bInternal ? 0 : Value(slArgs, "f:", "-") == "+" ? 2 : 1));

  // Any prefix at all, taken from the first argument.
  const std::string sPrefix = slArgs[0].substr(0, 4);
  Check(FindOption(sPrefix, "default") == Value(slArgs, sPrefix, "default"));
  return 0;
}
