// Runs the built tarvik-update-cli as a child process for the command-line tests.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

struct TCliResult {
  int nStatus = -1; // exit status; 128 + signal when killed
  std::string sOut;
  std::string sErr;
};

// More about how the program starts.
struct TCliStart {
  bool bTerminal = false;
  std::vector<std::pair<std::string, std::string>> aEnvironment; // set in its environment
  int hInherited = -1;    // a descriptor it keeps, under the same number
  bool bAsNobody = false; // runs as the unprivileged user "nobody" (the test runs as root)
};

class TCliProcess {
public:
  // Starts the program with aArgs; XDG_CONFIG_HOME := sConfigHome (the internal-mode store).
  // bTerminal: stdin, stdout and stderr are one pseudo-terminal (sOut gets all of it).
  TCliProcess(const std::vector<std::string>& aArgs, const std::string& sConfigHome,
              bool bTerminal = false);
  TCliProcess(const std::vector<std::string>& aArgs, const std::string& sConfigHome,
              const TCliStart& rStart);
  ~TCliProcess();
  TCliProcess(const TCliProcess&) = delete;
  TCliProcess& operator=(const TCliProcess&) = delete;

  // Reads output until sText has appeared on stdout (true) or nTimeoutMs passed (false).
  bool WaitForOutput(const std::string& sText, int nTimeoutMs);
  // The same for stderr.
  bool WaitForError(const std::string& sText, int nTimeoutMs);
  // Reads output until fnDone holds for what came so far (true) or nTimeoutMs passed (false).
  bool WaitUntil(const std::function<bool(const TCliResult&)>& fnDone, int nTimeoutMs);
  // What it has written so far (as far as read by the waits).
  const TCliResult& SoFar() const { return FResult; }
  void Type(const std::string& sText); // on the terminal
  void Signal(int nSignal);
  TCliResult Wait(); // reads everything to the end and reaps the child

private:
  void Pump(int nTimeoutMs);
  int FnPid = -1;
  int FhOut = -1;
  int FhErr = -1;
  TCliResult FResult;
};

// Runs to the end with stdin from /dev/null.
TCliResult RunCli(const std::vector<std::string>& aArgs, const std::string& sConfigHome);

// A temporary XDG_CONFIG_HOME, with the internal-mode value when bInternal.
class TConfigHome {
public:
  explicit TConfigHome(bool bInternal);
  ~TConfigHome();
  TConfigHome(const TConfigHome&) = delete;
  TConfigHome& operator=(const TConfigHome&) = delete;
  const std::string& Path() const { return FsPath; }

private:
  std::string FsPath;
};
