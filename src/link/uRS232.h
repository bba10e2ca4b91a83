// Serial port channel: opens a port with the logger's one line setting and offers the
// handful of calls the frame and line exchanges need. One interface, one back end per
// platform (uRS232_posix.cpp, uRS232_win32.cpp), chosen by the build.
#pragma once

#include "link/uPortHolders.h"

#include <cstdint>
#include <optional>
#include <string>

using TPortHandle = std::intptr_t;

// No port open. On Win32 this is INVALID_HANDLE_VALUE, on POSIX an impossible descriptor.
constexpr TPortHandle cINVALID_PORT = -1;

// Opens sName ("COM5" on Windows; "ttyUSB0" or "/dev/pts/3" on POSIX: a name without "/" is
// looked for under /dev/) at iBaud, 8N1, raw, no flow control, exclusively; RTS low, DTR
// asserted last. Returns cINVALID_PORT on any failure (the port is closed again then), and
// on POSIX also when another process holds the port open, without opening it. Why it failed
// is kept for LastOpenFailure. On Linux a port whose driver offers it (a USB serial adapter)
// is put into low-latency mode until it is closed; a port that refuses stays as it was.
TPortHandle OpenPort(const std::string& sName, std::int32_t iBaud);

// Why an open failed, in the terms the operator can act on.
enum class TOpenFault : std::uint8_t {
  NoDevice,  // there is no such port (or no name was given)
  NoAccess,  // the user may not open it
  InUse,     // another program holds it
  NotSerial, // it opened, but it is no serial port
  Other      // anything else: the failed call and the system's text tell
};

// Who may open a device, for a refused open (POSIX).
struct TDeviceAccess {
  std::string sUser;  // the user this process runs as
  std::string sOwner; // the device's owner and group, empty when unknown
  std::string sGroup;
  std::uint32_t nMode = 0;      // permission bits, 0640 and the like
  bool bUserInGroup = false;    // the group database puts the user in sGroup
  bool bProcessInGroup = false; // this process has sGroup (a new login may be needed)
};

struct TOpenFailure {
  TOpenFault eFault = TOpenFault::Other;
  std::string sDevice;    // what was opened: "/dev/ttyUSB0", "COM5"
  std::string sCall;      // the call that failed: "open", "flock", "tcsetattr", "CreateFileW"
  int nError = 0;         // errno or GetLastError(); 0 when no call failed
  std::string sErrorText; // the system's text of nError
  std::vector<TPortHolder> aHolders; // InUse: the other processes seen holding it (Linux)
  bool bHoldersUnseen = false;       // InUse: some processes could not be looked at
  TDeviceAccess rAccess;             // NoAccess (POSIX)
  std::string sUsbId; // "0403:6001": vendor and product when the port is a USB adapter (Linux)
};

// Why the latest OpenPort(sName) of this process failed: nothing when it succeeded (or no
// open of that name failed yet). The worker reports a failed open only as failure 10; a front
// end asks here after that notification.
std::optional<TOpenFailure> LastOpenFailure(const std::string& sName);

// Closes a handle that OpenPort returned. The result is not examined.
void ClosePortHandle(TPortHandle hPort);

// Each returns false when the platform call failed (a hang-up counts as a failure).
bool ClearPortErrors(TPortHandle hPort); // ClearCommError
// Discards what waits to be read (a late answer). Never what was written: that has either
// left or been cancelled by WritePort at its deadline.
bool PurgePort(TPortHandle hPort); // PurgeComm(PURGE_RXCLEAR)

// Writes n bytes and waits until they have left the computer; gives up after n ms (POSIX:
// plus the bytes' time on the line) with a short count. nDone is how many left.
bool WritePort(TPortHandle hPort, const std::uint8_t* pData, std::uint32_t n, std::uint32_t& nDone);

// Reads n bytes; returns after n bytes or after n + 200 ms with what came (maybe nothing,
// which is no failure).
bool ReadPort(TPortHandle hPort, std::uint8_t* pData, std::uint32_t n, std::uint32_t& nDone);

// Optional byte trace ("--trace FILE"): every byte written to and read from any port, with
// a time stamp. Off unless opened. Returns false when the file cannot be created.
bool OpenPortTrace(const std::string& sFile);
void ClosePortTrace();
