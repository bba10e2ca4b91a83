#include "cli/uCliArgs.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <charconv>
#include <regex>

namespace {

// The window's option prefixes; letter case does not matter.
constexpr std::array<const char*, 5> caWindowPrefixes{"cc:", "cf:", "cp:", "f:", "mf:"};

bool HasPrefixIgnoringCase(const std::string& sArg, const std::string& sPrefix) {
  if (sArg.size() < sPrefix.size()) {
    return false;
  }
  for (std::size_t i = 0; i < sPrefix.size(); ++i) {
    char ch = sArg[i];
    if (ch >= 'A' && ch <= 'Z') {
      ch = static_cast<char>(ch - 'A' + 'a');
    }
    if (ch != sPrefix[i]) {
      return false;
    }
  }
  return true;
}

bool IsWindowOption(const std::string& sArg) {
  for (const char* sPrefix : caWindowPrefixes) {
    if (HasPrefixIgnoringCase(sArg, sPrefix)) {
      return true;
    }
  }
  return false;
}

std::uint32_t ParseRepeats(const std::string& sValue) {
  std::uint32_t nValue = 0;
  const char* pEnd = sValue.data() + sValue.size();
  const auto [pStop, eError] = std::from_chars(sValue.data(), pEnd, nValue);
  if (sValue.empty() || eError != std::errc() || pStop != pEnd || nValue > cMAX_REPEATS_LIMIT) {
    throw ECliUsage("--max-repeats needs a whole number from 0 to " +
                    std::to_string(cMAX_REPEATS_LIMIT) + ", not \"" + sValue + "\"");
  }
  return nValue;
}

// The parser's own wording of the usual mistakes, in the words of this program's help.
std::string UsageReason(const CLI::ParseError& e) {
  struct TRewrite {
    std::regex rePattern;
    const char* sFormat;
  };
  static const std::array<TRewrite, 3> caRewrites{{
      {std::regex(R"(^(--[^:]+): \d+ required .* missing$)"), "$1 needs a value"},
      {std::regex(R"(^([^ ]+) was given a disallowed flag override$)"), "--$1 takes no value"},
      {std::regex(R"(^(--[^:]+): At Most \d+ required but received \d+$)"),
       "$1 given more than once"},
  }};
  const std::string sMessage = e.what();
  for (const TRewrite& rRewrite : caRewrites) {
    if (std::regex_match(sMessage, rRewrite.rePattern)) {
      return std::regex_replace(sMessage, rRewrite.rePattern, rRewrite.sFormat);
    }
  }
  return sMessage;
}

// Arguments the parser did not take: the window's options, or mistakes.
void TakeLeftOvers(const std::vector<std::string>& slLeft, TCliOptions& rOptions) {
  for (const std::string& sArg : slLeft) {
    if (IsWindowOption(sArg)) {
      rOptions.slWindowOptions.push_back(sArg);
    } else if (sArg.starts_with("-")) {
      throw ECliUsage("unknown option \"" + sArg.substr(0, sArg.find('=')) + "\"");
    } else {
      throw ECliUsage("unknown argument \"" + sArg + "\"");
    }
  }
}

void CheckCombinations(const TCliOptions& rOptions) {
  for (auto it = rOptions.slPorts.begin(); it != rOptions.slPorts.end(); ++it) {
    if (it->empty()) {
      throw ECliUsage("--port needs a non-empty value");
    }
    if (std::find(rOptions.slPorts.begin(), it, *it) != it) {
      throw ECliUsage("--port " + *it + " given more than once");
    }
  }
  for (const auto* pValue : {&rOptions.sTrace, &rOptions.sFile, &rOptions.sJson}) {
    if (*pValue && (*pValue)->empty()) {
      throw ECliUsage("a file option needs a non-empty value");
    }
  }
  if (rOptions.bAllPorts && !rOptions.slPorts.empty()) {
    throw ECliUsage("--all-ports and --port exclude each other");
  }
  if (rOptions.bWatch && !rOptions.slPorts.empty()) {
    throw ECliUsage("--watch updates the ports that arrive; it takes no --port");
  }
  if (rOptions.bMember &&
      (rOptions.slPorts.size() != 1 || rOptions.bAllPorts || rOptions.bWatch || rOptions.sJson)) {
    throw ECliUsage(std::string(cMEMBER_OPTION) + " takes exactly one --port");
  }
}

std::string PortTag(const std::string& sPort) {
  // Without the system's device prefix: "/dev/ttyUSB0" and "\\.\COM12" name ttyUSB0 and COM12.
  std::string sTag = sPort;
  for (const char* sPrefix : {"/dev/", "\\\\.\\"}) {
    if (sTag.starts_with(sPrefix)) {
      sTag.erase(0, std::char_traits<char>::length(sPrefix));
    }
  }
  for (char& ch : sTag) {
    const bool bPlain = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') ||
                        (ch >= '0' && ch <= '9') || ch == '-' || ch == '.';
    if (!bPlain) {
      ch = '_';
    }
  }
  sTag.erase(0, sTag.find_first_not_of('_'));
  return sTag.empty() ? "port" : sTag;
}

} // namespace

TCliOptions ParseCliArgs(const std::vector<std::string>& slArgs) {
  TCliOptions rOptions;
  std::string sRepeats;
  CLI::App rApp;
  rApp.set_help_flag(); // the help is this program's own text (CliUsageText)
  rApp.allow_extras();
  rApp.add_flag("-h,--help", rOptions.bHelp)->disable_flag_override();
  rApp.add_flag("--version", rOptions.bVersion)->disable_flag_override();
  rApp.add_flag("--list-ports", rOptions.bListPorts)->disable_flag_override();
  rApp.add_flag("--yes", rOptions.bYes)->disable_flag_override();
  rApp.add_flag("--read-info-only", rOptions.bReadInfoOnly)->disable_flag_override();
  rApp.add_flag("--all-ports", rOptions.bAllPorts)->disable_flag_override();
  rApp.add_flag("--watch", rOptions.bWatch)->disable_flag_override();
  rApp.add_flag(cMEMBER_OPTION, rOptions.bMember)->disable_flag_override();
  rApp.add_option("--port", rOptions.slPorts)->allow_extra_args(false);
  rApp.add_option("--trace", rOptions.sTrace);
  rApp.add_option("--file", rOptions.sFile);
  rApp.add_option("--json", rOptions.sJson);
  CLI::Option* pRepeats = rApp.add_option("--max-repeats", sRepeats);

  // CLI11 takes the arguments last first.
  std::vector<std::string> slReversed(slArgs.rbegin(), slArgs.rend());
  try {
    rApp.parse(slReversed);
  } catch (const CLI::ParseError& e) {
    throw ECliUsage(UsageReason(e));
  }
  TakeLeftOvers(rApp.remaining(), rOptions);
  if (pRepeats->count() > 0) {
    rOptions.nMaxRepeats = ParseRepeats(sRepeats);
  }
  CheckCombinations(rOptions);
  return rOptions;
}

TCliMode ModeOf(const TCliOptions& rOptions) {
  if (rOptions.bHelp) {
    return TCliMode::Help;
  }
  if (rOptions.bVersion) {
    return TCliMode::Version;
  }
  if (rOptions.bListPorts) {
    return TCliMode::ListPorts;
  }
  if (rOptions.bMember) {
    return TCliMode::Member;
  }
  if (rOptions.bWatch) {
    return TCliMode::Station;
  }
  if (rOptions.bAllPorts || rOptions.slPorts.size() > 1) {
    return TCliMode::Fleet;
  }
  return TCliMode::Single;
}

void CheckOfferedOptions(const TCliOptions& rOptions, std::int32_t nAccessLevel,
                         bool bReadInfoOnlySupported) {
  if (rOptions.bReadInfoOnly && (nAccessLevel < 1 || !bReadInfoOnlySupported)) {
    throw ECliUsage("--read-info-only is offered only in internal mode");
  }
  if (rOptions.sFile && nAccessLevel != 2) {
    throw ECliUsage("--file is offered only in internal mode with file access (option f:+)");
  }
  if (rOptions.slPorts.empty() && !rOptions.bAllPorts && !rOptions.bWatch) {
    throw ECliUsage("--port NAME is required for an update (or --all-ports, or --watch)");
  }
}

std::vector<std::string> MemberArgs(const TCliOptions& rOptions, const std::string& sPort,
                                    const std::optional<std::string>& sTrace) {
  std::vector<std::string> slArgs{"--port", sPort, "--yes", cMEMBER_OPTION};
  if (rOptions.nMaxRepeats) {
    slArgs.insert(slArgs.end(), {"--max-repeats", std::to_string(*rOptions.nMaxRepeats)});
  }
  if (sTrace) {
    slArgs.insert(slArgs.end(), {"--trace", *sTrace});
  }
  if (rOptions.bReadInfoOnly) {
    slArgs.push_back("--read-info-only");
  }
  if (rOptions.sFile) {
    slArgs.insert(slArgs.end(), {"--file", *rOptions.sFile});
  }
  slArgs.insert(slArgs.end(), rOptions.slWindowOptions.begin(), rOptions.slWindowOptions.end());
  return slArgs;
}

std::string PortTraceFile(const std::string& sTrace, const std::string& sPort) {
  const std::size_t nNameStart = sTrace.find_last_of("/\\") + 1; // npos + 1 is 0
  const std::size_t nDot = sTrace.rfind('.');
  const std::string sTag = "-" + PortTag(sPort);
  if (nDot == std::string::npos || nDot <= nNameStart) {
    return sTrace + sTag;
  }
  return sTrace.substr(0, nDot) + sTag + sTrace.substr(nDot);
}

std::string CliUsageText() {
  return R"(Usage: tarvik-update-cli --port NAME [OPTION]...
  or:  tarvik-update-cli --port NAME --port NAME... [OPTION]...
  or:  tarvik-update-cli --all-ports [OPTION]...
  or:  tarvik-update-cli --watch [--all-ports] [OPTION]...
  or:  tarvik-update-cli --list-ports
  or:  tarvik-update-cli --help | --version

Updates the firmware of a Tarvik data logger on serial port NAME ("ttyUSB0", "/dev/pts/3",
"COM5") with the matching carried image, like the window's Update button. The options of
an update are --yes, --max-repeats N, --trace FILE, --json FILE, --read-info-only,
--file PATH and the window's options.

  --port NAME        the serial port of the logger; given more than once, the loggers on all
                     these ports are updated at the same time (a fleet, see below)
  --all-ports        a fleet of every port that --list-ports lists
  --watch            station mode: wait for loggers to arrive and update each port once when
                     it arrives, until Ctrl+C; a port is updated again only after it has left
                     and come back. Ports present at the start are left alone, unless
                     --all-ports is given too
  --yes              answer the question before the update with yes (for scripts); without
                     it the question is asked on the terminal (once for all ports), and
                     without a terminal the update is refused
  --max-repeats N    at most N automatic repeats (after a communication failure, after a
                     wrong echo), N + 1 runs in all, for each port; default: no limit
  --trace FILE       write every byte in and out with a time stamp to FILE; in a fleet or
                     station each port has its own file, named after it (trace-ttyUSB0.txt)
  --json FILE        append one line per finished port to FILE, a JSON object with the
                     summary (below), the start and end time and the port's report lines
  --read-info-only   stop after the image choice (internal mode only)
  --file PATH        update with the image of firmware file PATH (internal mode with file
                     access, option f:+)
  --list-ports       print the serial ports that the window would list
  --help, -h         this text
  --version          the program's version

Window options, as plain arguments (letter case of the prefix does not matter):
  cc:-   images of any class (internal mode only)
  cf:-   a logger of any application class (internal mode only)
  cp:-   images of any platform (internal mode only)
  f:+    file access (internal mode only)
  mf:+   the update clears the logger's measurements (asks its own question); mf:- not
Internal mode: key "intern=3904" in section [General] of
$XDG_CONFIG_HOME/Corvane/Tarv.conf (default ~/.config/Corvane/Tarv.conf).

Output: every report line on stdout as "hh-nn-ss -> text"; the final message, and a
progress bar when stderr is a terminal, on stderr. When the port does not open (exit status
10), a line after the message says why and what to do. Ctrl+C cancels the run.

Fleet and station: each port runs in a process of its own. Report lines go to stdout with
the port before them ("COM5: hh-nn-ss -> text"), final messages likewise to stderr, and a
progress line per port to stderr when it is a terminal. A fleet ends with a summary table on
stdout: port, serial number, class and version before and after, image chosen, exit status,
duration and outcome. A station prints the table's heading at the start and one row per
finished logger; the report lines of its loggers go only to --json. Ctrl+C cancels every
port, each ending with its own "Process cancelled!".

Exit status:
  0      the update completed (fleet and station: every port's update completed)
  10-70  the failure code of the last run (e.g. 47: no image fits, 70: read info only);
         fleet and station: the code of the ports that did not complete, when they all
         ended with the same code (20 after Ctrl+C)
  1      the run ended with an error that carries no code; --all-ports found no port
  2      usage error
  3      the question before the update was answered with no
  4      the firmware file of --file cannot be used, or the trace or JSON file cannot be
         created
  5      fleet and station: ports failed with different codes (the summary and --json give
         each port's own)
  30     --max-repeats ran out while the logger kept failing to answer
)";
}
