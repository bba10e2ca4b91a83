// Arrival and removal of serial ports on Linux: the kernel's uevents on a netlink socket
// (these arrive without udevd). Free of the GUI toolkit; the window watches the descriptor.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// A non-blocking socket that receives the kernel's uevents; -1 when none can be opened.
int OpenPortWatch();
void ClosePortWatch(int fd);

// True when the datagram (nLen bytes, fields separated by NUL) reports that a tty was added
// or removed: ACTION=add or ACTION=remove with SUBSYSTEM=tty.
bool IsPortChangeUevent(const char* pData, std::size_t nLen);

// A tty arrival or removal: the device's name under /dev ("ttyUSB0"; DEVNAME, else the last
// part of the device path).
struct TPortUevent {
  bool bAdded = false;
  std::string sName;
};
std::optional<TPortUevent> ParsePortUevent(const char* pData, std::size_t nLen);

// Reads every datagram waiting on fd; true when one of them was a tty arrival or removal, or
// when the kernel reports that uevents were lost (the list may have changed).
bool ReadPortChanges(int fd);

// The same, keeping the tty arrivals and removals (appended to aEvents in their order);
// returns true when the kernel reports that uevents were lost.
bool ReadPortUevents(int fd, std::vector<TPortUevent>& aEvents);
