#include "uSimUsage.h"

namespace {

bool DigitValue(char ch, unsigned nBase, unsigned& nValue) {
  if (ch >= '0' && ch <= '9')
    nValue = static_cast<unsigned>(ch - '0');
  else if (ch >= 'a' && ch <= 'f')
    nValue = static_cast<unsigned>(ch - 'a' + 10);
  else if (ch >= 'A' && ch <= 'F')
    nValue = static_cast<unsigned>(ch - 'A' + 10);
  else
    return false;
  return nValue < nBase;
}

} // namespace

std::uint32_t ParseSimNumber(const std::string& sText, std::uint32_t nMax,
                             const std::string& sWhat) {
  unsigned nBase = 10;
  std::size_t nPos = 0;
  if (sText.size() > 2 && sText[0] == '0' && (sText[1] == 'x' || sText[1] == 'X')) {
    nBase = 16;
    nPos = 2;
  }
  if (nPos >= sText.size())
    throw ESimUsage(sWhat + ": \"" + sText + "\" is not a number (decimal or 0x hex)");
  std::uint64_t nResult = 0;
  for (; nPos < sText.size(); ++nPos) {
    unsigned nDigit = 0;
    if (!DigitValue(sText[nPos], nBase, nDigit))
      throw ESimUsage(sWhat + ": \"" + sText + "\" is not a number (decimal or 0x hex)");
    nResult = nResult * nBase + nDigit;
    if (nResult > nMax)
      throw ESimUsage(sWhat + ": " + sText + " is above the largest value " + std::to_string(nMax));
  }
  return static_cast<std::uint32_t>(nResult);
}
