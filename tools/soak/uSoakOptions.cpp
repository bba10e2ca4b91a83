#include "uSoakOptions.h"

#include <charconv>

namespace {

template <class T> T Number(const std::string& sName, const std::string& sValue, T nLow, T nHigh) {
  T nValue{};
  const char* pEnd = sValue.data() + sValue.size();
  const auto [pStop, eError] = std::from_chars(sValue.data(), pEnd, nValue);
  if (sValue.empty() || eError != std::errc() || pStop != pEnd || nValue < nLow || nValue > nHigh)
    throw ESoakUsage(sName + " needs a number from " + std::to_string(nLow) + " to " +
                     std::to_string(nHigh) + ", not \"" + sValue + "\"");
  return nValue;
}

} // namespace

TSoakOptions ParseSoakOptions(const std::vector<std::string>& aArgs, const std::string& sCli,
                              const std::string& sSim) {
  TSoakOptions rOptions;
  rOptions.sCli = sCli;
  rOptions.sSim = sSim;
  for (std::size_t i = 0; i < aArgs.size(); ++i) {
    std::string sName = aArgs[i];
    std::optional<std::string> osValue;
    if (const std::size_t nEqual = sName.find('='); nEqual != std::string::npos) {
      osValue = sName.substr(nEqual + 1);
      sName.resize(nEqual);
    }
    const auto Value = [&]() -> std::string {
      if (osValue) return *osValue;
      if (i + 1 >= aArgs.size()) throw ESoakUsage(sName + " needs a value");
      return aArgs[++i];
    };
    if (sName == "--help" || sName == "-h") {
      rOptions.bHelp = true;
    } else if (sName == "--keep") {
      rOptions.bKeep = true;
    } else if (sName == "--verbose") {
      rOptions.bVerbose = true;
    } else if (sName == "--seed") {
      rOptions.onSeed = Number<std::uint64_t>(sName, Value(), 0, UINT64_MAX);
    } else if (sName == "--runs") {
      rOptions.nRuns = Number<std::uint32_t>(sName, Value(), 1, 1000000);
    } else if (sName == "--only") {
      rOptions.onOnly = Number<std::uint32_t>(sName, Value(), 1, 1000000);
    } else if (sName == "--jobs") {
      rOptions.nJobs = Number<std::uint32_t>(sName, Value(), 1, 64);
    } else if (sName == "--budget-factor") {
      rOptions.nBudgetFactor = Number<std::uint32_t>(sName, Value(), 1, 20);
    } else if (sName == "--cli") {
      rOptions.sCli = Value();
    } else if (sName == "--sim") {
      rOptions.sSim = Value();
    } else {
      throw ESoakUsage("unknown option \"" + aArgs[i] + "\"");
    }
    if ((sName == "--keep" || sName == "--verbose" || sName == "--help" || sName == "-h") &&
        osValue)
      throw ESoakUsage(sName + " takes no value");
  }
  if (rOptions.onOnly && !rOptions.onSeed) throw ESoakUsage("--only needs the --seed of the run");
  return rOptions;
}

const char* SoakHelpText() {
  return R"(Usage: tarvik-soak [--seed S] [--runs N | --only K] [--jobs J] [OPTION]...
Complete updates with tarvik-update-cli --yes, each against a fresh simulated logger with
faults drawn from the seed: bad answers at every step, bursts of them, wrong echoes, slow
restarts, lost entry and end commands, refusals, the port vanishing (and the follow-up
update of a logger that lost power while being programmed), a logger that never answers.
Each run is checked: it ends within a time budget worked out from its faults, without a
crash or sanitizer report, with exactly one final outcome, the one the faults call for
(success where they are transient); a success leaves exactly the image in the flash, a
failure only bytes of it; the port can be opened again at once.

  --seed S           the seed (default: drawn, and printed); the same seed gives the same
                     faults
  --runs N           runs 1 to N (100)
  --only K           run K of the seed alone, as it ran among the others
  --jobs J           runs at once (4); a run is mostly pauses
  --budget-factor F  stretch every time budget by the whole number F (2; slower builds)
  --cli PATH         the command line to drive (default: the one of this build)
  --sim PATH         the simulated logger (default: the one of this build)
  --keep             keep the folders of runs that passed (failed runs keep theirs)
  --verbose          a line for every run, not only for failing ones
  -h, --help         this text

Prints one line per failing run, with the --seed and --only that replay it and the folder
with its traces, then a summary table. Exit status: 0 when no run failed, 1 otherwise,
2 for a usage error.
)";
}
