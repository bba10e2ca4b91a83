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
  bool bVersion = false;
  bool bListPorts = false;
  bool bYes = false;
  bool bReadInfoOnly = false;
  bool bAllPorts = false;
  bool bWatch = false;
  bool bMember = false;             // a port's process of a fleet (not offered to users)
  std::vector<std::string> slPorts; // in the order given, each once
  std::optional<std::string> sTrace;
  std::optional<std::string> sFile;
  std::optional<std::string> sJson;
  std::optional<std::uint32_t> nMaxRepeats; // nothing: no limit, like the window
  std::vector<std::string> slWindowOptions; // handed to the option lookup as they stand
};

// What the command line does.
enum class TCliMode {
  Help,
  Version,
  ListPorts,
  Single,  // one --port: the update as the window runs it
  Fleet,   // several --port, or --all-ports: one process per port, all at the same time
  Station, // --watch: every port that arrives, until Ctrl+C
  Member   // one port of a fleet or station, reporting to the process that started it
};

// Largest --max-repeats accepted.
constexpr std::uint32_t cMAX_REPEATS_LIMIT = 1000000;

// The option that makes a process one port of a fleet.
constexpr const char* cMEMBER_OPTION = "--fleet-member";

// Parses the arguments without argument 0. Raises ECliUsage for anything it does not know
// and for options that exclude each other.
TCliOptions ParseCliArgs(const std::vector<std::string>& slArgs);

TCliMode ModeOf(const TCliOptions& rOptions);

// After the options were applied: --read-info-only and --file only where the window offers
// the check box and the File button. Raises ECliUsage otherwise; also when no port is named.
void CheckOfferedOptions(const TCliOptions& rOptions, std::int32_t nAccessLevel,
                         bool bReadInfoOnlySupported);

// The arguments that make a child process update sPort as these options say, answering the
// question with yes (the fleet has asked it once for all ports). sTrace: that port's trace.
std::vector<std::string> MemberArgs(const TCliOptions& rOptions, const std::string& sPort,
                                    const std::optional<std::string>& sTrace);

// The trace file of one port of a fleet: sTrace with the port's name before its extension
// ("trace.txt" and "/dev/ttyUSB0" give "trace-ttyUSB0.txt").
std::string PortTraceFile(const std::string& sTrace, const std::string& sPort);

std::string CliUsageText();
