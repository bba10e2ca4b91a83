// The two check values of the logger protocol.
#pragma once

#include <cstdint>

// CRC-8/MAXIM-DOW (1-Wire), table driven: poly 0x31 reflected, init 0, no final xor.
std::uint8_t Crc8(const std::uint8_t* pData, std::uint16_t nLength);

// CRC-16/MODBUS: reflected poly 0xA001, init 0xFFFF, no final xor. Length 0 gives 0xFFFF.
std::uint16_t Crc16(const std::uint8_t* pData, std::uint16_t nLength);
