#include "catalogue/uFwFileLines.h"

namespace {

const std::string cUTF8_BOM = "\xEF\xBB\xBF";

} // namespace

void StripLineEnd(std::string& sLine) {
  if (!sLine.empty() && sLine.back() == '\r') sLine.pop_back();
}

void StripByteOrderMark(std::string& sLine) {
  if (sLine.starts_with(cUTF8_BOM)) sLine.erase(0, cUTF8_BOM.size());
}

std::vector<std::string> FwImageLines(const std::string& sText) {
  std::vector<std::string> aLines;
  std::size_t nStart = 0;
  bool bFirst = true;
  while (nStart < sText.size()) {
    std::size_t nEnd = sText.find('\n', nStart);
    if (nEnd == std::string::npos) nEnd = sText.size();
    std::string sLine = sText.substr(nStart, nEnd - nStart);
    StripLineEnd(sLine);
    if (bFirst) StripByteOrderMark(sLine);
    bFirst = false;
    if (sLine.find('=') == std::string::npos) aLines.push_back(std::move(sLine));
    nStart = nEnd + 1;
  }
  return aLines;
}
