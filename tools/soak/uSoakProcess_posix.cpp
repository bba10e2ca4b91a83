#include "uSoakProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

std::atomic<bool> gbSoakStop{false};

namespace {

constexpr auto cPOLL = std::chrono::milliseconds(10);

std::vector<std::string> Environment(const std::vector<std::string>& aOverride) {
  std::map<std::string, std::string> aVars;
  for (char** pVar = environ; *pVar != nullptr; ++pVar) {
    const std::string sVar = *pVar;
    aVars[sVar.substr(0, sVar.find('='))] = sVar;
  }
  for (const std::string& sVar : aOverride)
    aVars[sVar.substr(0, sVar.find('='))] = sVar;
  std::vector<std::string> aEnv;
  for (const auto& [sName, sVar] : aVars)
    aEnv.push_back(sVar);
  return aEnv;
}

std::vector<char*> Pointers(std::vector<std::string>& aTexts) {
  std::vector<char*> aPointers;
  for (std::string& sText : aTexts)
    aPointers.push_back(sText.data());
  aPointers.push_back(nullptr);
  return aPointers;
}

} // namespace

TSoakProcess::TSoakProcess(const TSoakSpawn& rSpawn) {
  std::vector<std::string> aArgv = rSpawn.aArgv;
  std::vector<std::string> aEnv = Environment(rSpawn.aEnv);
  std::vector<char*> apArgv = Pointers(aArgv);
  std::vector<char*> apEnv = Pointers(aEnv);

  posix_spawn_file_actions_t Actions;
  posix_spawn_file_actions_init(&Actions);
  posix_spawn_file_actions_addopen(&Actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&Actions, STDOUT_FILENO, rSpawn.sStdout.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&Actions, STDERR_FILENO, rSpawn.sStderr.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  // Nothing of the soak (another run's port, say) stays open in the child.
  posix_spawn_file_actions_addclosefrom_np(&Actions, STDERR_FILENO + 1);
  pid_t nPid = -1;
  const int nError = posix_spawn(&nPid, apArgv[0], &Actions, nullptr, apArgv.data(), apEnv.data());
  posix_spawn_file_actions_destroy(&Actions);
  if (nError != 0)
    throw std::runtime_error("cannot start " + aArgv[0] + ": " + std::strerror(nError));
  FnPid = nPid;
}

TSoakProcess::~TSoakProcess() {
  if (!FbEnded && FnPid > 0) {
    kill(FnPid, SIGKILL);
    Reap(true);
  }
}

bool TSoakProcess::Reap(bool bBlock) {
  if (FbEnded) return true;
  int nStatus = 0;
  pid_t nDone = 0;
  do
    nDone = waitpid(FnPid, &nStatus, bBlock ? 0 : WNOHANG);
  while (nDone < 0 && errno == EINTR);
  if (nDone != FnPid) return false;
  FbEnded = true;
  if (WIFEXITED(nStatus)) FnExit = WEXITSTATUS(nStatus);
  if (WIFSIGNALED(nStatus)) FnSignal = WTERMSIG(nStatus);
  return true;
}

bool TSoakProcess::Running() {
  return !Reap(false);
}

bool TSoakProcess::WaitUntil(TClock::time_point tDeadline) {
  for (;;) {
    if (Reap(false)) return true;
    if (gbSoakStop.load() || TClock::now() >= tDeadline) return false;
    std::this_thread::sleep_for(cPOLL);
  }
}

void TSoakProcess::Signal(int nSignal) {
  if (!FbEnded) kill(FnPid, nSignal);
}

bool TSoakProcess::Stop(int nSignal, std::chrono::milliseconds nGrace) {
  if (Reap(false)) return true;
  Signal(nSignal);
  const auto tDeadline = TClock::now() + nGrace;
  for (;;) {
    if (Reap(false)) return true;
    if (TClock::now() >= tDeadline) break;
    std::this_thread::sleep_for(cPOLL);
  }
  Signal(SIGKILL);
  Reap(true);
  return false;
}
