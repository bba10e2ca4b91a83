// The command line of tarvik-update-cli: its own "--" options and the window's options
// ("cc:-", "mf:+", ...) given as plain arguments.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// A command line that cannot be run; what() says why.
class ECliUsage : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

struct TCliOptions {
  bool bHelp = false;
  bool bListPorts = false;
  bool bYes = false;
  bool bReadInfoOnly = false;
  std::optional<std::string> sPort;
  std::optional<std::string> sTrace;
  std::optional<std::string> sFile;
  std::optional<std::uint32_t> nMaxRepeats; // nothing: no limit, like the window
  std::vector<std::string> slWindowOptions; // handed to the option lookup as they stand
};

// Largest --max-repeats accepted.
constexpr std::uint32_t cMAX_REPEATS_LIMIT = 1000000;

// Parses the arguments without argument 0. Raises ECliUsage for anything it does not know.
TCliOptions ParseCliArgs(const std::vector<std::string>& slArgs);

// After the options were applied: --read-info-only and --file only where the window offers
// the check box and the File button. Raises ECliUsage otherwise; also when --port is missing.
void CheckOfferedOptions(const TCliOptions& rOptions, std::int32_t nAccessLevel,
                         bool bReadInfoOnlySupported);

std::string CliUsageText();
