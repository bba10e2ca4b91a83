#include "cli/uCliTerminal.h"

#include "worker/uCommThread.h"

#include <cerrno>
#include <csignal>
#include <iostream>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

std::atomic<bool> gbInterrupted{false};

static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler stores atomics");

namespace {

extern "C" void OnInterrupt(int) {
  // Only lock-free stores: safe in a signal handler. The worker sees the cancel at its next
  // exchange and the run ends with failure 20.
  gbInterrupted.store(true);
  gbCancel.store(true);
}

} // namespace

bool IsTerminal(TStdStream eStream) {
  switch (eStream) {
  case TStdStream::Input:
    return isatty(STDIN_FILENO) == 1;
  case TStdStream::Output:
    return isatty(STDOUT_FILENO) == 1;
  case TStdStream::Error:
    return isatty(STDERR_FILENO) == 1;
  }
  return false;
}

std::optional<std::string> ReadTerminalLine() {
  std::string sLine;
  if (!std::getline(std::cin, sLine)) {
    return std::nullopt;
  }
  if (!sLine.empty() && sLine.back() == '\r') {
    sLine.pop_back();
  }
  return sLine;
}

void InstallInterruptHandler() {
  struct sigaction rAction {};
  rAction.sa_handler = OnInterrupt;
  sigemptyset(&rAction.sa_mask);
  rAction.sa_flags = SA_RESETHAND; // a second Ctrl+C ends the program at once
  sigaction(SIGINT, &rAction, nullptr);
  sigaction(SIGTERM, &rAction, nullptr);
}

void EnableTerminalEscapes() {}

int TerminalColumns() {
  winsize rSize{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &rSize) == 0 && rSize.ws_col > 0) {
    return rSize.ws_col;
  }
  return 80;
}

void CancelAtEndOfInput() {
  // Detached: the process may end while the thread still waits in read().
  std::thread([] {
    char aBuffer[256];
    for (;;) {
      const ssize_t nRead = read(STDIN_FILENO, aBuffer, sizeof aBuffer);
      if (nRead == 0 || (nRead < 0 && errno != EINTR)) {
        break;
      }
    }
    gbInterrupted.store(true);
    gbCancel.store(true);
  }).detach();
}
