// libFuzzer target: the settings file reader (the internal mode's store outside Windows) on
// any text. Besides never failing, it must see sections and the last value as an INI reader
// does: a later section of another name hides what follows, a later value in [General] wins.
#include "ui/uOptions_posix.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

std::optional<std::int32_t> Read(const std::string& sText) {
  std::istringstream rStream(sText);
  return InternValueFromSettings(rStream);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
  const std::string sText(reinterpret_cast<const char*>(pData), nSize);
  const std::optional<std::int32_t> nValue = Read(sText);
  if (nValue && sText.find("intern") == std::string::npos) std::abort();
  if (Read(sText + "\n[Other]\nintern=5\n") != nValue) std::abort();
  if (Read(sText + "\n[General]\nintern=77\n") != 77) std::abort();
  return 0;
}
