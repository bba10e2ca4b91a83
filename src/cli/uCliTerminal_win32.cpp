#include "cli/uCliTerminal.h"

#include "worker/uCommThread.h"

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

// Only a console answers GetConsoleMode. _isatty would also say yes for any character device,
// the NUL device included, so a script with input from NUL would be asked the question.
bool IsTerminal(TStdStream eStream) {
  DWORD nStdHandle = STD_INPUT_HANDLE;
  switch (eStream) {
  case TStdStream::Input:
    nStdHandle = STD_INPUT_HANDLE;
    break;
  case TStdStream::Output:
    nStdHandle = STD_OUTPUT_HANDLE;
    break;
  case TStdStream::Error:
    nStdHandle = STD_ERROR_HANDLE;
    break;
  }
  DWORD nMode = 0;
  return GetConsoleMode(GetStdHandle(nStdHandle), &nMode) != 0;
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
