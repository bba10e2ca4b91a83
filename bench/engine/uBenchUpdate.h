// One complete update of the default simulated logger (image 12), timed.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// The pauses the procedure itself prescribes: two wake pauses, the pause after the entry
// command, before and after the end command.
constexpr std::chrono::milliseconds cPRESCRIBED_PAUSES{100 + 100 + 1 + 500 + 2000};

struct TUpdateTiming {
  std::chrono::duration<double> tElapsed{};
  std::uint32_t nFinalCode = 0xFFFFFFFF;
  std::int32_t nProgrammedLines = 0;
};

// Runs one update of the carried image the logger on sPort fits.
TUpdateTiming TimeOneUpdate(const std::string& sPort);
