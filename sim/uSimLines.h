// Hex lines as the bootloader sees them: decoding requests, building answers, spoiling them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "uSimFaults.h"

struct TSimRecord {
  std::uint16_t nAddress = 0;
  std::uint8_t byType = 0;
  std::vector<std::uint8_t> aData;
};

// Decodes one complete upper-case hex line with a correct checksum. False otherwise.
bool DecodeSimLine(const std::string& sLine, TSimRecord& Record);

// The hex line of a record (upper-case digits, correct checksum). At most 64 data bytes.
std::string EncodeSimLine(const TSimRecord& Record);

// Changes a correct answer line as the fault asks: Short drops the last character, Crc makes
// the checksum wrong, Noise puts cSIM_NOISE before it, Echo changes the first data digit and makes
// the checksum fit again.
void ApplyLineFault(TFaultKind Kind, std::string& sAnswer);
