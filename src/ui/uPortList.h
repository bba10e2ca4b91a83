// Serial port discovery: the virtual COM ports of the USB-serial adapters the logger is
// reached through. One back end per platform (uPortList_posix.cpp, uPortList_win32.cpp).
#pragma once

#include <string>
#include <vector>

// Replaces Strings with the port names, in the system's enumeration order.
void FillPortList(std::vector<std::string>& Strings);
