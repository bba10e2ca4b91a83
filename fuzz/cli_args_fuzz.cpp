// libFuzzer target: the command line's argument parser and its check of what the mode offers,
// on any arguments (the input split at zero bytes). Either a usage error or options that keep
// their promises; nothing else may come out. The options a fleet hands to one port's process
// must come back whole from the parser.
#include "cli/uCliArgs.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr std::size_t cMAX_ARGS = 64;
constexpr std::size_t cMEMBERS_CHECKED = 3;

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
  for (auto it = rOptions.slPorts.begin(); it != rOptions.slPorts.end(); ++it) {
    Check(!it->empty());
    Check(std::find(rOptions.slPorts.begin(), it, *it) == it);
  }
  Check(!rOptions.sTrace || !rOptions.sTrace->empty());
  Check(!rOptions.sFile || !rOptions.sFile->empty());
  Check(!rOptions.sJson || !rOptions.sJson->empty());
  Check(!rOptions.nMaxRepeats || *rOptions.nMaxRepeats <= cMAX_REPEATS_LIMIT);
  Check(rOptions.slWindowOptions.size() <= slArgs.size());
  for (const std::string& sOption : rOptions.slWindowOptions)
    Check(IsWindowOption(sOption));
  Check(!(rOptions.bAllPorts && !rOptions.slPorts.empty()));
  Check(!(rOptions.bWatch && !rOptions.slPorts.empty()));

  const TCliMode eMode = ModeOf(rOptions);
  Check(eMode != TCliMode::Member || rOptions.slPorts.size() == 1);

  for (std::int32_t nLevel = 0; nLevel <= 2; ++nLevel)
    for (const bool bSupported : {false, true}) {
      try {
        CheckOfferedOptions(rOptions, nLevel, bSupported);
      } catch (const ECliUsage&) {
        continue;
      }
      Check(!rOptions.slPorts.empty() || rOptions.bAllPorts || rOptions.bWatch);
      Check(!rOptions.bReadInfoOnly || (nLevel >= 1 && bSupported));
      Check(!rOptions.sFile || nLevel == 2);
    }

  // A fleet hands each port to a process of its own: that process must get exactly this port
  // and these options back, whatever the port's name looks like. The first few ports stand
  // for the rest (every parse costs as much as the first one).
  const std::size_t nChecked = std::min<std::size_t>(rOptions.slPorts.size(), cMEMBERS_CHECKED);
  for (const std::string& sPort :
       std::vector<std::string>(rOptions.slPorts.begin(), rOptions.slPorts.begin() + nChecked)) {
    TCliOptions rMember;
    try {
      rMember = ParseCliArgs(MemberArgs(rOptions, sPort, rOptions.sTrace));
    } catch (const ECliUsage&) {
      Check(false);
    }
    Check(ModeOf(rMember) == TCliMode::Member);
    Check(rMember.slPorts == std::vector<std::string>{sPort});
    Check(rMember.bYes);
    Check(rMember.nMaxRepeats == rOptions.nMaxRepeats);
    Check(rMember.sTrace == rOptions.sTrace);
    Check(rMember.sFile == rOptions.sFile);
    Check(rMember.bReadInfoOnly == rOptions.bReadInfoOnly);
    Check(rMember.slWindowOptions == rOptions.slWindowOptions);
  }
  return 0;
}
