// libFuzzer target: the command line's argument parser and its check of what the mode offers,
// on any arguments (the input split at zero bytes). Either a usage error or options that keep
// their promises; nothing else may come out.
#include "cli/uCliArgs.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr std::size_t cMAX_ARGS = 64;

void Check(bool bHolds) {
  if (!bHolds) std::abort();
}

bool IsWindowOption(std::string sArg) {
  for (char& ch : sArg)
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  for (const char* sPrefix : {"cc:", "cf:", "cp:", "f:", "mf:"})
    if (sArg.rfind(sPrefix, 0) == 0) return true;
  return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
  std::vector<std::string> slArgs(1);
  for (std::size_t i = 0; i < nSize && slArgs.size() <= cMAX_ARGS; ++i) {
    if (pData[i] == 0)
      slArgs.emplace_back();
    else
      slArgs.back().push_back(static_cast<char>(pData[i]));
  }

  TCliOptions rOptions;
  try {
    rOptions = ParseCliArgs(slArgs);
  } catch (const ECliUsage&) {
    return 0;
  }
  Check(!rOptions.sPort || !rOptions.sPort->empty());
  Check(!rOptions.sTrace || !rOptions.sTrace->empty());
  Check(!rOptions.sFile || !rOptions.sFile->empty());
  Check(!rOptions.nMaxRepeats || *rOptions.nMaxRepeats <= cMAX_REPEATS_LIMIT);
  Check(rOptions.slWindowOptions.size() <= slArgs.size());
  for (const std::string& sOption : rOptions.slWindowOptions)
    Check(IsWindowOption(sOption));

  for (std::int32_t nLevel = 0; nLevel <= 2; ++nLevel)
    for (const bool bSupported : {false, true}) {
      try {
        CheckOfferedOptions(rOptions, nLevel, bSupported);
      } catch (const ECliUsage&) {
        continue;
      }
      Check(rOptions.sPort.has_value());
      Check(!rOptions.bReadInfoOnly || (nLevel >= 1 && bSupported));
      Check(!rOptions.sFile || nLevel == 2);
    }
  return 0;
}
