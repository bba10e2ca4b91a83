// tarvik-update-cli: the firmware update of the window, from the command line.
#include "cli/uCliMain.h"
#include "catalogue/uFWVersions.h"
#include "catalogue/uFwHeader.h"
#include "cli/uCliArgs.h"
#include "cli/uCliChild.h"
#include "cli/uCliFleet.h"
#include "cli/uCliMember.h"
#include "cli/uCliOutput.h"
#include "cli/uCliPorts.h"
#include "cli/uCliRecord.h"
#include "cli/uCliRun.h"
#include "cli/uCliStation.h"
#include "cli/uCliTerminal.h"
#include "engine/uSwitches.h"
#include "engine/uTarvikCommThread.h"
#include "link/uRS232.h"
#include "uVersion.h"
#include "ui/uNotifyText.h"
#include "ui/uOptions.h"
#include "ui/uWinTools1V4.h"

#include <iostream>
#include <memory>

namespace {

constexpr int cEXIT_ERROR = 1;
constexpr int cEXIT_USAGE = 2;
constexpr int cEXIT_DECLINED = 3;
constexpr int cEXIT_FILE = 4;

constexpr const char* cPROGRAM = "tarvik-update-cli";

int UsageError(const std::string& sReason) {
  std::cerr << cPROGRAM << ": " << sReason << "\nTry '" << cPROGRAM << " --help'.\n";
  return cEXIT_USAGE;
}

int ListPorts() {
  for (const std::string& sPort : ListSerialPorts()) {
    std::cout << sPort << '\n';
  }
  std::cout << std::flush;
  return 0;
}

// The window's start: internal mode, then its options, given here as plain arguments.
void ApplyWindowOptions(const TCliOptions& rOptions, const char* sArgument0) {
  std::vector<const char*> aArgs{sArgument0};
  for (const std::string& sOption : rOptions.slWindowOptions) {
    aArgs.push_back(sOption.c_str());
  }
  SetProgramArgs(static_cast<int>(aArgs.size()), aArgs.data());
  ApplyOptions(IsInternalMode());
}

bool IsYes(std::string sAnswer) {
  for (char& ch : sAnswer) {
    if (ch >= 'A' && ch <= 'Z') {
      ch = static_cast<char>(ch - 'A' + 'a');
    }
  }
  return sAnswer == "y" || sAnswer == "yes";
}

// The question of the Update button, once for all ports; returns the exit status when the
// update must not run.
std::optional<int> AskBeforeUpdate(const TCliOptions& rOptions) {
  // The File button asks nothing; neither does the internal mode without the clearing switch.
  const std::optional<std::string> sQuestion =
      rOptions.sFile ? std::nullopt : UpdateQuestionText(gnAccessLevel, gbClearsMeasurements);
  if (!sQuestion || rOptions.bYes) {
    return std::nullopt;
  }
  if (!IsTerminal(TStdStream::Input)) {
    std::cerr << TerminalText(*sQuestion) << '\n'
              << cPROGRAM << ": no terminal to answer this question; pass --yes to answer it.\n";
    return cEXIT_USAGE;
  }
  std::cerr << TerminalText(*sQuestion) << " [y/N] " << std::flush;
  const std::optional<std::string> sAnswer = ReadTerminalLine();
  if (sAnswer && IsYes(*sAnswer)) {
    return std::nullopt;
  }
  std::cerr << "Update not started.\n";
  return cEXIT_DECLINED;
}

// One port in this process, as the window runs it.
int RunSingle(const TCliOptions& rOptions, TJsonLog* pJson) {
  const std::string& sPort = rOptions.slPorts.front();
  TCliOutput rOutput(std::cout, std::cerr, IsTerminal(TStdStream::Error));
  const TRunSettings rSettings{sPort, rOptions.nMaxRepeats};
  if (pJson == nullptr) {
    return RunUpdate(rSettings, rOutput);
  }
  TRunRecord rRecord(sPort);
  TRunViewPair rBoth(rOutput, rRecord);
  const auto tStarted = std::chrono::system_clock::now();
  const auto tStartedSteady = std::chrono::steady_clock::now();
  const int nStatus = RunUpdate(rSettings, rBoth);
  TPortResult rResult = rRecord.Result();
  rResult.nExitCode = nStatus;
  rResult.tStarted = tStarted;
  rResult.tFinished = std::chrono::system_clock::now();
  rResult.dSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - tStartedSteady).count();
  if (!pJson->Write(rResult)) {
    std::cerr << cPROGRAM << ": the record could not be written to the JSON file\n";
  }
  return nStatus;
}

} // namespace

int CliMain(const std::vector<std::string>& slArgs) {
  const char* sArgument0 = slArgs.empty() ? cPROGRAM : slArgs[0].c_str();
  TCliOptions rOptions;
  try {
    rOptions = ParseCliArgs(
        std::vector<std::string>(slArgs.begin() + (slArgs.empty() ? 0 : 1), slArgs.end()));
  } catch (const ECliUsage& e) {
    return UsageError(e.what());
  }
  const TCliMode eMode = ModeOf(rOptions);
  if (eMode == TCliMode::Help) {
    std::cout << CliUsageText();
    return 0;
  }
  if (eMode == TCliMode::Version) {
    std::cout << cPROGRAM << ' ' << cVERSION_TEXT << '\n';
    return 0;
  }
  if (eMode == TCliMode::ListPorts) {
    return ListPorts();
  }

  ApplyWindowOptions(rOptions, sArgument0);
  try {
    CheckOfferedOptions(rOptions, gnAccessLevel, gbReadInfoOnlySupported);
  } catch (const ECliUsage& e) {
    return UsageError(e.what());
  }

  gnFwIndex = -1;
  if (rOptions.sFile) {
    try {
      LoadFwFileImage(*rOptions.sFile); // the image of the file becomes image 0
    } catch (const EFwFile& e) {
      std::cerr << cPROGRAM << ": " << e.what() << '\n';
      return cEXIT_FILE;
    }
  }
  // A fleet's ports write their own traces.
  const bool bOwnTrace = eMode == TCliMode::Single || eMode == TCliMode::Member;
  if (bOwnTrace && rOptions.sTrace && !OpenPortTrace(*rOptions.sTrace)) {
    std::cerr << cPROGRAM << ": cannot create the trace file \"" << *rOptions.sTrace << "\"\n";
    return cEXIT_FILE;
  }
  gbReadInfoOnly = rOptions.bReadInfoOnly;

  if (eMode == TCliMode::Member) {
    InstallInterruptHandler();
    const int nStatus = RunMember(TRunSettings{rOptions.slPorts.front(), rOptions.nMaxRepeats});
    ClosePortTrace();
    return nStatus;
  }

  std::vector<std::string> slPorts = rOptions.slPorts;
  if (eMode == TCliMode::Fleet && rOptions.bAllPorts) {
    slPorts = ListSerialPorts();
    if (slPorts.empty()) {
      std::cerr << cPROGRAM << ": --all-ports: no serial port is listed (see --list-ports)\n";
      return cEXIT_ERROR;
    }
  }
  std::unique_ptr<TJsonLog> pJson;
  if (rOptions.sJson) {
    pJson = std::make_unique<TJsonLog>(*rOptions.sJson);
    if (!pJson->Ok()) {
      std::cerr << cPROGRAM << ": cannot write to the JSON file \"" << *rOptions.sJson << "\"\n";
      ClosePortTrace();
      return cEXIT_FILE;
    }
  }
  if (const std::optional<int> nRefused = AskBeforeUpdate(rOptions)) {
    ClosePortTrace();
    return *nRefused;
  }

  InstallInterruptHandler();
  if (eMode == TCliMode::Single) {
    const int nStatus = RunSingle(rOptions, pJson.get());
    ClosePortTrace();
    return nStatus;
  }
  const std::string sProgram = OwnProgramPath(sArgument0);
  const auto fnArgs = [&rOptions](const std::string& sPort) {
    return MemberArgs(rOptions, sPort,
                      rOptions.sTrace
                          ? std::optional<std::string>(PortTraceFile(*rOptions.sTrace, sPort))
                          : std::nullopt);
  };
  if (eMode == TCliMode::Station) {
    return RunStation(rOptions.bAllPorts, sProgram, fnArgs, pJson.get());
  }
  return RunFleet(slPorts, sProgram, fnArgs, pJson.get());
}
