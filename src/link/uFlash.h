// Intel-HEX record codec over the one record buffer and the one line buffer that the
// update engine fills and reads. Only the worker thread uses them, one run at a time.
#pragma once

#include <array>
#include <cstdint>
#include <string>

constexpr int cRECORD_SIZE = 260;
constexpr int cMAX_RECORD_DATA = 64;  // longest record the codec builds or accepts

// [0] count, [1] address high, [2] address low, [3] type, [4..3+n] data, [4+n] checksum.
extern std::array<std::uint8_t, cRECORD_SIZE> gaRecord;

// One hex line as 8-bit text, no line end.
extern std::string gsLine;

// gaRecord -> gsLine. False (and gsLine ":") for a count above 64.
bool BuildRecordLine();

// gsLine -> gaRecord. False for anything that is not one valid upper-case record.
bool ParseRecordLine();

// Two's complement of the 8-bit sum of the n bytes spelled by the first 2n characters.
std::uint8_t LineChecksum(const char* pText, std::int32_t n);
