#include "catalogue/uFwFileLines.h"

#include "link/uConvert1V0.h"

namespace {

const std::string cUTF8_BOM = "\xEF\xBB\xBF";
const std::string cEND_RECORD = ":00000001FF";
constexpr std::size_t cDATA_COUNT = 64;
const std::string cONLY_DATA = "; only 64-byte data records can be programmed";

bool IsLowerHexDigit(char ch) {
  return ch >= 'a' && ch <= 'f';
}

// What a record of this type is, for a record that is not a 64-byte data record.
std::string RecordKind(std::uint8_t nType, std::uint8_t nCount) {
  switch (nType) {
  case 0x00:
    return std::to_string(nCount) + "-byte record";
  case 0x01:
    return "end record not written as " + cEND_RECORD;
  case 0x02:
    return "extended segment address record (type 02)";
  case 0x03:
    return "start segment address record (type 03)";
  case 0x04:
    return "extended linear address record (type 04)";
  case 0x05:
    return "start linear address record (type 05)";
  default:
    return std::string("record of type ") + NibbleChar(static_cast<std::uint8_t>(nType >> 4)) +
           NibbleChar(nType);
  }
}

// The bytes a record line spells, or why it is not one: ":" and upper-case hex digit pairs,
// count, address, type, data and checksum, the count matching the length, the sum 0.
std::optional<std::string> DecodeRecord(const std::string& sLine,
                                        std::vector<std::uint8_t>& aBytes) {
  if (sLine.empty()) return "empty line";
  if (sLine[0] != ':') return "not an Intel-HEX record (no ':' at the start)";
  bool bLowerCase = false;
  for (std::size_t i = 1; i < sLine.size(); ++i) {
    std::uint8_t nDigit = 0;
    if (IsLowerHexDigit(sLine[i]))
      bLowerCase = true;
    else if (!HexDigit(sLine[i], nDigit))
      return "not an Intel-HEX record (character " + std::to_string(i + 1) + " is no hex digit)";
  }
  if (bLowerCase) return "lower-case hex digits; records are read in upper case only";
  if (sLine.size() < cEND_RECORD.size() || sLine.size() % 2 == 0)
    return "not an Intel-HEX record (too short or an odd number of digits)";
  for (std::size_t i = 1; i + 1 < sLine.size(); i += 2) {
    std::uint8_t nHigh = 0;
    std::uint8_t nLow = 0;
    HexDigit(sLine[i], nHigh);
    HexDigit(sLine[i + 1], nLow);
    aBytes.push_back(static_cast<std::uint8_t>(nHigh * 16 + nLow));
  }
  if (aBytes.size() != aBytes[0] + 5u) return "the record's length does not match its count";
  std::uint8_t nSum = 0;
  for (const std::uint8_t nByte : aBytes)
    nSum = static_cast<std::uint8_t>(nSum + nByte);
  if (nSum != 0) return "the record's checksum is wrong";
  return std::nullopt;
}

} // namespace

void StripLineEnd(std::string& sLine) {
  if (!sLine.empty() && sLine.back() == '\r') sLine.pop_back();
}

void StripByteOrderMark(std::string& sLine) {
  if (sLine.starts_with(cUTF8_BOM)) sLine.erase(0, cUTF8_BOM.size());
}

std::vector<TFileLine> FwImageFileLines(const std::string& sText) {
  std::vector<TFileLine> aLines;
  std::size_t nStart = 0;
  std::int32_t nLine = 0;
  while (nStart < sText.size()) {
    std::size_t nEnd = sText.find('\n', nStart);
    if (nEnd == std::string::npos) nEnd = sText.size();
    std::string sLine = sText.substr(nStart, nEnd - nStart);
    StripLineEnd(sLine);
    if (++nLine == 1) StripByteOrderMark(sLine);
    if (sLine.find('=') == std::string::npos) aLines.push_back(TFileLine{std::move(sLine), nLine});
    nStart = nEnd + 1;
  }
  return aLines;
}

std::vector<std::string> FwImageLines(const std::string& sText) {
  std::vector<std::string> aLines;
  for (TFileLine& line : FwImageFileLines(sText))
    aLines.push_back(std::move(line.sText));
  return aLines;
}

std::optional<std::string> UnprogrammableLine(const std::string& sLine) {
  if (sLine == cEND_RECORD) return std::nullopt;
  std::vector<std::uint8_t> aBytes;
  if (const std::optional<std::string> sWhy = DecodeRecord(sLine, aBytes))
    return *sWhy + cONLY_DATA;
  const std::uint8_t nCount = aBytes[0];
  const std::uint8_t nType = aBytes[3];
  if (nType == 0x00 && nCount == cDATA_COUNT) return std::nullopt;
  return RecordKind(nType, nCount) + cONLY_DATA;
}
