#include "ui/uOptions.h"

#include "engine/uSwitches.h"
#include "ui/uWinTools1V4.h"

bool IsInternalMode() {
  const std::optional<std::int32_t> nValue = ReadInternValue();
  return nValue.has_value() && *nValue == cACCESS_CODE;
}

void ApplyOptions(bool bInternal) {
  if (bInternal) {
    if (FindOption("cc:", "") == "-") {
      gbMatchClass = false;
    }
    if (FindOption("cf:", "") == "-") {
      gbRequireServedClass = false;
    }
    if (FindOption("cp:", "") == "-") {
      gbMatchPlatform = false;
    }
  }
  // The clearing switch works in every mode; both lookups find the same first "mf:".
  if (FindOption("mf:", "") == "+") {
    gbClearsMeasurements = true;
  }
  if (FindOption("mf:", "") == "-") {
    gbClearsMeasurements = false;
  }
  if (bInternal) {
    gnAccessLevel = 1;
    if (FindOption("f:", "-") == "+") {
      gnAccessLevel = 2;
    }
  }
}
