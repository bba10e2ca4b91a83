// The checks on what one run of the command line left behind. Each returns an empty text when
// all is well, else what is wrong.
#pragma once

#include "uSoakImage.h"

#include <string>

// A report of the address, undefined-behaviour, leak or thread sanitizer in sErr.
bool HasSanitizerReport(const std::string& sErr);

// Exactly one final outcome on stderr, and the one that goes with the exit status: the
// success text naming sVersion ("V6.20") for 0, the failure's text for its code, the note
// that the repeats ran out for 30 and 44. No other line on stderr. sPort: the port name that
// failure 10's text quotes.
std::string FinalReportProblem(int nExit, const std::string& sErr, const std::string& sVersion,
                               const std::string& sPort);

// After a success the flash holds exactly the image; after a failure it holds only bytes of
// the image, each where the image has it (a part, or all of it).
std::string FlashProblem(int nExit, const TFlashBytes& aFlash, const TFlashBytes& aImage);
