// What the system says about a serial device apart from opening it (Linux): who may open it,
// and which USB adapter it is. For telling the operator why an open failed.
#pragma once

#include "link/uRS232.h"

#include <string>

// The device's owner, group and mode, and whether the user of this process is in its group.
// Fields stay empty when the device cannot be looked at.
TDeviceAccess DeviceAccessOf(const std::string& sPath);

// "0403:6001": the USB vendor and product of the adapter the device belongs to, from sysfs;
// empty when it is no USB device (a pseudo-terminal, a built-in port) or sysfs does not say.
std::string UsbIdOf(const std::string& sPath);
