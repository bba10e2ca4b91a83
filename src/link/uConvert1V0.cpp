// Digit and byte-packing helpers used on record contents.
#include "link/uConvert1V0.h"

bool HexDigit(char ch, std::uint8_t& value) {
  if (ch >= '0' && ch <= '9') {
    value = static_cast<std::uint8_t>(ch - '0');
    return true;
  }
  if (ch >= 'A' && ch <= 'F') {
    value = static_cast<std::uint8_t>(ch - 'A' + 10);
    return true;
  }
  return false;
}

char NibbleChar(std::uint8_t n) {
  return "0123456789ABCDEF"[n & 0x0F];
}

std::uint16_t MakeWord(std::uint8_t hi, std::uint8_t lo) {
  return static_cast<std::uint16_t>((hi << 8) | lo);
}

std::uint32_t MakeDWord(std::uint8_t b3, std::uint8_t b2, std::uint8_t b1, std::uint8_t b0) {
  return (static_cast<std::uint32_t>(b3) << 24) | (static_cast<std::uint32_t>(b2) << 16) |
         (static_cast<std::uint32_t>(b1) << 8) | b0;
}
