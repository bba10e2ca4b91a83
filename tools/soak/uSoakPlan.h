// One soak run drawn from the seed: a simulated logger, the faults it suffers, and what the
// tool must make of them, worked out from the procedure's rules:
//   - a missing, short or corrupt answer, or one after stray bytes, is retried within the
//     exchange's five tries;
//   - five failed tries of a frame, of the start command or of a data line end the run with
//     a communication failure, which the command line repeats after a pause (transient);
//   - a wrong echo ends the run with failure 44, which it repeats at once (transient);
//   - five failed tries of the platform or update-ID request: failure 46, no repeat;
//   - the refusal bit in an answer frame: failure 41; a lost bootloader-entry frame, or a
//     logger that does not enter its bootloader: 40; a lost end command, or a wrong class
//     after the restart: 45; the port vanishing: 11; no answer at all: 30 once the repeats
//     allowed by --max-repeats have run out.
// A run has one leg, or two when the port vanished: then a second logger, started in its
// bootloader with the flash the first one was left with (a power cut while it was being
// programmed), must be updated successfully.
#pragma once

#include "uSoakImage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TSoakLeg {
  std::vector<std::string> aSimArgs; // logger, state, restart time and faults
  std::vector<std::string> aFaults;  // the --fault values among them
  bool bFlashFromPrevious = false;   // --flash-in: what the previous leg left in the flash
  bool bPortVanishes = false;        // a hang-up fault that must fire
  std::optional<std::uint32_t> onMaxRepeats;
  std::int32_t nExpected = 0;  // exit status: 0 success, else the failure code
  std::string sExpectation;    // why, for the report
  std::uint32_t nBudgetMs = 0; // no hang: the command line must end within this
};

struct TSoakPlan {
  std::uint64_t nSeed = 0;
  std::uint32_t nRun = 0;
  std::string sScenario; // the kind of run, e.g. "transient", "power cut"
  std::string sLogger;   // the simulated logger
  std::int32_t nImage = 0;
  std::vector<TSoakLeg> aLegs;
};

// The plan of run nRun of seed nSeed among the loggers. nBudgetFactor stretches every time
// budget (a sanitizer build runs slower).
TSoakPlan DrawPlan(std::uint64_t nSeed, std::uint32_t nRun,
                   const std::vector<TSoakLogger>& aLoggers, double nBudgetFactor);

// The faults as one line ("silent:upid:1 crc:prog:17"); "no faults" when there are none.
std::string DescribeFaults(const std::vector<std::string>& aFaults);
