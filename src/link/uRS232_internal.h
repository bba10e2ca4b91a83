// Internal helpers shared by the serial back ends (uRS232_posix.cpp, uRS232_win32.cpp).
// Not part of the link's interface.
#pragma once

#include "link/uRS232.h"

#include <cstdint>
#include <string>

enum class TTraceDir : std::uint8_t { In, Out };

// True while a trace file is open; a relaxed atomic load, so the checks cost nothing when off.
bool PortTraceOn();

// Records bytes that went out to or came in from hPort, stamped with the time of the call.
// Call it once per chunk as the platform call delivers it. Does nothing when the trace is off.
void TracePortBytes(TPortHandle hPort, TTraceDir dir, const std::uint8_t* pData, std::uint32_t n);

// Records something that happened on the port (open, close, purge, hang-up, a failed call).
void TracePortEvent(TPortHandle hPort, const std::string& sWhat);

// Keeps why the open of sName failed, for LastOpenFailure; returns cINVALID_PORT. The trace
// notes it too.
TPortHandle OpenFailed(const std::string& sName, TOpenFailure rFailure);
// The open of sName succeeded: an earlier failure no longer stands.
void OpenSucceeded(const std::string& sName);
