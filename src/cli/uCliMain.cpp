// tarvik-update-cli: the firmware update of the window, from the command line.
#include "cli/uCliMain.h"
#include "catalogue/uFWVersions.h"
#include "catalogue/uFwHeader.h"
#include "cli/uCliArgs.h"
#include "cli/uCliOutput.h"
#include "cli/uCliRun.h"
#include "cli/uCliTerminal.h"
#include "engine/uSwitches.h"
#include "engine/uTarvikCommThread.h"
#include "link/uRS232.h"
#include "ui/uNotifyText.h"
#include "ui/uOptions.h"
#include "ui/uPortList.h"
#include "ui/uWinTools1V4.h"

#include <iostream>

namespace {

constexpr int cEXIT_USAGE = 2;
constexpr int cEXIT_DECLINED = 3;
constexpr int cEXIT_FILE = 4;

constexpr const char* cPROGRAM = "tarvik-update-cli";

int UsageError(const std::string& sReason) {
  std::cerr << cPROGRAM << ": " << sReason << "\nTry '" << cPROGRAM << " --help'.\n";
  return cEXIT_USAGE;
}

int ListPorts() {
  std::vector<std::string> slPorts;
  FillPortList(slPorts);
  for (const std::string& sPort : slPorts) {
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

// The question of the Update button; returns the exit status when the update must not run.
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
  if (rOptions.bHelp) {
    std::cout << CliUsageText();
    return 0;
  }
  if (rOptions.bListPorts) {
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
  if (rOptions.sTrace && !OpenPortTrace(*rOptions.sTrace)) {
    std::cerr << cPROGRAM << ": cannot create the trace file \"" << *rOptions.sTrace << "\"\n";
    return cEXIT_FILE;
  }

  if (const std::optional<int> nRefused = AskBeforeUpdate(rOptions)) {
    ClosePortTrace();
    return *nRefused;
  }

  gbReadInfoOnly = rOptions.bReadInfoOnly;
  InstallInterruptHandler();
  TCliOutput rOutput(std::cout, std::cerr, IsTerminal(TStdStream::Error));
  const int nStatus = RunUpdate(TRunSettings{*rOptions.sPort, rOptions.nMaxRepeats}, rOutput);
  ClosePortTrace();
  return nStatus;
}
