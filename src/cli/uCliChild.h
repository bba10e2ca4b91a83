// A child process of the command line: one port of a fleet. Its standard input is a pipe from
// this process (closing it cancels the child's run), its standard output and error one pipe
// to this process. One back end per platform (uCliChild_posix.cpp, uCliChild_win32.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// How a child ended.
struct TChildEnd {
  int nExitCode = 1;
  std::optional<int> nSignal; // POSIX: it was ended by this signal (nExitCode is then 1)
  std::optional<double> dCpuSeconds;
  std::optional<std::uint64_t> nPeakMemoryKib;
};

class TChildProcess {
public:
  // Starts sProgram with slArgs. Raises std::runtime_error when it cannot be started.
  TChildProcess(const std::string& sProgram, const std::vector<std::string>& slArgs);
  // A child still running is ended and waited for.
  ~TChildProcess();
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;

  // Reads what the child wrote, waiting for it; 0 at the end of its output. One thread at a
  // time may read; the other calls may come from another thread meanwhile.
  std::size_t Read(char* pBuffer, std::size_t nSize);
  // Closes the child's standard input: it cancels its run.
  void CloseInput();
  // Waits for the child to end (once).
  TChildEnd Wait();

private:
  std::intptr_t FhProcess = -1; // POSIX: the process id
  std::intptr_t FhInput = -1;   // our end of its standard input
  std::intptr_t FhOutput = -1;  // our end of its standard output and error
  bool FbWaited = false;
};

// The path of this program, to start it again; sArgument0 where the system cannot tell.
std::string OwnProgramPath(const std::string& sArgument0);
