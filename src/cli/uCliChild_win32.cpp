#include "cli/uCliChild.h"

#include "link/uWideText.h"

#include <windows.h>

#include <psapi.h>

namespace {

// One argument quoted so that the C runtime of the child splits it back out unchanged.
std::wstring Quoted(const std::wstring& sArg) {
  if (!sArg.empty() && sArg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return sArg;
  std::wstring sOut = L"\"";
  std::size_t nSlashes = 0;
  for (wchar_t ch : sArg) {
    if (ch == L'\\') {
      ++nSlashes;
      continue;
    }
    sOut.append(ch == L'"' ? nSlashes * 2 + 1 : nSlashes, L'\\');
    nSlashes = 0;
    sOut.push_back(ch);
  }
  sOut.append(nSlashes * 2, L'\\');
  return sOut + L"\"";
}

HANDLE AsHandle(std::intptr_t h) {
  return reinterpret_cast<HANDLE>(h);
}

void CloseIfOpen(std::intptr_t& h) {
  if (h != -1) {
    CloseHandle(AsHandle(h));
    h = -1;
  }
}

double Seconds(const FILETIME& rTime) {
  ULARGE_INTEGER n;
  n.LowPart = rTime.dwLowDateTime;
  n.HighPart = rTime.dwHighDateTime;
  return static_cast<double>(n.QuadPart) / 1e7; // units of 100 ns
}

} // namespace

TChildProcess::TChildProcess(const std::string& sProgram, const std::vector<std::string>& slArgs) {
  // Made without inheritance; the child's two ends are made inheritable for its creation
  // only (every child is started from the same thread).
  HANDLE hInRead = nullptr, hInWrite = nullptr, hOutRead = nullptr, hOutWrite = nullptr;
  if (!CreatePipe(&hInRead, &hInWrite, nullptr, 0)) {
    throw std::runtime_error("cannot make a pipe");
  }
  if (!CreatePipe(&hOutRead, &hOutWrite, nullptr, 0)) {
    CloseHandle(hInRead);
    CloseHandle(hInWrite);
    throw std::runtime_error("cannot make a pipe");
  }
  SetHandleInformation(hInRead, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  SetHandleInformation(hOutWrite, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);

  std::wstring sLine = Quoted(Wide(sProgram));
  for (const std::string& sArg : slArgs) {
    sLine += L" " + Quoted(Wide(sArg));
  }
  STARTUPINFOEXW rStart{};
  rStart.StartupInfo.cb = sizeof(rStart);
  rStart.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  rStart.StartupInfo.hStdInput = hInRead;
  rStart.StartupInfo.hStdOutput = hOutWrite;
  rStart.StartupInfo.hStdError = hOutWrite;
  // The child inherits these two and nothing else that this process may hold inheritable
  // (its own standard handles, say).
  HANDLE aInherit[] = {hInRead, hOutWrite};
  SIZE_T nListSize = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &nListSize);
  std::vector<unsigned char> aList(nListSize);
  auto* pList = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(aList.data());
  DWORD nFlags = CREATE_NO_WINDOW;
  if (InitializeProcThreadAttributeList(pList, 1, 0, &nListSize) &&
      UpdateProcThreadAttribute(pList, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, aInherit,
                                sizeof(aInherit), nullptr, nullptr)) {
    rStart.lpAttributeList = pList;
    nFlags |= EXTENDED_STARTUPINFO_PRESENT;
  }
  PROCESS_INFORMATION rProcess{};
  // Without a console: Ctrl+C reaches only this process, which cancels every port through
  // its standard input.
  const BOOL bStarted = CreateProcessW(Wide(sProgram).c_str(), sLine.data(), nullptr, nullptr, TRUE,
                                       nFlags, nullptr, nullptr, &rStart.StartupInfo, &rProcess);
  const DWORD nError = GetLastError();
  if (rStart.lpAttributeList != nullptr) {
    DeleteProcThreadAttributeList(rStart.lpAttributeList);
  }
  CloseHandle(hInRead);
  CloseHandle(hOutWrite);
  if (!bStarted) {
    CloseHandle(hInWrite);
    CloseHandle(hOutRead);
    throw std::runtime_error("cannot start " + sProgram + " (error " + std::to_string(nError) +
                             ")");
  }
  CloseHandle(rProcess.hThread);
  FhProcess = reinterpret_cast<std::intptr_t>(rProcess.hProcess);
  FhInput = reinterpret_cast<std::intptr_t>(hInWrite);
  FhOutput = reinterpret_cast<std::intptr_t>(hOutRead);
}

TChildProcess::~TChildProcess() {
  if (!FbWaited && FhProcess != -1) {
    TerminateProcess(AsHandle(FhProcess), 1);
    Wait();
  }
  CloseIfOpen(FhInput);
  CloseIfOpen(FhOutput);
  CloseIfOpen(FhProcess);
}

std::size_t TChildProcess::Read(char* pBuffer, std::size_t nSize) {
  DWORD nRead = 0;
  if (!ReadFile(AsHandle(FhOutput), pBuffer, static_cast<DWORD>(nSize), &nRead, nullptr)) {
    return 0; // ERROR_BROKEN_PIPE: the child has closed its end
  }
  return nRead;
}

void TChildProcess::CloseInput() {
  CloseIfOpen(FhInput);
}

TChildEnd TChildProcess::Wait() {
  TChildEnd rEnd;
  if (FbWaited) {
    return rEnd;
  }
  const HANDLE hProcess = AsHandle(FhProcess);
  WaitForSingleObject(hProcess, INFINITE);
  FbWaited = true;
  DWORD nCode = 1;
  if (GetExitCodeProcess(hProcess, &nCode)) {
    rEnd.nExitCode = static_cast<int>(nCode);
  }
  FILETIME tCreated{}, tExited{}, tKernel{}, tUser{};
  if (GetProcessTimes(hProcess, &tCreated, &tExited, &tKernel, &tUser)) {
    rEnd.dCpuSeconds = Seconds(tKernel) + Seconds(tUser);
  }
  PROCESS_MEMORY_COUNTERS rMemory{};
  if (K32GetProcessMemoryInfo(hProcess, &rMemory, sizeof(rMemory))) {
    rEnd.nPeakMemoryKib = rMemory.PeakWorkingSetSize / 1024;
  }
  return rEnd;
}

std::string OwnProgramPath(const std::string& sArgument0) {
  std::wstring sPath(MAX_PATH, L'\0');
  for (;;) {
    const DWORD nLen = GetModuleFileNameW(nullptr, sPath.data(), static_cast<DWORD>(sPath.size()));
    if (nLen == 0) return sArgument0;
    if (nLen < sPath.size()) {
      sPath.resize(nLen);
      return Utf8(sPath);
    }
    sPath.resize(sPath.size() * 2);
  }
}
