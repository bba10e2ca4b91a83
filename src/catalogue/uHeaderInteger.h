// The integer conversion of firmware file header values, shared by the file reader and the
// build-time checker of the carried images.
#pragma once

#include <cstdint>
#include <string>

// Optional leading blanks, an optional sign, then decimal digits, or "$", "0x" or "0X" and
// hexadecimal digits; nothing may follow the digits. Decimal values must fit a signed 32-bit
// integer, hexadecimal ones 32 bits (0x80000000 to 0xFFFFFFFF wrap to negative values).
// Returns false with sReason set ("is empty", "is not a number", "is out of range") when the
// text does not convert; nValue is then untouched.
bool HeaderInteger(const std::string& sText, std::int32_t& nValue, std::string& sReason);
