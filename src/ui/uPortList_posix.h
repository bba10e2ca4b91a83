// The Linux side of serial port discovery: the sysfs tree it reads is a parameter, so a fake
// tree can stand in for /sys.
#pragma once

#include <string>
#include <vector>

// Replaces Strings with "<sDevDir>/<name>" for every tty under sSysRoot/class/tty whose device
// is served by the ftdi_sio USB serial driver, in the kernel's enumeration order (natural order
// of the names: ttyUSB2 before ttyUSB10).
void FillPortListFrom(const std::string& sSysRoot, std::vector<std::string>& Strings,
                      const std::string& sDevDir = "/dev");

// True when sLeft comes before sRight in natural order: runs of digits compare as numbers.
bool NaturalLess(const std::string& sLeft, const std::string& sRight);
