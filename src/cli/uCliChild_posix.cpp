#include "cli/uCliChild.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

void CloseIfOpen(std::intptr_t& h) {
  if (h >= 0) {
    close(static_cast<int>(h));
    h = -1;
  }
}

} // namespace

TChildProcess::TChildProcess(const std::string& sProgram, const std::vector<std::string>& slArgs) {
  int aInput[2];
  int aOutput[2];
  // Close-on-exec: no other child inherits these ends.
  if (pipe2(aInput, O_CLOEXEC) != 0) {
    throw std::runtime_error("cannot make a pipe");
  }
  if (pipe2(aOutput, O_CLOEXEC) != 0) {
    close(aInput[0]);
    close(aInput[1]);
    throw std::runtime_error("cannot make a pipe");
  }
  std::vector<std::string> slAll{sProgram};
  slAll.insert(slAll.end(), slArgs.begin(), slArgs.end());
  std::vector<char*> aArgv;
  for (std::string& sArg : slAll) {
    aArgv.push_back(sArg.data());
  }
  aArgv.push_back(nullptr);

  posix_spawn_file_actions_t rActions;
  posix_spawn_file_actions_init(&rActions);
  posix_spawn_file_actions_adddup2(&rActions, aInput[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&rActions, aOutput[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&rActions, aOutput[1], STDERR_FILENO);
  posix_spawn_file_actions_addclosefrom_np(&rActions, STDERR_FILENO + 1);
  // A process group of its own: Ctrl+C on the terminal reaches only this process, which
  // cancels every port through its standard input. Default signal handling as a fresh start.
  posix_spawnattr_t rAttributes;
  posix_spawnattr_init(&rAttributes);
  sigset_t aDefault;
  sigemptyset(&aDefault);
  sigaddset(&aDefault, SIGINT);
  sigaddset(&aDefault, SIGTERM);
  sigaddset(&aDefault, SIGPIPE);
  sigset_t aNone;
  sigemptyset(&aNone);
  posix_spawnattr_setsigdefault(&rAttributes, &aDefault);
  posix_spawnattr_setsigmask(&rAttributes, &aNone);
  posix_spawnattr_setpgroup(&rAttributes, 0);
  posix_spawnattr_setflags(&rAttributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  pid_t nPid = -1;
  const int nError =
      posix_spawn(&nPid, sProgram.c_str(), &rActions, &rAttributes, aArgv.data(), environ);
  posix_spawnattr_destroy(&rAttributes);
  posix_spawn_file_actions_destroy(&rActions);
  close(aInput[0]);
  close(aOutput[1]);
  if (nError != 0) {
    close(aInput[1]);
    close(aOutput[0]);
    throw std::runtime_error("cannot start " + sProgram + ": " + std::strerror(nError));
  }
  FhProcess = nPid;
  FhInput = aInput[1];
  FhOutput = aOutput[0];
}

TChildProcess::~TChildProcess() {
  if (!FbWaited && FhProcess > 0) {
    kill(static_cast<pid_t>(FhProcess), SIGKILL);
    Wait();
  }
  CloseIfOpen(FhInput);
  CloseIfOpen(FhOutput);
}

std::size_t TChildProcess::Read(char* pBuffer, std::size_t nSize) {
  for (;;) {
    const ssize_t nRead = read(static_cast<int>(FhOutput), pBuffer, nSize);
    if (nRead >= 0) {
      return static_cast<std::size_t>(nRead);
    }
    if (errno != EINTR) {
      return 0;
    }
  }
}

void TChildProcess::CloseInput() {
  CloseIfOpen(FhInput);
}

TChildEnd TChildProcess::Wait() {
  TChildEnd rEnd;
  if (FbWaited) {
    return rEnd;
  }
  int nStatus = 0;
  rusage rUsage{};
  pid_t nWaited = -1;
  do {
    nWaited = wait4(static_cast<pid_t>(FhProcess), &nStatus, 0, &rUsage);
  } while (nWaited < 0 && errno == EINTR);
  FbWaited = true;
  if (nWaited < 0) {
    return rEnd;
  }
  if (WIFEXITED(nStatus)) {
    rEnd.nExitCode = WEXITSTATUS(nStatus);
  } else if (WIFSIGNALED(nStatus)) {
    rEnd.nSignal = WTERMSIG(nStatus);
  }
  rEnd.dCpuSeconds = static_cast<double>(rUsage.ru_utime.tv_sec + rUsage.ru_stime.tv_sec) +
                     static_cast<double>(rUsage.ru_utime.tv_usec + rUsage.ru_stime.tv_usec) / 1e6;
  rEnd.nPeakMemoryKib = static_cast<std::uint64_t>(rUsage.ru_maxrss); // Linux: in KiB
  return rEnd;
}

std::string OwnProgramPath(const std::string& sArgument0) {
  char aPath[4096];
  const ssize_t nLen = readlink("/proc/self/exe", aPath, sizeof aPath - 1);
  if (nLen > 0) {
    return std::string(aPath, static_cast<std::size_t>(nLen));
  }
  return sArgument0;
}
