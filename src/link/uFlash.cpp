// Intel-HEX record codec over the one record buffer and the one line buffer.
#include "link/uFlash.h"

#include "link/uConvert1V0.h"

std::array<std::uint8_t, cRECORD_SIZE> gaRecord{};
std::string gsLine;

namespace {

constexpr std::size_t cMIN_LINE = 11; // ":" + count, address, type, checksum

// Two characters at pText as one byte; false when either is not an upper-case hex digit.
bool HexByte(const char* pText, std::uint8_t& byValue) {
  std::uint8_t nHigh = 0;
  std::uint8_t nLow = 0;
  if (!HexDigit(pText[0], nHigh) || !HexDigit(pText[1], nLow)) return false;
  byValue = static_cast<std::uint8_t>(nHigh * 16 + nLow);
  return true;
}

} // namespace

bool BuildRecordLine() {
  gsLine.assign(1, ':');  // not = ":": GCC 12 at -O2 flags that with a false -Wrestrict
  const std::uint8_t nCount = gaRecord[0];
  if (nCount > cMAX_RECORD_DATA) return false;
  std::uint8_t bySum = 0;
  for (int i = 0; i < nCount + 4; ++i) {
    const std::uint8_t byValue = gaRecord[static_cast<std::size_t>(i)];
    gsLine += NibbleChar(static_cast<std::uint8_t>(byValue >> 4));
    gsLine += NibbleChar(byValue);
    bySum = static_cast<std::uint8_t>(bySum + byValue);
  }
  const auto byChecksum = static_cast<std::uint8_t>(0 - bySum);
  gsLine += NibbleChar(static_cast<std::uint8_t>(byChecksum >> 4));
  gsLine += NibbleChar(byChecksum);
  return true;
}

bool ParseRecordLine() {
  if (gsLine.size() < cMIN_LINE) return false;
  if (gsLine[0] != ':') return false;
  if (!HexByte(&gsLine[1], gaRecord[0])) return false;
  const std::uint8_t nCount = gaRecord[0];
  if (nCount > cMAX_RECORD_DATA) return false;
  if (gsLine.size() != 2U * nCount + cMIN_LINE) return false;
  // Address high, address low, type, data and checksum; earlier bytes stay stored on a bad digit.
  for (std::size_t k = 1; k <= nCount + 4U; ++k)
    if (!HexByte(&gsLine[2 * k + 1], gaRecord[k])) return false;
  std::uint8_t bySum = 0;
  for (std::size_t k = 0; k <= nCount + 4U; ++k)
    bySum = static_cast<std::uint8_t>(bySum + gaRecord[k]);
  return bySum == 0;
}

std::uint8_t LineChecksum(const char* pText, std::int32_t n) {
  std::uint8_t bySum = 0;
  for (std::int32_t i = 0; i < n; ++i) {
    // A character that is no hex digit counts as 0.
    std::uint8_t nHigh = 0;
    std::uint8_t nLow = 0;
    HexDigit(pText[2 * i], nHigh);
    HexDigit(pText[2 * i + 1], nLow);
    bySum = static_cast<std::uint8_t>(bySum + nHigh * 16 + nLow);
  }
  return static_cast<std::uint8_t>(0 - bySum);
}
