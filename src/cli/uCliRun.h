// The run loop of the command line: one update as the window runs it from its Update button
// on, with the window's automatic repeats.
#pragma once

#include "cli/uCliOutput.h"

#include <cstdint>
#include <optional>
#include <string>

struct TRunSettings {
  std::string sPort;
  std::optional<std::uint32_t> nMaxRepeats; // nothing: repeat without limit
};

// Exit status of the command line for a run that ended with notification cMSG_FAILURE and
// failure code iCode: the code itself, 1 for a failure without a code.
int FailureExitStatus(std::int32_t iCode);

// Runs workers until one ends without a repeat; returns the exit status: 0 done, the failure
// code, 1 for a failure without a code, 30 when the repeats ran out after cMSG_REPEAT (44
// when they ran out after a wrong echo).
int RunUpdate(const TRunSettings& rSettings, TCliOutput& rOutput);
