#include "cli/uCliStation.h"

#include "cli/uCliPorts.h"
#include "cli/uCliTerminal.h"

#include <algorithm>
#include <iostream>

namespace {

constexpr auto cPUMP_WAIT = std::chrono::milliseconds(100);

std::string Joined(const std::vector<std::string>& slTexts) {
  std::string sText;
  for (const std::string& s : slTexts) {
    sText += (sText.empty() ? "" : ", ") + s;
  }
  return sText;
}

} // namespace

TStationPorts::TStationPorts(const std::vector<std::string>& slPresent)
    : FsetPresent(slPresent.begin(), slPresent.end()) {}

bool TStationPorts::Left(const std::string& sPort) {
  return FsetPresent.erase(sPort) > 0;
}

TStationPorts::TArrivals
TStationPorts::Arrivals(const std::vector<std::string>& slListed,
                        const std::function<bool(const std::string&)>& fnRunning) {
  TArrivals rArrivals;
  std::erase_if(FsetPresent, [&](const std::string& sPort) {
    const bool bGone = std::find(slListed.begin(), slListed.end(), sPort) == slListed.end();
    if (bGone) {
      rArrivals.slLeft.push_back(sPort);
    }
    return bGone;
  });
  for (const std::string& sPort : slListed) {
    if (FsetPresent.insert(sPort).second) {
      (fnRunning(sPort) ? rArrivals.slRunning : rArrivals.slStart).push_back(sPort);
    }
  }
  return rArrivals;
}

int RunStation(bool bPresentToo, const std::string& sProgram, const TFleet::TArgsOf& fnArgs,
               TJsonLog* pJson) {
  const bool bTerminal = IsTerminal(TStdStream::Error);
  if (bTerminal) {
    EnableTerminalEscapes();
  }
  TFleetConsole rConsole(std::cout, std::cerr, bTerminal, TerminalColumns());
  TPortWatcher rWatcher;
  const std::vector<std::string> slAtStart = ListSerialPorts();
  TStationPorts rPorts(bPresentToo ? std::vector<std::string>{} : slAtStart);
  std::vector<TPortResult> aResults;
  const auto fnRecord = [&](TPortResult& rResult) {
    rConsole.Out(SummaryRow(rResult));
    if (pJson != nullptr && !pJson->Write(rResult)) {
      rConsole.Err(rResult.sPort + ": the record could not be written to the JSON file");
    }
    // A station runs for days: only what the exit status needs is kept.
    rResult.slReport = {};
    aResults.push_back(std::move(rResult));
  };

  TFleet rFleet(sProgram, fnArgs, rConsole, TFleetShow{false, false, false});
  rConsole.Out(SummaryHeading());
  if (!bPresentToo && !slAtStart.empty()) {
    rConsole.Err("Left alone (there at the start): " + Joined(slAtStart));
  }
  rConsole.Err("Waiting for loggers (" + rWatcher.Description() + "); Ctrl+C ends.");
  const auto fnRunning = [&](const std::string& sPort) { return rFleet.IsRunning(sPort); };
  bool bReadList = true;
  while (!gbInterrupted.load()) {
    const TPortWatcher::TChanges rChanges = rWatcher.Poll();
    for (const std::string& sPort : rChanges.slGone) {
      if (rPorts.Left(sPort)) {
        rConsole.Err(sPort + ": left");
      }
    }
    if (bReadList || rChanges.bListChanged) {
      // A port whose device is not there yet is not taken as arrived: the next reading of the
      // list takes it.
      std::vector<std::string> slListed = ListSerialPorts();
      std::erase_if(slListed, [](const std::string& sPort) { return !PortDeviceExists(sPort); });
      const TStationPorts::TArrivals rArrivals = rPorts.Arrivals(slListed, fnRunning);
      for (const std::string& sPort : rArrivals.slLeft) {
        rConsole.Err(sPort + ": left");
      }
      for (const std::string& sPort : rArrivals.slRunning) {
        rConsole.Err(sPort + ": back while its update runs; not started again");
      }
      for (const std::string& sPort : rArrivals.slStart) {
        rConsole.Err(sPort + ": arrived, update started");
        rFleet.Start(sPort);
      }
      bReadList = false;
    }
    for (TPortResult& rResult : rFleet.Pump(cPUMP_WAIT)) {
      fnRecord(rResult);
    }
  }
  rFleet.CancelAll();
  while (rFleet.Running() > 0) {
    for (TPortResult& rResult : rFleet.Pump(cPUMP_WAIT)) {
      fnRecord(rResult);
    }
  }
  const auto nCompleted = std::count_if(aResults.begin(), aResults.end(),
                                        [](const TPortResult& r) { return r.nExitCode == 0; });
  rConsole.Err("Station ended: " + std::to_string(nCompleted) + " of " +
               std::to_string(aResults.size()) + " updates completed.");
  return CombinedExitStatus(aResults);
}
