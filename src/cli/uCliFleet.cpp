#include "cli/uCliFleet.h"

#include "cli/uCliChild.h"
#include "cli/uCliMember.h"
#include "cli/uCliOutput.h"
#include "cli/uCliTerminal.h"

#include <algorithm>
#include <iostream>
#include <thread>

namespace {

// A line longer than this from a port's process is passed on in parts.
constexpr std::size_t cMAX_LINE = 65536;
constexpr auto cPUMP_WAIT = std::chrono::milliseconds(100);

std::string Padded(const std::string& sText, std::size_t nWidth) {
  return sText + std::string(nWidth > sText.size() ? nWidth - sText.size() : 0, ' ');
}

} // namespace

struct TFleet::TPort {
  std::string sPort;
  std::unique_ptr<TChildProcess> pChild;
  std::thread rReader;
  std::vector<std::string> slReport;
  TJson rChildResult;    // null until the process sent its result
  std::string sLastText; // the last line that was not of the protocol
  std::chrono::system_clock::time_point tStarted;
  std::chrono::steady_clock::time_point tStartedSteady;
};

TFleet::TFleet(std::string sProgram, TArgsOf fnArgs, TFleetConsole& rConsole, TFleetShow rShow)
    : FsProgram(std::move(sProgram)), FfnArgs(std::move(fnArgs)), FConsole(rConsole), FShow(rShow) {
}

TFleet::~TFleet() {
  CancelAll();
  for (const std::unique_ptr<TPort>& pPort : FaPorts) {
    if (pPort->rReader.joinable()) {
      pPort->rReader.join(); // the process has closed its output by then
    }
    if (pPort->pChild) {
      pPort->pChild->Wait();
    }
  }
}

void TFleet::Push(TLine rLine) {
  {
    std::lock_guard<std::mutex> lock(FMutex);
    FQueue.push_back(std::move(rLine));
  }
  FArrived.notify_one();
}

void TFleet::Start(const std::string& sPort) {
  auto pPort = std::make_unique<TPort>();
  pPort->sPort = sPort;
  pPort->tStarted = std::chrono::system_clock::now();
  pPort->tStartedSteady = std::chrono::steady_clock::now();
  FnPortWidth = std::max(FnPortWidth, sPort.size());
  FConsole.SetPortLine(sPort, TFleetConsole::ProgressLine(sPort, 0, FnPortWidth));
  TPort* pRaw = pPort.get();
  try {
    pPort->pChild = std::make_unique<TChildProcess>(FsProgram, FfnArgs(sPort));
  } catch (const std::exception& e) {
    pPort->sLastText = e.what();
    FaPorts.push_back(std::move(pPort));
    Push({pRaw, true, {}});
    return;
  }
  pPort->rReader = std::thread([this, pRaw] {
    std::string sPending;
    char aBuffer[4096];
    for (;;) {
      const std::size_t nRead = pRaw->pChild->Read(aBuffer, sizeof aBuffer);
      if (nRead == 0) {
        break;
      }
      sPending.append(aBuffer, nRead);
      std::size_t nEnd = 0;
      while ((nEnd = sPending.find('\n')) != std::string::npos || sPending.size() > cMAX_LINE) {
        const std::size_t nTake = nEnd == std::string::npos ? cMAX_LINE : nEnd;
        std::string sLine = sPending.substr(0, nTake);
        sPending.erase(0, nEnd == std::string::npos ? nTake : nTake + 1);
        if (!sLine.empty() && sLine.back() == '\r') {
          sLine.pop_back();
        }
        Push({pRaw, false, std::move(sLine)});
      }
    }
    if (!sPending.empty()) {
      Push({pRaw, false, std::move(sPending)});
    }
    Push({pRaw, true, {}});
  });
  FaPorts.push_back(std::move(pPort));
}

bool TFleet::IsRunning(const std::string& sPort) const {
  return std::any_of(FaPorts.begin(), FaPorts.end(),
                     [&](const std::unique_ptr<TPort>& pPort) { return pPort->sPort == sPort; });
}

void TFleet::CancelAll() {
  for (const std::unique_ptr<TPort>& pPort : FaPorts) {
    if (pPort->pChild) {
      pPort->pChild->CloseInput();
    }
  }
}

void TFleet::Handle(TPort& rPort, const std::string& sText) {
  const TMemberLine rLine = ParseMemberLine(sText);
  switch (rLine.eKind) {
  case TMemberLine::TKind::Report:
    rPort.slReport.push_back(rLine.sText);
    if (FShow.bReportLines) {
      FConsole.Out(rPort.sPort + ": " + rLine.sText);
    }
    break;
  case TMemberLine::TKind::Progress:
    FConsole.SetPortLine(rPort.sPort,
                         TFleetConsole::ProgressLine(rPort.sPort, rLine.nPercent, FnPortWidth));
    break;
  case TMemberLine::TKind::Message:
    if (FShow.bMessages) {
      FConsole.Err(rPort.sPort + ": " + TerminalText(rLine.sText));
    }
    break;
  case TMemberLine::TKind::Hint:
    // After the port's message, where the operator looks for why it failed.
    if (FShow.bMessages) {
      FConsole.Err(rPort.sPort + ": " + rLine.sText);
    }
    break;
  case TMemberLine::TKind::Result:
    rPort.rChildResult = rLine.rResult;
    break;
  case TMemberLine::TKind::Text:
    if (!rLine.sText.empty()) {
      FConsole.Err(rPort.sPort + ": " + rLine.sText);
      rPort.sLastText = rLine.sText;
    }
    break;
  }
}

TPortResult TFleet::Finish(TPort& rPort) {
  if (rPort.rReader.joinable()) {
    rPort.rReader.join();
  }
  const TChildEnd rEnd = rPort.pChild ? rPort.pChild->Wait() : TChildEnd{};
  rPort.pChild.reset();
  TPortResult rResult;
  TakeResultJson(rPort.rChildResult, rResult);
  rResult.sPort = rPort.sPort;
  rResult.slReport = std::move(rPort.slReport);
  rResult.nExitCode = rEnd.nSignal ? 1 : rEnd.nExitCode;
  if (rEnd.nSignal) {
    rResult.sOutcome =
        "The port's process was ended by signal " + std::to_string(*rEnd.nSignal) + ".";
  } else if (rPort.rChildResult.is_null()) {
    rResult.sOutcome =
        rPort.sLastText.empty() ? "The port's process ended without a result." : rPort.sLastText;
  }
  rResult.tStarted = rPort.tStarted;
  rResult.tFinished = std::chrono::system_clock::now();
  rResult.dSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - rPort.tStartedSteady)
          .count();
  rResult.dCpuSeconds = rEnd.dCpuSeconds;
  rResult.nPeakMemoryKib = rEnd.nPeakMemoryKib;
  if (FShow.bKeepFinishedLine) {
    FConsole.SetPortLine(rPort.sPort,
                         Padded(rPort.sPort, FnPortWidth) + "  " +
                             (rResult.nExitCode == 0
                                  ? std::string("completed")
                                  : "failed, exit " + std::to_string(rResult.nExitCode)));
  } else {
    FConsole.RemovePortLine(rPort.sPort);
  }
  return rResult;
}

std::vector<TPortResult> TFleet::Pump(std::chrono::milliseconds tWait) {
  std::deque<TLine> aLines;
  {
    std::unique_lock<std::mutex> lock(FMutex);
    FArrived.wait_for(lock, tWait, [this] { return !FQueue.empty(); });
    aLines.swap(FQueue);
  }
  std::vector<TPortResult> aFinished;
  for (TLine& rLine : aLines) {
    if (!rLine.bEnd) {
      Handle(*rLine.pPort, rLine.sText);
      continue;
    }
    // The end is the last line of its port.
    aFinished.push_back(Finish(*rLine.pPort));
    std::erase_if(FaPorts, [&](const std::unique_ptr<TPort>& p) { return p.get() == rLine.pPort; });
  }
  FConsole.Redraw();
  return aFinished;
}

int RunFleet(const std::vector<std::string>& slPorts, const std::string& sProgram,
             const TFleet::TArgsOf& fnArgs, TJsonLog* pJson) {
  const bool bTerminal = IsTerminal(TStdStream::Error);
  if (bTerminal) {
    EnableTerminalEscapes();
  }
  TFleetConsole rConsole(std::cout, std::cerr, bTerminal, TerminalColumns());
  std::vector<TPortResult> aResults;
  {
    TFleet rFleet(sProgram, fnArgs, rConsole, TFleetShow{});
    for (const std::string& sPort : slPorts) {
      rFleet.Start(sPort);
    }
    bool bCancelled = false;
    while (rFleet.Running() > 0) {
      if (gbInterrupted.load() && !bCancelled) {
        rFleet.CancelAll();
        bCancelled = true;
      }
      for (TPortResult& rResult : rFleet.Pump(cPUMP_WAIT)) {
        if (pJson != nullptr && !pJson->Write(rResult)) {
          rConsole.Err(rResult.sPort + ": the record could not be written to the JSON file");
        }
        aResults.push_back(std::move(rResult));
      }
    }
  }
  // The table in the order the ports were given.
  std::stable_sort(aResults.begin(), aResults.end(), [&](const auto& rLeft, const auto& rRight) {
    return std::find(slPorts.begin(), slPorts.end(), rLeft.sPort) <
           std::find(slPorts.begin(), slPorts.end(), rRight.sPort);
  });
  std::string sTable = SummaryTable(aResults);
  sTable.pop_back(); // Out ends the line
  rConsole.Out("");
  rConsole.Out(sTable);
  const auto nCompleted = std::count_if(aResults.begin(), aResults.end(),
                                        [](const TPortResult& r) { return r.nExitCode == 0; });
  rConsole.Out(std::to_string(nCompleted) + " of " + std::to_string(aResults.size()) +
               " updates completed.");
  return CombinedExitStatus(aResults);
}
