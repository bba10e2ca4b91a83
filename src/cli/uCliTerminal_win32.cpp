#include "cli/uCliTerminal.h"

#include "worker/uCommThread.h"

#include <iostream>
#include <thread>
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

void EnableTerminalEscapes() {
  const HANDLE hError = GetStdHandle(STD_ERROR_HANDLE);
  DWORD nMode = 0;
  if (GetConsoleMode(hError, &nMode) != 0) {
    SetConsoleMode(hError, nMode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  }
}

int TerminalColumns() {
  CONSOLE_SCREEN_BUFFER_INFO rInfo{};
  if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &rInfo) != 0) {
    const int nColumns = rInfo.srWindow.Right - rInfo.srWindow.Left + 1;
    if (nColumns > 0) return nColumns;
  }
  return 80;
}

void CancelAtEndOfInput() {
  // Detached: the process may end while the thread still waits in ReadFile.
  std::thread([] {
    const HANDLE hInput = GetStdHandle(STD_INPUT_HANDLE);
    char aBuffer[256];
    DWORD nRead = 0;
    while (ReadFile(hInput, aBuffer, sizeof aBuffer, &nRead, nullptr) && nRead > 0) {
    }
    gbInterrupted.store(true);
    gbCancel.store(true);
  }).detach();
}
