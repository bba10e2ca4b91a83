// Process-wide switches, set once at start from the internal mode and the command line,
// read by the engine and the front ends.
#pragma once

#include <cstdint>

extern std::int32_t gnAccessLevel;   // 0 normal, 1 internal, 2 internal with file access
extern bool gbMatchClass;            // image class must equal the logger's update class
extern bool gbRequireServedClass;    // a logger in application mode must be 0x6601
extern bool gbMatchPlatform;         // image platform must equal the logger's platform
extern bool gbClearsMeasurements;    // the update clears the logger's measurements

// Back to the defaults above, as a process that starts over has them.
void ResetSwitches();
