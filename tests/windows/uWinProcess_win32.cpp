#include "uWinProcess_win32.h"

#include "link/uWideText.h"

#include <windows.h>

#include <thread>

namespace {

// Quoted as the C runtime splits a command line; the arguments here hold no quotes.
std::wstring CommandLine(const std::string& sProgram, const std::vector<std::string>& slArgs) {
  std::wstring sLine = L"\"" + Wide(sProgram) + L"\"";
  for (const std::string& sArg : slArgs)
    sLine += L" \"" + Wide(sArg) + L"\"";
  return sLine;
}

std::string WindowsPath(const std::string& sUnixPath) {
  std::string s = "Z:" + sUnixPath;
  for (char& ch : s)
    if (ch == '/') ch = '\\';
  return s;
}

// Reads a pipe to its end on a thread of its own, so that neither pipe can fill and stall
// the child.
std::thread Drain(HANDLE hPipe, std::string& sInto) {
  return std::thread([hPipe, &sInto] {
    char aBuffer[4096];
    DWORD nRead = 0;
    while (ReadFile(hPipe, aBuffer, sizeof(aBuffer), &nRead, nullptr) && nRead > 0)
      sInto.append(aBuffer, nRead);
    CloseHandle(hPipe);
  });
}

} // namespace

TWinProcessResult RunWinProgram(const std::string& sProgram, const std::vector<std::string>& slArgs,
                                unsigned long nTimeoutMs) {
  TWinProcessResult rResult;
  SECURITY_ATTRIBUTES rInherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE hOutRead = nullptr, hOutWrite = nullptr, hErrRead = nullptr, hErrWrite = nullptr;
  if (!CreatePipe(&hOutRead, &hOutWrite, &rInherit, 0)) return rResult;
  if (!CreatePipe(&hErrRead, &hErrWrite, &rInherit, 0)) {
    CloseHandle(hOutRead);
    CloseHandle(hOutWrite);
    return rResult;
  }
  SetHandleInformation(hOutRead, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(hErrRead, HANDLE_FLAG_INHERIT, 0);
  HANDLE hNul = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &rInherit,
                            OPEN_EXISTING, 0, nullptr);

  STARTUPINFOW rStart{};
  rStart.cb = sizeof(rStart);
  rStart.dwFlags = STARTF_USESTDHANDLES;
  rStart.hStdInput = hNul;
  rStart.hStdOutput = hOutWrite;
  rStart.hStdError = hErrWrite;
  PROCESS_INFORMATION rProcess{};
  std::wstring sLine = CommandLine(WindowsPath(sProgram), slArgs);
  const BOOL bStarted = CreateProcessW(nullptr, sLine.data(), nullptr, nullptr, TRUE,
                                       CREATE_NO_WINDOW, nullptr, nullptr, &rStart, &rProcess);
  CloseHandle(hOutWrite);
  CloseHandle(hErrWrite);
  if (hNul != INVALID_HANDLE_VALUE) CloseHandle(hNul);
  std::thread rOut = Drain(hOutRead, rResult.sOut);
  std::thread rErr = Drain(hErrRead, rResult.sErr);
  if (bStarted) {
    if (WaitForSingleObject(rProcess.hProcess, nTimeoutMs) != WAIT_OBJECT_0)
      TerminateProcess(rProcess.hProcess, 0xFFFFFFFF);
    WaitForSingleObject(rProcess.hProcess, INFINITE);
    DWORD nCode = 0xFFFFFFFF;
    GetExitCodeProcess(rProcess.hProcess, &nCode);
    rResult.nExitCode = nCode;
    CloseHandle(rProcess.hThread);
    CloseHandle(rProcess.hProcess);
  }
  rOut.join();
  rErr.join();
  return rResult;
}
