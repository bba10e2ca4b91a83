// Serial port channel: opens a port with the logger's one line setting and offers the
// handful of calls the frame and line exchanges need. One interface, one back end per
// platform (uRS232_posix.cpp, uRS232_win32.cpp), chosen by the build.
#pragma once

#include <cstdint>
#include <string>

using TPortHandle = std::intptr_t;

// No port open. On Win32 this is INVALID_HANDLE_VALUE, on POSIX an impossible descriptor.
constexpr TPortHandle cINVALID_PORT = -1;

// Opens sName ("COM5" on Windows; "ttyUSB0" or "/dev/pts/3" on POSIX: a name without "/" is
// looked for under /dev/) at iBaud, 8N1, raw, no flow control, exclusively; RTS low, DTR
// asserted last. Returns cINVALID_PORT on any failure (the port is closed again then), and
// on POSIX also when another process holds the port open, without opening it.
TPortHandle OpenPort(const std::string& sName, std::int32_t iBaud);

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
