// Arrival and removal of serial ports on Linux: the kernel's uevents on a netlink socket
// (these arrive without udevd). Free of the GUI toolkit; the window watches the descriptor.
#pragma once

#include <cstddef>

// A non-blocking socket that receives the kernel's uevents; -1 when none can be opened.
int OpenPortWatch();
void ClosePortWatch(int fd);

// True when the datagram (nLen bytes, fields separated by NUL) reports that a tty was added
// or removed: ACTION=add or ACTION=remove with SUBSYSTEM=tty.
bool IsPortChangeUevent(const char* pData, std::size_t nLen);

// Reads every datagram waiting on fd; true when one of them was a tty arrival or removal, or
// when the kernel reports that uevents were lost (the list may have changed).
bool ReadPortChanges(int fd);
