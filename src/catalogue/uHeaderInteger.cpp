#include "catalogue/uHeaderInteger.h"

namespace {

int DigitValue(char ch, int nBase) {
  int nDigit = -1;
  if (ch >= '0' && ch <= '9')
    nDigit = ch - '0';
  else if (nBase == 16 && ch >= 'A' && ch <= 'F')
    nDigit = ch - 'A' + 10;
  else if (nBase == 16 && ch >= 'a' && ch <= 'f')
    nDigit = ch - 'a' + 10;
  return nDigit;
}

} // namespace

bool HeaderInteger(const std::string& sText, std::int32_t& nValue, std::string& sReason) {
  std::size_t nPos = 0;
  while (nPos < sText.size() && (sText[nPos] == ' ' || sText[nPos] == '\t'))
    ++nPos;
  if (nPos == sText.size()) {
    sReason = "is empty";
    return false;
  }
  bool bNegative = false;
  if (sText[nPos] == '+' || sText[nPos] == '-') {
    bNegative = sText[nPos] == '-';
    ++nPos;
  }
  int nBase = 10;
  if (nPos < sText.size() && sText[nPos] == '$') {
    nBase = 16;
    nPos += 1;
  } else if (nPos + 1 < sText.size() && sText[nPos] == '0' &&
             (sText[nPos + 1] == 'x' || sText[nPos + 1] == 'X')) {
    nBase = 16;
    nPos += 2;
  }
  if (nPos == sText.size()) {
    sReason = "is not a number";
    return false;
  }
  // Largest magnitude the sign and base allow.
  std::uint64_t nLimit = 0x7FFFFFFFu;
  if (nBase == 16)
    nLimit = bNegative ? 0x80000000u : 0xFFFFFFFFu;
  else if (bNegative)
    nLimit = 0x80000000u;
  std::uint64_t nMagnitude = 0;
  for (; nPos < sText.size(); ++nPos) {
    const int nDigit = DigitValue(sText[nPos], nBase);
    if (nDigit < 0) {
      sReason = "is not a number";
      return false;
    }
    nMagnitude =
        nMagnitude * static_cast<std::uint64_t>(nBase) + static_cast<std::uint64_t>(nDigit);
    if (nMagnitude > nLimit) {
      sReason = "is out of range";
      return false;
    }
  }
  // Two's complement on 32 bits: -1 is 0xFFFFFFFF, 0xFFFFFFFF is -1.
  const std::uint32_t nBits = bNegative ? static_cast<std::uint32_t>(0u - nMagnitude)
                                        : static_cast<std::uint32_t>(nMagnitude);
  nValue = static_cast<std::int32_t>(nBits);
  return true;
}
