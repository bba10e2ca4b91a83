// The firmware catalogue: image 0 is the file image, images 1 to 12 are carried in the
// program as constant data.
#pragma once

#include "catalogue/uFwHeader.h"

#include <cstdint>
#include <string>
#include <vector>

// -1 none, 0 the file image, 1..12 a carried image.
extern std::int32_t gnFwIndex;
extern TBl3FileHeader grFwFileHeader;
extern std::vector<std::string> gslFwFileLines;

constexpr std::int32_t cFW_HEADER = 0;
constexpr std::int32_t cFW_LAST_LINE = 1;
constexpr std::int32_t cFW_LINE = 2;

bool FwAccess(std::int32_t index, std::int32_t request, std::int32_t line, TBl3FileHeader& header,
              std::int32_t& last, std::string& text);

void GetFwHeader(std::int32_t index, TBl3FileHeader& header);
std::int32_t GetFwLastLine();
void GetFwLine(std::int32_t j, std::string& text);
std::int32_t GetFwCount();
