#include "uSimLines.h"

#include "link/uConvert1V0.h"
#include "link/uFlash.h"

bool DecodeSimLine(const std::string& sLine, TSimRecord& Record) {
  gsLine = sLine;
  if (!ParseRecordLine()) return false;
  const std::uint8_t nCount = gaRecord[0];
  Record.nAddress = MakeWord(gaRecord[1], gaRecord[2]);
  Record.byType = gaRecord[3];
  Record.aData.assign(gaRecord.begin() + 4, gaRecord.begin() + 4 + nCount);
  return true;
}

std::string EncodeSimLine(const TSimRecord& Record) {
  gaRecord[0] = static_cast<std::uint8_t>(Record.aData.size());
  gaRecord[1] = static_cast<std::uint8_t>(Record.nAddress >> 8);
  gaRecord[2] = static_cast<std::uint8_t>(Record.nAddress & 0xFF);
  gaRecord[3] = Record.byType;
  for (std::size_t i = 0; i < Record.aData.size() && i < cMAX_RECORD_DATA; ++i)
    gaRecord[4 + i] = Record.aData[i];
  if (Record.aData.size() > cMAX_RECORD_DATA || !BuildRecordLine()) return std::string();
  return gsLine;
}

void ApplyLineFault(TFaultKind Kind, std::string& sAnswer) {
  if (sAnswer.size() < 11) return;
  switch (Kind) {
  case TFaultKind::Short:
    sAnswer.pop_back();
    break;
  case TFaultKind::Noise:
    sAnswer.insert(0, cSIM_NOISE);
    break;
  case TFaultKind::Crc: {
    // Any other last digit makes the bytes add up to something other than 0.
    char& chLast = sAnswer.back();
    chLast = chLast == '0' ? '1' : '0';
    break;
  }
  case TFaultKind::Echo: {
    TSimRecord Record;
    if (!DecodeSimLine(sAnswer, Record) || Record.aData.empty()) return;
    Record.aData[0] ^= 0x10; // the first data digit differs, the checksum is made to fit
    sAnswer = EncodeSimLine(Record);
    break;
  }
  default:
    break;
  }
}
