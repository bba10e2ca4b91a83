#include "uCliProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

[[noreturn]] void ExecCli(const std::vector<std::string>& aArgs, const std::string& sConfigHome,
                          const TCliStart& rStart) {
  setenv("XDG_CONFIG_HOME", sConfigHome.c_str(), 1);
  for (const auto& [sName, sValue] : rStart.aEnvironment) {
    setenv(sName.c_str(), sValue.c_str(), 1);
  }
  if (rStart.hInherited >= 0) {
    fcntl(rStart.hInherited, F_SETFD, 0);
  }
  constexpr uid_t cNOBODY = 65534;
  if (rStart.bAsNobody &&
      (setgroups(0, nullptr) != 0 || setgid(cNOBODY) != 0 || setuid(cNOBODY) != 0)) {
    _exit(126);
  }
  std::vector<char*> aArgv;
  std::string sProgram = TARVIK_CLI_PATH;
  aArgv.push_back(sProgram.data());
  for (const std::string& sArg : aArgs) {
    aArgv.push_back(const_cast<char*>(sArg.c_str()));
  }
  aArgv.push_back(nullptr);
  execv(sProgram.c_str(), aArgv.data());
  _exit(127);
}

} // namespace

TCliProcess::TCliProcess(const std::vector<std::string>& aArgs, const std::string& sConfigHome,
                         bool bTerminal)
    : TCliProcess(aArgs, sConfigHome, TCliStart{bTerminal, {}, -1}) {}

TCliProcess::TCliProcess(const std::vector<std::string>& aArgs, const std::string& sConfigHome,
                         const TCliStart& rStart) {
  if (rStart.bTerminal) {
    int hMaster = -1;
    FnPid = forkpty(&hMaster, nullptr, nullptr, nullptr);
    if (FnPid < 0) {
      throw std::runtime_error("forkpty failed");
    }
    if (FnPid == 0) {
      ExecCli(aArgs, sConfigHome, rStart);
    }
    FhOut = hMaster;
    return;
  }
  int aOut[2];
  int aErr[2];
  // Close-on-exec: another program started meanwhile must not keep these pipes open (the
  // child's dup2 copies are inherited as they should be).
  if (pipe2(aOut, O_CLOEXEC) != 0 || pipe2(aErr, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
  FnPid = fork();
  if (FnPid < 0) {
    throw std::runtime_error("fork failed");
  }
  if (FnPid == 0) {
    const int hNull = open("/dev/null", O_RDONLY);
    dup2(hNull, 0);
    dup2(aOut[1], 1);
    dup2(aErr[1], 2);
    close(aOut[0]);
    close(aErr[0]);
    ExecCli(aArgs, sConfigHome, rStart);
  }
  close(aOut[1]);
  close(aErr[1]);
  FhOut = aOut[0];
  FhErr = aErr[0];
}

TCliProcess::~TCliProcess() {
  if (FnPid > 0) {
    kill(FnPid, SIGKILL);
    waitpid(FnPid, nullptr, 0);
  }
  if (FhOut >= 0) {
    close(FhOut);
  }
  if (FhErr >= 0) {
    close(FhErr);
  }
}

void TCliProcess::Pump(int nTimeoutMs) {
  // poll passes over a closed (negative) descriptor.
  pollfd aPoll[2] = {{FhOut, POLLIN, 0}, {FhErr, POLLIN, 0}};
  const nfds_t nCount = 2;
  if (poll(aPoll, nCount, nTimeoutMs) <= 0) {
    return;
  }
  char aBuffer[4096];
  for (nfds_t i = 0; i < nCount; ++i) {
    if ((aPoll[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
      continue;
    }
    const ssize_t nRead = read(aPoll[i].fd, aBuffer, sizeof aBuffer);
    if (nRead > 0) {
      (i == 0 ? FResult.sOut : FResult.sErr).append(aBuffer, static_cast<std::size_t>(nRead));
    } else {
      // End of output (a pty reports EIO once the child has gone).
      close(aPoll[i].fd);
      (i == 0 ? FhOut : FhErr) = -1;
    }
  }
}

bool TCliProcess::WaitForOutput(const std::string& sText, int nTimeoutMs) {
  const auto tEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
  while (FResult.sOut.find(sText) == std::string::npos) {
    if (FhOut < 0 || std::chrono::steady_clock::now() > tEnd) {
      return false;
    }
    Pump(50);
  }
  return true;
}

bool TCliProcess::WaitForError(const std::string& sText, int nTimeoutMs) {
  return WaitUntil(
      [&](const TCliResult& rSoFar) { return rSoFar.sErr.find(sText) != std::string::npos; },
      nTimeoutMs);
}

bool TCliProcess::WaitUntil(const std::function<bool(const TCliResult&)>& fnDone, int nTimeoutMs) {
  const auto tEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
  while (!fnDone(FResult)) {
    if ((FhOut < 0 && FhErr < 0) || std::chrono::steady_clock::now() > tEnd) {
      return false;
    }
    Pump(50);
  }
  return true;
}

void TCliProcess::Type(const std::string& sText) {
  if (write(FhOut, sText.data(), sText.size()) != static_cast<ssize_t>(sText.size())) {
    throw std::runtime_error("write to the terminal failed");
  }
}

void TCliProcess::Signal(int nSignal) {
  kill(FnPid, nSignal);
}

TCliResult TCliProcess::Wait() {
  const auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(100);
  while ((FhOut >= 0 || FhErr >= 0) && std::chrono::steady_clock::now() < tEnd) {
    Pump(100);
  }
  int nWait = 0;
  while (FnPid > 0 && waitpid(FnPid, &nWait, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() >= tEnd) {
      // A program that does not end fails its test with what it printed, instead of holding
      // the test until ctest's time-out.
      FResult.sErr += "\n[test: the program was still running after 100 s and was killed]\n";
      kill(FnPid, SIGKILL);
      waitpid(FnPid, &nWait, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (FnPid > 0) {
    FResult.nStatus = WIFEXITED(nWait) ? WEXITSTATUS(nWait) : 128 + WTERMSIG(nWait);
    FnPid = -1;
  }
  return FResult;
}

TCliResult RunCli(const std::vector<std::string>& aArgs, const std::string& sConfigHome) {
  TCliProcess rProcess(aArgs, sConfigHome);
  return rProcess.Wait();
}

TConfigHome::TConfigHome(bool bInternal) {
  char aName[] = "/tmp/tarvik-cli-config-XXXXXX";
  if (mkdtemp(aName) == nullptr) {
    throw std::runtime_error("mkdtemp failed");
  }
  FsPath = aName;
  if (bInternal) {
    std::filesystem::create_directories(FsPath + "/Corvane");
    std::ofstream(FsPath + "/Corvane/Tarv.conf") << "[General]\nintern=3904\n";
  }
}

TConfigHome::~TConfigHome() {
  std::error_code eError;
  std::filesystem::remove_all(FsPath, eError);
}
