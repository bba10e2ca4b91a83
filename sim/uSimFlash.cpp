#include "uSimFlash.h"

#include <fstream>

#include "uSimLines.h"

namespace {

constexpr std::size_t cHEX_RECORD_BYTES = 32;
constexpr std::uint8_t cTYPE_DATA = 0x00;
constexpr std::uint8_t cTYPE_END = 0x01;
constexpr std::uint8_t cTYPE_EXT_LINEAR = 0x04;

} // namespace

void TSimFlash::Write(std::uint32_t nAddress, const std::vector<std::uint8_t>& aData) {
  for (std::size_t i = 0; i < aData.size(); ++i)
    FaBytes[nAddress + static_cast<std::uint32_t>(i)] = aData[i];
}

std::string TSimFlash::ToIntelHex() const {
  std::string sText;
  std::uint32_t nSegment = 0;
  auto It = FaBytes.begin();
  while (It != FaBytes.end()) {
    const std::uint32_t nStart = It->first;
    if ((nStart >> 16) != nSegment) {
      nSegment = nStart >> 16;
      TSimRecord Ext{
          0,
          cTYPE_EXT_LINEAR,
          {static_cast<std::uint8_t>(nSegment >> 8), static_cast<std::uint8_t>(nSegment & 0xFF)}};
      sText += EncodeSimLine(Ext) + "\n";
    }
    // One record: consecutive addresses within the same 64 KiB segment.
    TSimRecord Data{static_cast<std::uint16_t>(nStart & 0xFFFF), cTYPE_DATA, {}};
    std::uint32_t nNext = nStart;
    while (It != FaBytes.end() && It->first == nNext && (nNext >> 16) == nSegment &&
           Data.aData.size() < cHEX_RECORD_BYTES) {
      Data.aData.push_back(It->second);
      ++It;
      ++nNext;
    }
    sText += EncodeSimLine(Data) + "\n";
  }
  sText += ":00000001FF\n";
  return sText;
}

bool TSimFlash::Load(const std::string& sPath) {
  FaBytes.clear();
  std::ifstream File(sPath, std::ios::binary);
  if (!File) return false;
  std::uint32_t nSegment = 0;
  for (std::string sLine; std::getline(File, sLine);) {
    if (!sLine.empty() && sLine.back() == '\r') sLine.pop_back();
    if (sLine.empty()) continue;
    TSimRecord Record;
    if (!DecodeSimLine(sLine, Record)) break;
    if (Record.byType == cTYPE_END) return true;
    if (Record.byType == cTYPE_EXT_LINEAR && Record.aData.size() == 2) {
      nSegment = (Record.aData[0] * 256u + Record.aData[1]) << 16;
      continue;
    }
    if (Record.byType != cTYPE_DATA) break;
    Write(nSegment + Record.nAddress, Record.aData);
  }
  FaBytes.clear(); // no end record, or a line that is not ours
  return false;
}

bool TSimFlash::Save(const std::string& sPath) const {
  std::ofstream File(sPath, std::ios::binary | std::ios::trunc);
  if (!File) return false;
  File << ToIntelHex();
  File.flush();
  return static_cast<bool>(File);
}
