#include "cli/uCliTerminal.h"

#include "worker/uCommThread.h"

#include <io.h>
#include <iostream>
#include <windows.h>

std::atomic<bool> gbInterrupted{false};

namespace {

BOOL WINAPI OnConsoleControl(DWORD nType) {
  if (nType == CTRL_C_EVENT || nType == CTRL_BREAK_EVENT) {
    if (gbInterrupted.exchange(true)) {
      return FALSE; // a second Ctrl+C ends the program
    }
    gbCancel.store(true);
    return TRUE;
  }
  return FALSE;
}

} // namespace

bool IsTerminal(TStdStream eStream) {
  switch (eStream) {
  case TStdStream::Input:
    return _isatty(0) != 0;
  case TStdStream::Output:
    return _isatty(1) != 0;
  case TStdStream::Error:
    return _isatty(2) != 0;
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
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}
