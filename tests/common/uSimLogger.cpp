// Reads an Intel-HEX file into a byte map, independently of the codec under test; the parts
// of the simulator fixture that are the same on every platform.
#include <deque>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>

#include "uSimLogger.h"

#include <gtest/gtest.h>

namespace {

int HexValue(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  return -1;
}

std::vector<std::uint8_t> LineBytes(const std::string& sLine) {
  if (sLine.size() < 11 || sLine[0] != ':' || sLine.size() % 2 == 0)
    throw std::runtime_error("not an Intel-HEX record: \"" + sLine + "\"");
  std::vector<std::uint8_t> aBytes;
  unsigned nSum = 0;
  for (std::size_t i = 1; i + 1 < sLine.size(); i += 2) {
    const int nHigh = HexValue(sLine[i]);
    const int nLow = HexValue(sLine[i + 1]);
    if (nHigh < 0 || nLow < 0) throw std::runtime_error("bad digit in \"" + sLine + "\"");
    aBytes.push_back(static_cast<std::uint8_t>(nHigh * 16 + nLow));
    nSum += aBytes.back();
  }
  if (aBytes.size() != aBytes[0] + 5u) throw std::runtime_error("bad length: \"" + sLine + "\"");
  if ((nSum & 0xFF) != 0) throw std::runtime_error("bad checksum: \"" + sLine + "\"");
  return aBytes;
}

} // namespace

std::map<std::uint32_t, std::uint8_t> ParseIntelHex(const std::string& sText) {
  std::map<std::uint32_t, std::uint8_t> aFlash;
  std::istringstream Input(sText);
  std::string sLine;
  std::uint32_t nBase = 0;
  while (std::getline(Input, sLine)) {
    if (!sLine.empty() && sLine.back() == '\r') sLine.pop_back();
    if (sLine.empty()) continue;
    const std::vector<std::uint8_t> aBytes = LineBytes(sLine);
    const std::uint32_t nAddress = aBytes[1] * 256u + aBytes[2];
    switch (aBytes[3]) {
    case 0x00:
      for (std::size_t i = 0; i < aBytes[0]; ++i)
        aFlash[nBase + nAddress + static_cast<std::uint32_t>(i)] = aBytes[4 + i];
      break;
    case 0x01:
      return aFlash;
    case 0x02:
      if (aBytes[0] != 2) throw std::runtime_error("bad type 02 record: \"" + sLine + "\"");
      nBase = (aBytes[4] * 256u + aBytes[5]) * 16u;
      break;
    case 0x04:
      if (aBytes[0] != 2) throw std::runtime_error("bad type 04 record: \"" + sLine + "\"");
      nBase = (aBytes[4] * 256u + aBytes[5]) << 16;
      break;
    default:
      break; // start addresses carry no bytes
    }
  }
  return aFlash;
}

// The same on every platform: only where the simulator writes its flash file differs.
std::map<std::uint32_t, std::uint8_t> TSimLogger::ReadFlash() {
  Stop();
  std::ifstream File(FlashOutPath(), std::ios::binary);
  if (!File) throw std::runtime_error("no flash file " + FlashOutPath());
  std::ostringstream Text;
  Text << File.rdbuf();
  return ParseIntelHex(Text.str());
}

bool (*gpSimTestFailed)() = [] { return ::testing::Test::HasFailure(); };

std::string TSimLogger::TraceTail(std::size_t nLines) const {
  std::ifstream File(TracePath());
  std::deque<std::string> slTail;
  for (std::string sLine; std::getline(File, sLine);) {
    slTail.push_back(sLine);
    if (slTail.size() > nLines) slTail.pop_front();
  }
  std::string sText;
  for (const std::string& sLine : slTail)
    sText += sLine + "\n";
  return sText;
}

void TSimLogger::ReportIfTestFailed() const {
  constexpr std::size_t cTAIL_LINES = 40;
  if (gpSimTestFailed == nullptr || !gpSimTestFailed()) return;
  std::cerr << "--- what the simulated logger on " << FsPort << " saw last (" << TracePath()
            << "):\n"
            << TraceTail(cTAIL_LINES) << "---" << std::endl;
}
