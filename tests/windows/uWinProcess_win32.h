// Runs a Windows program of the build as a child process for tests under wine, with its
// standard output and error captured and its standard input from the NUL device.
#pragma once

#include <string>
#include <vector>

struct TWinProcessResult {
  unsigned long nExitCode = 0xFFFFFFFF; // 0xFFFFFFFF: it could not be started or did not end
  std::string sOut;
  std::string sErr;
};

// sProgram is a Linux path (the build's), seen from wine through drive Z:. Waits at most
// nTimeoutMs for the program to end, then ends it.
TWinProcessResult RunWinProgram(const std::string& sProgram, const std::vector<std::string>& slArgs,
                                unsigned long nTimeoutMs);
