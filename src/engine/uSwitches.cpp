#include "engine/uSwitches.h"

// Defaults of the normal mode; only the options of the internal mode and "mf:" change them.
std::int32_t gnAccessLevel = 0;
bool gbMatchClass = true;
bool gbRequireServedClass = true;
bool gbMatchPlatform = true;
bool gbClearsMeasurements = false;

void ResetSwitches() {
  gnAccessLevel = 0;
  gbMatchClass = true;
  gbRequireServedClass = true;
  gbMatchPlatform = true;
  gbClearsMeasurements = false;
}
