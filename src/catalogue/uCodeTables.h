// Names of class, platform and print codes, the raw-value checks and the platform memory map.
#pragma once

#include <array>
#include <cstdint>
#include <string>

constexpr std::uint16_t cCLASS_TARVIK = 0x6601; // the class this tool serves
constexpr std::uint16_t cCLASS_BL = 0xC800;
constexpr std::uint16_t cCLASS_BL2 = 0xC801;
constexpr std::uint16_t cCLASS_BL3 = 0xC802;

// "?" for a code its table does not know. print selects the variant of 26135 and 26145.
void ClassName(std::uint16_t code, std::uint16_t print, std::string& name);
void PlatformName(std::uint16_t code, std::string& name);
void PrintName(std::uint16_t code, std::string& name);

// The raw value when its table knows it, else 0xFFFF.
std::uint16_t ClassFromRaw(std::uint16_t raw);
std::uint16_t PlatformFromRaw(std::uint16_t raw);
std::uint16_t PrintFromRaw(std::uint16_t raw);

struct TMemRange {
  bool bUsed = false;
  std::uint32_t nFirst = 0;
  std::uint32_t nLast = 0;
};

struct TPlatformInfo {
  std::array<TMemRange, 7> aRange; // aRange[0] is memory range 1
};

void PlatformInfo(std::uint16_t code, TPlatformInfo& info);
