// Test support for the link: the probe (port_holders_probe) run as the unprivileged user
// "nobody". Needs TARVIK_PROBE_PATH, the probe program.
#pragma once

#include "uPtyPair.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <grp.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

struct TProbeResult {
  std::vector<std::string> aLines;
  std::string sTrace;
  bool Has(const std::string& sLine) const {
    return std::find(aLines.begin(), aLines.end(), sLine) != aLines.end();
  }
  // The rest of the first line that starts with sKey and a blank; empty when there is none.
  std::string Value(const std::string& sKey) const {
    for (const std::string& sLine : aLines)
      if (sLine.starts_with(sKey + " ")) return sLine.substr(sKey.size() + 1);
    return {};
  }
};

constexpr uid_t cNOBODY = 65534;

// Runs the probe on sPort as the unprivileged user "nobody".
inline TProbeResult ProbeAsNobody(const std::string& sPort) {
  const std::string sTrace =
      testing::TempDir() + "tarvik-probe-" + std::to_string(getpid()) + ".txt";
  int aOut[2] = {-1, -1};
  if (pipe(aOut) != 0) throw std::runtime_error("pipe failed");
  const pid_t nPid = fork();
  if (nPid == 0) {
    dup2(aOut[1], STDOUT_FILENO);
    close(aOut[0]);
    close(aOut[1]);
    if (setgroups(0, nullptr) != 0 || setgid(cNOBODY) != 0 || setuid(cNOBODY) != 0) _exit(3);
    execl(TARVIK_PROBE_PATH, TARVIK_PROBE_PATH, sPort.c_str(), sTrace.c_str(),
          static_cast<char*>(nullptr));
    _exit(4);
  }
  close(aOut[1]);
  std::string sOut;
  char aBuffer[4096];
  for (ssize_t n; (n = read(aOut[0], aBuffer, sizeof aBuffer)) > 0;)
    sOut.append(aBuffer, static_cast<std::size_t>(n));
  close(aOut[0]);
  int nStatus = -1;
  waitpid(nPid, &nStatus, 0);
  EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0) << "probe status " << nStatus;
  TProbeResult result;
  std::istringstream lines(sOut);
  for (std::string sLine; std::getline(lines, sLine);)
    result.aLines.push_back(sLine);
  std::ifstream trace(sTrace);
  std::stringstream text;
  text << trace.rdbuf();
  result.sTrace = text.str();
  std::remove(sTrace.c_str());
  return result;
}
