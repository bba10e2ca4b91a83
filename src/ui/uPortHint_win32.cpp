// Why a COM port would not open, in Windows terms.
#include "ui/uPortHint.h"

std::string PortHintText(const TOpenFailure& rFailure, const std::vector<std::string>& slPortsNow) {
  const std::string& sPort = rFailure.sDevice;
  switch (rFailure.eFault) {
  case TOpenFault::NoDevice:
    return (sPort.empty() ? std::string("No port was named.") : "There is no port " + sPort + ".") +
           " " + PortsNowText(slPortsNow);
  case TOpenFault::InUse:
    return sPort +
           " is in use by another program (a terminal program, or another copy of this tool). "
           "Close it and try again.";
  case TOpenFault::NoAccess:
  case TOpenFault::NotSerial:
  case TOpenFault::Other:
    break;
  }
  return Sentence("Opening " + sPort + " failed in " + rFailure.sCall + ": " + rFailure.sErrorText);
}
