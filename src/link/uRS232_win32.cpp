// Serial port channel on Win32 communications: a synchronous (non-overlapped) handle with the
// driver's time-outs doing the waiting, so a read of n bytes returns after n bytes or after
// n + 200 ms, and a write of n bytes gives up after n ms.
#include "link/uRS232_internal.h"
#include "link/uWideText.h"

#include <windows.h>

namespace {

HANDLE Handle(TPortHandle hPort) {
  return reinterpret_cast<HANDLE>(hPort);
}

TPortHandle PortOf(HANDLE h) {
  return reinterpret_cast<TPortHandle>(h);
}

// Notes a failed call and its error code in the byte trace.
void TraceFailure(TPortHandle hPort, const char* sCall) {
  if (PortTraceOn())
    TracePortEvent(hPort, std::string(sCall) + " failed: error " + std::to_string(GetLastError()));
}

// The logger's line: built from nothing (the port's previous setting is not read first).
DCB LineSetting(std::int32_t iBaud) {
  DCB dcb{};
  dcb.DCBlength = sizeof(DCB);
  dcb.BaudRate = static_cast<DWORD>(iBaud);
  dcb.fBinary = 1;                       // the only flag set
  dcb.fDtrControl = DTR_CONTROL_DISABLE; // DTR low until the last step raises it
  dcb.fRtsControl = RTS_CONTROL_DISABLE; // RTS stays low
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.XonChar = dcb.XoffChar = dcb.ErrorChar = dcb.EofChar = dcb.EvtChar = 0x20; // unused
  return dcb;
}

// The call of the configuration that failed, nothing when all of it worked.
const char* Configure(HANDLE h, std::int32_t iBaud) {
  DCB dcb = LineSetting(iBaud);
  if (!SetCommState(h, &dcb)) return "SetCommState";
  if (!SetupComm(h, 1000, 1000)) return "SetupComm";
  // n bytes or n + 200 ms for a read, n ms for a write.
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = 0;
  timeouts.ReadTotalTimeoutMultiplier = 1;
  timeouts.ReadTotalTimeoutConstant = 200;
  timeouts.WriteTotalTimeoutMultiplier = 1;
  timeouts.WriteTotalTimeoutConstant = 0;
  if (!SetCommTimeouts(h, &timeouts)) return "SetCommTimeouts";
  // DTR last. A port without modem lines (wine on a pseudo-terminal) answers "not
  // supported": that is no fault, as ENOTTY is none on POSIX.
  if (EscapeCommFunction(h, SETDTR) || GetLastError() == ERROR_NOT_SUPPORTED) return nullptr;
  return "EscapeCommFunction";
}

// The system's text of an error code, without its line end.
std::string SystemText(DWORD nError) {
  wchar_t* pText = nullptr;
  const DWORD nChars = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, nError, 0, reinterpret_cast<wchar_t*>(&pText), 0, nullptr);
  std::wstring sText = nChars > 0 && pText != nullptr ? std::wstring(pText, nChars) : L"";
  if (pText != nullptr) LocalFree(pText);
  while (!sText.empty() && (sText.back() == L'\n' || sText.back() == L'\r' || sText.back() == L' '))
    sText.pop_back();
  if (sText.empty()) return "error " + std::to_string(nError);
  return Utf8(sText);
}

TOpenFailure FailureOf(const std::string& sName, const char* sCall, DWORD nError) {
  TOpenFailure rFailure;
  switch (nError) {
  case ERROR_FILE_NOT_FOUND:
  case ERROR_PATH_NOT_FOUND:
  case ERROR_INVALID_NAME:
    rFailure.eFault = TOpenFault::NoDevice;
    break;
  case ERROR_ACCESS_DENIED: // what a COM port that another program has open answers
  case ERROR_SHARING_VIOLATION:
    rFailure.eFault = TOpenFault::InUse;
    break;
  default:
    rFailure.eFault = TOpenFault::Other;
    break;
  }
  if (sName.empty()) rFailure.eFault = TOpenFault::NoDevice; // the bare prefix: no port named
  rFailure.sDevice = sName;
  rFailure.sCall = sCall;
  rFailure.nError = static_cast<int>(nError);
  rFailure.sErrorText = SystemText(nError);
  return rFailure;
}

} // namespace

TPortHandle OpenPort(const std::string& sName, std::int32_t iBaud) {
  // A name that is not UTF-8 leaves the path without a name: the open then fails.
  const std::wstring sPath = L"\\\\.\\" + WideStrict(sName);
  // Share mode 0: the port is held exclusively while open.
  const HANDLE h = CreateFileW(sPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    return OpenFailed(sName, FailureOf(sName, "CreateFileW", GetLastError()));
  if (const char* sCall = Configure(h, iBaud)) {
    const DWORD nError = GetLastError();
    CloseHandle(h);
    TOpenFailure rFailure = FailureOf(sName, sCall, nError);
    rFailure.eFault = TOpenFault::Other; // the port is there and ours: it refused a setting
    return OpenFailed(sName, std::move(rFailure));
  }
  OpenSucceeded(sName);
  TracePortEvent(PortOf(h), "open " + sName);
  return PortOf(h);
}

void ClosePortHandle(TPortHandle hPort) {
  if (hPort == cINVALID_PORT) return;
  TracePortEvent(hPort, "close");
  CloseHandle(Handle(hPort));
}

bool ClearPortErrors(TPortHandle hPort) {
  DWORD nErrors = 0;
  COMSTAT stat{};
  if (ClearCommError(Handle(hPort), &nErrors, &stat)) return true;
  TraceFailure(hPort, "ClearCommError");
  return false;
}

bool PurgePort(TPortHandle hPort) {
  // Receive side only. A synchronous WriteFile has returned, but the bytes may still sit in
  // the adapter (an FTDI chip's buffer) or, under wine, in a pseudo-terminal: clearing the
  // transmit side would throw away the frame just written.
  if (PurgeComm(Handle(hPort), PURGE_RXCLEAR)) return true;
  TraceFailure(hPort, "PurgeComm");
  return false;
}

bool WritePort(TPortHandle hPort, const std::uint8_t* pData, std::uint32_t n,
               std::uint32_t& nDone) {
  DWORD nWritten = 0;
  const BOOL bOk = WriteFile(Handle(hPort), pData, n, &nWritten, nullptr);
  nDone = bOk ? nWritten : 0;
  if (!bOk) {
    TraceFailure(hPort, "WriteFile");
    return false;
  }
  TracePortBytes(hPort, TTraceDir::Out, pData, nDone);
  return true;
}

bool ReadPort(TPortHandle hPort, std::uint8_t* pData, std::uint32_t n, std::uint32_t& nDone) {
  DWORD nRead = 0;
  const BOOL bOk = ReadFile(Handle(hPort), pData, n, &nRead, nullptr);
  nDone = bOk ? nRead : 0;
  if (!bOk) {
    TraceFailure(hPort, "ReadFile");
    return false;
  }
  TracePortBytes(hPort, TTraceDir::In, pData, nDone);
  return true;
}
