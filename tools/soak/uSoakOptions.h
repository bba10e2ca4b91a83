// The soak's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

class ESoakUsage : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

struct TSoakOptions {
  std::optional<std::uint64_t> onSeed; // nothing: drawn from the system, and printed
  std::uint32_t nRuns = 100;
  std::optional<std::uint32_t> onOnly; // replay this run alone
  std::uint32_t nJobs = 4;
  std::string sCli;
  std::string sSim;
  double nBudgetFactor = 2.0;
  bool bKeep = false;
  bool bVerbose = false;
  bool bHelp = false;
};

// The arguments after the program name; sCli and sSim default to the given paths. Raises
// ESoakUsage.
TSoakOptions ParseSoakOptions(const std::vector<std::string>& aArgs, const std::string& sCli,
                              const std::string& sSim);

const char* SoakHelpText();
