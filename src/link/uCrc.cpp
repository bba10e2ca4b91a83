// The two check values of the logger protocol.
#include "link/uCrc.h"

#include <array>

namespace {

// T[i] is the CRC-8/MAXIM-DOW of the single byte i; built once by the compiler.
constexpr std::array<std::uint8_t, 256> MakeCrc8Table() {
  std::array<std::uint8_t, 256> aTable{};
  for (unsigned nByte = 0; nByte < 256; ++nByte) {
    unsigned nReg = nByte;
    for (int nBit = 0; nBit < 8; ++nBit)
      nReg = (nReg & 1U) ? (nReg >> 1) ^ 0x8CU : nReg >> 1;
    aTable[nByte] = static_cast<std::uint8_t>(nReg);
  }
  return aTable;
}

constexpr std::array<std::uint8_t, 256> caCrc8Table = MakeCrc8Table();
static_assert(caCrc8Table[0x01] == 0x5E && caCrc8Table[0x80] == 0x8C);

} // namespace

std::uint8_t Crc8(const std::uint8_t* pData, std::uint16_t nLength) {
  std::uint8_t byReg = 0;
  for (std::uint16_t i = 0; i < nLength; ++i)
    byReg = caCrc8Table[byReg ^ pData[i]];
  return byReg;
}

std::uint16_t Crc16(const std::uint8_t* pData, std::uint16_t nLength) {
  std::uint16_t nReg = 0xFFFF;
  for (std::uint16_t i = 0; i < nLength; ++i) {
    nReg ^= pData[i];
    for (int nBit = 0; nBit < 8; ++nBit) {
      const bool bOut = (nReg & 1U) != 0;
      nReg = static_cast<std::uint16_t>(nReg >> 1);
      if (bOut) nReg ^= 0xA001;
    }
  }
  return nReg;
}
