// libFuzzer target: the firmware file reader on any bytes. The header reader either fills the
// header or raises EFwFile; the image lines never hold "=" or a line feed; a line the reader
// accepts is decoded by the engine's record decoder as a 64-byte data record.
#include "catalogue/uFwFileLines.h"
#include "catalogue/uFwHeader.h"
#include "catalogue/uHeaderInteger.h"
#include "link/uFlash.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
  const std::string sText(reinterpret_cast<const char*>(pData), nSize);

  std::istringstream stream(sText);
  TBl3FileHeader header;
  try {
    if (!ReadFwFileHeader(stream, header)) std::abort();
    if (header.tarv_bl != 2 && header.tarv_bl != 3 && header.tarv_bl != cUNKNOWN) std::abort();
  } catch (const EFwFile&) {
    // a bad header value: the expected failure
  }

  for (const std::string& sLine : FwImageLines(sText)) {
    if (sLine.find_first_of("=\n") != std::string::npos) std::abort();
    // A line the file reader lets through is one that programming sends whole: the end
    // record, or a 64-byte data record that the record decoder takes.
    if (UnprogrammableLine(sLine) || sLine == ":00000001FF") continue;
    gsLine = sLine;
    if (!ParseRecordLine() || gaRecord[0] != 64 || gaRecord[3] != 0) std::abort();
  }

  // The integer conversion on the whole input as one value.
  std::int32_t nValue = 0;
  std::string sReason;
  if (HeaderInteger(sText, nValue, sReason) == sReason.empty()) return 0;
  std::abort();
}
