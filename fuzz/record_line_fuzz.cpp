// libFuzzer target: ParseRecordLine on any bytes. A line it accepts must build back into the
// same line, and the record it leaves must stay within its 64 data bytes.
#include "link/uFlash.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
  gsLine.assign(reinterpret_cast<const char*>(pData), nSize);
  const std::string sInput = gsLine;
  if (!ParseRecordLine()) return 0;
  if (gaRecord[0] > cMAX_RECORD_DATA) std::abort();
  if (sInput.size() != 2u * gaRecord[0] + 11u) std::abort();
  if (!BuildRecordLine() || gsLine != sInput) std::abort();
  return 0;
}
