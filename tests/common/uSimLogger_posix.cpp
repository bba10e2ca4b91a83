#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

#include "uSimLogger.h"

extern char** environ;

namespace {

constexpr int cSTART_TIMEOUT_MS = 10000;

// Reads the first line the simulator prints, within the time-out. Empty if none came.
std::string ReadFirstLine(int hPipe) {
  std::string sLine;
  const auto tEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(cSTART_TIMEOUT_MS);
  for (;;) {
    const auto nLeft = std::chrono::duration_cast<std::chrono::milliseconds>(
                           tEnd - std::chrono::steady_clock::now())
                           .count();
    if (nLeft <= 0) return {};
    pollfd Poll{hPipe, POLLIN, 0};
    const int nReady = poll(&Poll, 1, static_cast<int>(nLeft));
    if (nReady < 0 && errno == EINTR) continue;
    if (nReady <= 0) return {};
    char ch = 0;
    const ssize_t nRead = read(hPipe, &ch, 1);
    if (nRead < 0 && errno == EINTR) continue;
    if (nRead <= 0) return {};
    if (ch == '\n') return sLine;
    sLine.push_back(ch);
  }
}

int WaitStatus(pid_t nPid) {
  int nStatus = 0;
  while (waitpid(nPid, &nStatus, 0) < 0)
    if (errno != EINTR) return -1;
  if (WIFEXITED(nStatus)) return WEXITSTATUS(nStatus);
  if (WIFSIGNALED(nStatus)) return 128 + WTERMSIG(nStatus);
  return -1;
}

} // namespace

std::string SimLoggerProgram() {
  if (const char* sOverride = std::getenv("TARVIK_LOGGER_SIM")) return sOverride;
  return TARVIK_LOGGER_SIM_PATH;
}

TSimLogger::TSimLogger(std::vector<std::string> aArgs) {
  char sTemplate[] = "/tmp/tarvik-sim-XXXXXX";
  if (mkdtemp(sTemplate) == nullptr) throw std::runtime_error("mkdtemp failed");
  FsDir = sTemplate;

  const std::string sProgram = SimLoggerProgram();
  std::vector<std::string> aAll{sProgram, "--flash-out", FlashOutPath(), "--trace", TracePath()};
  aAll.insert(aAll.end(), aArgs.begin(), aArgs.end());
  std::vector<char*> aArgv;
  for (std::string& sArg : aAll)
    aArgv.push_back(sArg.data());
  aArgv.push_back(nullptr);

  int aPipe[2];
  if (pipe2(aPipe, O_CLOEXEC) != 0) {
    std::filesystem::remove_all(FsDir);
    throw std::runtime_error("pipe failed");
  }
  posix_spawn_file_actions_t Actions;
  posix_spawn_file_actions_init(&Actions);
  posix_spawn_file_actions_adddup2(&Actions, aPipe[1], STDOUT_FILENO);
  // A port the test holds open must not stay open (and locked) in the simulator.
  posix_spawn_file_actions_addclosefrom_np(&Actions, STDERR_FILENO + 1);
  pid_t nPid = -1;
  const int nError = posix_spawn(&nPid, sProgram.c_str(), &Actions, nullptr, aArgv.data(), environ);
  posix_spawn_file_actions_destroy(&Actions);
  close(aPipe[1]);
  if (nError != 0) {
    close(aPipe[0]);
    std::filesystem::remove_all(FsDir);
    throw std::runtime_error("cannot start " + sProgram);
  }
  FnPid = nPid;
  FsPort = ReadFirstLine(aPipe[0]);
  close(aPipe[0]);
  if (FsPort.empty()) {
    const int nStatus = Stop();
    std::filesystem::remove_all(FsDir);
    throw std::runtime_error(sProgram + " gave no port (exit status " + std::to_string(nStatus) +
                             ")");
  }
}

TSimLogger::~TSimLogger() {
  Stop();
  ReportIfTestFailed();
  std::error_code Ignored;
  std::filesystem::remove_all(FsDir, Ignored);
}

const std::string& TSimLogger::Port() const {
  return FsPort;
}

int TSimLogger::Stop() {
  if (FnPid > 0) {
    kill(static_cast<pid_t>(FnPid), SIGTERM); // a zombie after a hang-up fault takes it too
    FnExitStatus = WaitStatus(static_cast<pid_t>(FnPid));
    FnPid = -1;
  }
  return FnExitStatus;
}

std::string TSimLogger::FlashOutPath() const {
  return FsDir + "/flash.hex";
}

std::string TSimLogger::TracePath() const {
  return FsDir + "/trace.txt";
}
