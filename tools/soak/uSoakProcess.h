// A child program of the soak (the simulator, the command line), with its standard streams
// in files, waited for against a deadline.
#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

// Set by Ctrl+C: every wait returns early and the soak winds down.
extern std::atomic<bool> gbSoakStop;

struct TSoakSpawn {
  std::vector<std::string> aArgv; // program path first
  std::vector<std::string> aEnv;  // "NAME=value" set on top of the soak's environment
  std::string sStdout;            // file paths; stdin is /dev/null
  std::string sStderr;
};

class TSoakProcess {
public:
  using TClock = std::chrono::steady_clock;

  // Starts the program. Raises std::runtime_error when it cannot.
  explicit TSoakProcess(const TSoakSpawn& rSpawn);
  ~TSoakProcess(); // a child still running is killed and reaped
  TSoakProcess(const TSoakProcess&) = delete;
  TSoakProcess& operator=(const TSoakProcess&) = delete;

  // True once it has ended (reaped); false when tDeadline passed first or the soak stops.
  bool WaitUntil(TClock::time_point tDeadline);
  bool Running();
  void Signal(int nSignal);
  // Ends it: nSignal, then SIGKILL if it is still there after nGraceMs. True if it ended
  // within the grace time.
  bool Stop(int nSignal, std::chrono::milliseconds nGrace);

  // After it ended: its exit status, or the signal that ended it (0 when it exited).
  int ExitStatus() const { return FnExit; }
  int TermSignal() const { return FnSignal; }

private:
  bool Reap(bool bBlock);
  int FnPid = -1;
  bool FbEnded = false;
  int FnExit = -1;
  int FnSignal = 0;
};
