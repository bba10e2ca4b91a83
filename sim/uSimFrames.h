// Command frames as the logger sees them and its 8-byte answer frames with their CRC-8.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "uSimFaults.h"

constexpr std::uint8_t cSIM_STATUS_ERROR = 0x20;

// True if the last byte is the CRC-8 of the first seven.
bool FrameCrcIsValid(const std::string& sFrame);

// Eight zero bytes.
bool IsWakeFrame(const std::string& sFrame);

// Bytes 0..6 followed by their CRC-8.
std::string BuildAnswerFrame(const std::array<std::uint8_t, 7>& aBytes);

// Changes a correct answer frame as the fault asks: Short drops the last byte, Crc spoils the
// CRC-8, Noise puts cSIM_NOISE before it, Status sets the error bit with a correct CRC-8.
// Other kinds leave it alone.
void ApplyFrameFault(TFaultKind Kind, std::string& sAnswer);
