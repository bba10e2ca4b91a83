// A fleet: the loggers on several ports updated at the same time, each port by a process of
// its own (the engine's state is process-wide), all started from here and all cancelled by
// one Ctrl+C. The station uses the same machinery for the ports that arrive.
#pragma once

#include "cli/uCliProgress.h"
#include "cli/uCliRecord.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class TChildProcess;

// How a fleet shows its ports.
struct TFleetShow {
  bool bReportLines = true;      // each report line on stdout, with the port before it
  bool bMessages = true;         // each final message on stderr, with the port before it
  bool bKeepFinishedLine = true; // a finished port keeps its progress line, with its outcome
};

class TFleet {
public:
  using TArgsOf = std::function<std::vector<std::string>(const std::string& sPort)>;

  // sProgram: this program; fnArgs: the arguments that make it update one port.
  TFleet(std::string sProgram, TArgsOf fnArgs, TFleetConsole& rConsole, TFleetShow rShow);
  // Cancels what still runs and waits for it.
  ~TFleet();
  TFleet(const TFleet&) = delete;
  TFleet& operator=(const TFleet&) = delete;

  void Start(const std::string& sPort);
  bool IsRunning(const std::string& sPort) const;
  std::size_t Running() const { return FaPorts.size(); }
  // Shows what the running ports told within at most tWait; returns the ports that finished.
  std::vector<TPortResult> Pump(std::chrono::milliseconds tWait);
  // Ends the standard input of every running port: each cancels its run.
  void CancelAll();

private:
  struct TPort;
  struct TLine {
    TPort* pPort;
    bool bEnd; // the port's output has ended
    std::string sText;
  };
  void Push(TLine rLine);
  void Handle(TPort& rPort, const std::string& sText);
  TPortResult Finish(TPort& rPort);

  std::string FsProgram;
  TArgsOf FfnArgs;
  TFleetConsole& FConsole;
  TFleetShow FShow;
  std::size_t FnPortWidth = 0;
  std::vector<std::unique_ptr<TPort>> FaPorts;
  std::mutex FMutex;
  std::condition_variable FArrived;
  std::deque<TLine> FQueue;
};

// Updates every port of slPorts at the same time; returns the combined exit status after
// the summary table.
int RunFleet(const std::vector<std::string>& slPorts, const std::string& sProgram,
             const TFleet::TArgsOf& fnArgs, TJsonLog* pJson);
