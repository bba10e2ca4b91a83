#include "cli/uCliArgs.h"

#include <array>
#include <charconv>

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

// Splits "--name=value" into name and value.
void SplitOption(const std::string& sArg, std::string& sName, std::optional<std::string>& sValue) {
  const std::size_t nEqual = sArg.find('=');
  if (nEqual == std::string::npos) {
    sName = sArg;
    sValue.reset();
  } else {
    sName = sArg.substr(0, nEqual);
    sValue = sArg.substr(nEqual + 1);
  }
}

void SetOnce(std::optional<std::string>& sTarget, const std::string& sName,
             const std::string& sValue) {
  if (sTarget) {
    throw ECliUsage(sName + " given more than once");
  }
  if (sValue.empty()) {
    throw ECliUsage(sName + " needs a non-empty value");
  }
  sTarget = sValue;
}

} // namespace

TCliOptions ParseCliArgs(const std::vector<std::string>& slArgs) {
  TCliOptions rOptions;
  for (std::size_t i = 0; i < slArgs.size(); ++i) {
    const std::string& sArg = slArgs[i];
    if (sArg.rfind("--", 0) != 0) {
      if (sArg == "-h") {
        rOptions.bHelp = true;
      } else if (IsWindowOption(sArg)) {
        rOptions.slWindowOptions.push_back(sArg);
      } else {
        throw ECliUsage("unknown argument \"" + sArg + "\"");
      }
      continue;
    }

    std::string sName;
    std::optional<std::string> sValue;
    SplitOption(sArg, sName, sValue);
    const bool bTakesValue =
        sName == "--port" || sName == "--trace" || sName == "--file" || sName == "--max-repeats";
    if (bTakesValue && !sValue) {
      if (i + 1 >= slArgs.size()) {
        throw ECliUsage(sName + " needs a value");
      }
      sValue = slArgs[++i];
    } else if (!bTakesValue && sValue) {
      throw ECliUsage(sName + " takes no value");
    }

    if (sName == "--help") {
      rOptions.bHelp = true;
    } else if (sName == "--list-ports") {
      rOptions.bListPorts = true;
    } else if (sName == "--yes") {
      rOptions.bYes = true;
    } else if (sName == "--read-info-only") {
      rOptions.bReadInfoOnly = true;
    } else if (sName == "--port") {
      SetOnce(rOptions.sPort, sName, *sValue);
    } else if (sName == "--trace") {
      SetOnce(rOptions.sTrace, sName, *sValue);
    } else if (sName == "--file") {
      SetOnce(rOptions.sFile, sName, *sValue);
    } else if (sName == "--max-repeats") {
      if (rOptions.nMaxRepeats) {
        throw ECliUsage("--max-repeats given more than once");
      }
      rOptions.nMaxRepeats = ParseRepeats(*sValue);
    } else {
      throw ECliUsage("unknown option \"" + sName + "\"");
    }
  }
  return rOptions;
}

void CheckOfferedOptions(const TCliOptions& rOptions, std::int32_t nAccessLevel,
                         bool bReadInfoOnlySupported) {
  if (rOptions.bReadInfoOnly && (nAccessLevel < 1 || !bReadInfoOnlySupported)) {
    throw ECliUsage("--read-info-only is offered only in internal mode");
  }
  if (rOptions.sFile && nAccessLevel != 2) {
    throw ECliUsage("--file is offered only in internal mode with file access (option f:+)");
  }
  if (!rOptions.sPort) {
    throw ECliUsage("--port NAME is required for an update");
  }
}

std::string CliUsageText() {
  return R"(Usage: tarvik-update-cli --port NAME [--yes] [--max-repeats N] [--trace FILE]
                         [--read-info-only] [--file PATH] [OPTION...]
       tarvik-update-cli --list-ports
       tarvik-update-cli --help

Updates the firmware of a Tarvik data logger on serial port NAME ("ttyUSB0", "/dev/pts/3",
"COM5") with the matching carried image, like the window's Update button.

  --port NAME        the serial port of the logger
  --yes              answer the question before the update with yes (for scripts); without
                     it the question is asked on the terminal, and without a terminal the
                     update is refused
  --max-repeats N    at most N automatic repeats (after a communication failure, after a
                     wrong echo), N + 1 runs in all; default: no limit
  --trace FILE       write every byte in and out with a time stamp to FILE
  --read-info-only   stop after the image choice (internal mode only)
  --file PATH        update with the image of firmware file PATH (internal mode with file
                     access, option f:+)
  --list-ports       print the serial ports that the window would list
  --help, -h         this text

Window options, as plain arguments (letter case of the prefix does not matter):
  cc:-   images of any class (internal mode only)
  cf:-   a logger of any application class (internal mode only)
  cp:-   images of any platform (internal mode only)
  f:+    file access (internal mode only)
  mf:+   the update clears the logger's measurements (asks its own question); mf:- not
Internal mode: key "intern=3904" in section [General] of
$XDG_CONFIG_HOME/Corvane/Tarv.conf (default ~/.config/Corvane/Tarv.conf).

Output: every report line on stdout as "hh-nn-ss -> text"; the final message, and a
progress bar when stderr is a terminal, on stderr. Ctrl+C cancels the run.

Exit status:
  0      the update completed
  10-70  the failure code of the last run (e.g. 47: no image fits, 70: read info only)
  1      the run ended with an error that carries no code
  2      usage error
  3      the question before the update was answered with no
  4      the firmware file of --file cannot be used, or the trace file cannot be created
  30     --max-repeats ran out while the logger kept failing to answer
)";
}
