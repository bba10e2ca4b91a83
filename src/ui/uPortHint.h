// What to tell the operator when a port would not open (failure 10): why, and what to do.
// The fixed failure text stays as it is; this comes after it. Free of the GUI toolkit, so the
// windows and the command line say the same. The wording is the platform's
// (uPortHint_posix.cpp, uPortHint_win32.cpp).
#pragma once

#include "link/uRS232.h"

#include <string>
#include <vector>

// The hint for the latest failed open of sPort in this process; empty when none is known.
// slPortsNow: the ports the port list shows now (named when the port does not exist).
std::string PortHint(const std::string& sPort, const std::vector<std::string>& slPortsNow);

// A window's final message of failure 10 with the hint as its second paragraph, so the
// operator sees it without the report window and the fixed text stays as it is. Lines break
// with "\r\n", as in the window's other texts. The message alone when there is no hint.
std::string MessageWithHint(const std::string& sMessage, const std::string& sHint);

// The hint for one failure, in the platform's words.
std::string PortHintText(const TOpenFailure& rFailure, const std::vector<std::string>& slPortsNow);

// "Serial ports there now: COM3, COM5." or, for none, a question whether the adapter is in.
std::string PortsNowText(const std::vector<std::string>& slPortsNow);

// sText ending with a full stop.
std::string Sentence(const std::string& sText);
