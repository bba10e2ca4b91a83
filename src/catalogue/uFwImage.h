// The form of one carried image as the build generates it from firmware/: plain constant data,
// so nothing is parsed, copied or allocated at start-up.
#pragma once

#include <cstdint>

struct TCarriedImage {
  std::uint16_t nClass;
  std::uint16_t nVerH;
  std::uint16_t nVerL;
  std::uint16_t nPlatform;
  std::uint16_t nPrint;
  const char* pDate;
  std::uint16_t nBl;
  std::uint16_t nBlVer;
  const char* const* apLines; // the Intel-HEX lines, the end record last
  std::int32_t nLineCount;
};

constexpr std::int32_t cFW_CARRIED_COUNT = 12;

// Images 1 to 12 in catalogue index order: cFW_CARRIED_IMAGES[0] is image 1. Generated.
extern const TCarriedImage* const cFW_CARRIED_IMAGES[cFW_CARRIED_COUNT];
