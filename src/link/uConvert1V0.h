// Digit and byte-packing helpers used on record contents.
#pragma once

#include <cstdint>

// "0".."9", "A".."F" (upper case only) give true and set value; anything else gives false
// and leaves value untouched.
bool HexDigit(char ch, std::uint8_t& value);

// The upper-case hex character of the low 4 bits of n.
char NibbleChar(std::uint8_t n);

// hi * 256 + lo.
std::uint16_t MakeWord(std::uint8_t hi, std::uint8_t lo);

// b3 * 2^24 + b2 * 2^16 + b1 * 2^8 + b0.
std::uint32_t MakeDWord(std::uint8_t b3, std::uint8_t b2, std::uint8_t b1, std::uint8_t b0);
