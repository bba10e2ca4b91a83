// The fixed tables of class, print and platform codes. Every table is a sorted constant array
// with one row per code; lookups are binary searches, so adding a code means adding a row.
#include "catalogue/uCodeTables.h"

#include <algorithm>
#include <span>

namespace {

struct TNamedCode {
  std::uint16_t nCode;
  const char* pName;
};

// Class codes. For 26135 and 26145 this row holds the name used with every print that has no
// WLAN or BLE variant (see cCLASS_VARIANTS).
constexpr TNamedCode cCLASS_NAMES[] = {
    {26000, "Prototype"},
    {26113, "Tarvik"},
    {26114, "Tarvik Nord"},
    {26115, "Tarvik Brisa"},
    {26116, "Tarvik Kallo"},
    {26117, "Tarvik Vesi"},
    {26118, "Tarvik Tuuli"},
    {26119, "Tarvik Sola"},
    {26120, "Tarvik Rinne"},
    {26121, "Tarvik Lumo"},
    {26122, "SD CARD"},
    {26123, "Tarvik Pilvi"},
    {26124, "Tarvik Aalto"},
    {26126, "Tarvik Kivi"},
    {26127, "Tarvik Virta"},
    {26128, "Tarvik Halla"},
    {26129, "Tarvik Sumu"},
    {26130, "Tarvik Routa"},
    {26131, "Tarvik Kaste"},
    {26132, "Tarvik Lehto"},
    {26133, "Tarvik Niva"},
    {26134, "Tarvik Salo"},
    {26135, "Tarvik Harju"},
    {26136, "Tarvik Kumpu"},
    {26137, "Tarvik Tyyni"},
    {26138, "Tarvik Utu"},
    {26139, "Tarvik Viima"},
    {26140, "Tarvik Loimu"},
    {26141, "Tarvik Kajo"},
    {26142, "Tarvik Hohde"},
    {26143, "Tarvik Kuura"},
    {26144, "Tarvik Lauha"},
    {26145, "Tarvik Riite"},
    {26146, "Tarvik Ahde"},
    {26147, "Tarvik Kaarna"},
    {26148, "Tarvik Norko"},
    {26149, "Tarvik Pouta"},
    {26150, "Tarvik Sade"},
    {26151, "Tarvik Helle"},
    {26152, "Tarvik Vire"},
    {26153, "Tarvik Puro WLAN"},
    {26154, "Tarvik Puro BLE"},
    {26155, "WLAN Production"},
    {26156, "Tarvik Lampi WLAN"},
    {26157, "Tarvik Lampi BLE"},
    {26158, "Tarvik Ranta"},
    {26159, "Tarvik Suvi"},
    {51200, "BL"},
    {51201, "BL2"},
    {51202, "BL3"},
};

// The two classes whose name depends on the radio of the print.
struct TClassVariant {
  std::uint16_t nCode;
  const char* pWlanName; // prints 38 and 47
  const char* pBleName;  // prints 39 and 48
};

constexpr TClassVariant cCLASS_VARIANTS[] = {
    {26135, "Tarvik Harju W", "Tarvik Harju B"},
    {26145, "Tarvik Riite W", "Tarvik Riite B"},
};

constexpr std::uint16_t cPRINT_WLAN_E = 38;
constexpr std::uint16_t cPRINT_BLE_E = 39;
constexpr std::uint16_t cPRINT_WLAN_G = 47;
constexpr std::uint16_t cPRINT_BLE_G = 48;

constexpr TNamedCode cPRINT_NAMES[] = {
    {0, "A0"},
    {1, "A1"},
    {2, "A2"},
    {3, "B3"},
    {4, "C1"},
    {5, "A3"},
    {6, "A5"},
    {7, "C2"},
    {8, "D1"},
    {9, "C3"},
    {10, "A6/A7/A8"},
    {11, "N1/2 Display"},
    {12, "K1 (Tarvik Nord)"},
    {13, "PM0"},
    {14, "N1/2 DAC"},
    {15, "PB0"},
    {16, "E3"},
    {17, "B5"},
    {18, "A9b"},
    {19, "A10"},
    {20, "C5"},
    {21, "C6"},
    {22, "AR9"},
    {23, "PM3"},
    {24, "K2 (Tarvik Brisa)"},
    {25, "K3 (Tarvik Kallo)"},
    {26, "K4 (Tarvik Vesi)"},
    {27, "M1 (Tarvik Tuuli)"},
    {28, "M2 (Tarvik Sola)"},
    {29, "M3 (Tarvik Rinne)"},
    {30, "A9d"},
    {31, "NINA W1 UART"},
    {32, "NINA W1 SPI"},
    {33, "A10 WLAN UART"},
    {34, "A10 WLAN SPI"},
    {35, "NINA B3 UART"},
    {36, "BlueGiga UART"},
    {37, "A10e"},
    {38, "A10e WLAN UART"},
    {39, "A10e BLE UART"},
    {40, "K5 (Tarvik Lumo)"},
    {43, "M4 (Tarvik Pilvi)"},
    {44, "A9e"},
    {45, "TGT1a"},
    {46, "A10g"},
    {47, "A10g WLAN UART"},
    {48, "A10g BLE UART"},
    {49, "A9f"},
    {50, "A10 Modbus"},
    {51, "K6 (Tarvik Aalto)"},
    {52, "B7"},
    {53, "A9g"},
};

// One platform: its name and its seven memory ranges; a range with nLast 0 is unused.
struct TRange {
  std::uint32_t nFirst;
  std::uint32_t nLast;
};

struct TPlatformRow {
  std::uint16_t nCode;
  const char* pName;
  TRange aRange[7];
};

constexpr TRange cNONE = {0, 0};

constexpr TPlatformRow cPLATFORMS[] = {
    {0,
     "F1612 A",
     {cNONE, {0x1000, 0x107F}, {0x1080, 0x10FF}, cNONE, cNONE, {0x2500, 0xF7FF}, cNONE}},
    {1,
     "F1612 B",
     {{0x1000, 0x107F}, {0x1080, 0x10FF}, {0x2600, 0x27FF}, cNONE, cNONE, {0x2800, 0xF7FF}, cNONE}},
    {2,
     "F2617 B",
     {{0x1000, 0x103F},
      {0x1040, 0x10BF},
      {0x3200, 0x33FF},
      {0x3100, 0x31FF},
      cNONE,
      {0x3400, 0xF7FF},
      cNONE}},
    {3,
     "F1611 SD",
     {cNONE, {0x1000, 0x107F}, {0x1080, 0x10FF}, cNONE, cNONE, {0x8000, 0xF7FF}, cNONE}},
    {4,
     "F1611 B",
     {{0x1000, 0x107F}, {0x1080, 0x10FF}, {0x4200, 0x43FF}, cNONE, cNONE, {0x4400, 0xF7FF}, cNONE}},
    {5,
     "F1610 B",
     {{0x1000, 0x107F}, {0x1080, 0x10FF}, {0x8200, 0x83FF}, cNONE, cNONE, {0x8400, 0xF7FF}, cNONE}},
    {6,
     "F1611 C",
     {{0x1000, 0x107F},
      {0x1080, 0x10FF},
      {0x4200, 0x43FF},
      {0x4000, 0x41FF},
      {0x4400, 0x45FF},
      {0x4600, 0xF7FF},
      cNONE}},
    {7,
     "F2617 C",
     {{0x1000, 0x103F},
      {0x1040, 0x10BF},
      {0x3200, 0x33FF},
      {0x3100, 0x31FF},
      cNONE,
      {0x3A00, 0xF7FF},
      {0x10000, 0x19FFF}}},
    {8,
     "F5528 A",
     {{0x1900, 0x197F},
      {0x1880, 0x18FF},
      {0x1800, 0x187F},
      cNONE,
      cNONE,
      {0x4400, 0xF7FF},
      {0x10000, 0x243FF}}},
    {9,
     "F1611 D",
     {{0x1000, 0x10FF},
      {0x4000, 0x41FF},
      {0x4200, 0x43FF},
      {0x4400, 0x45FF},
      {0x4600, 0x49FF},
      {0x4A00, 0xF7FF},
      cNONE}},
    {10,
     "F2274 A",
     {{0x1000, 0x103F}, cNONE, {0x1040, 0x107F}, {0x1080, 0x10BF}, cNONE, {0x8000, 0xF7FF}, cNONE}},
    {11,
     "F5340 SD",
     {{0x1900, 0x197F},
      {0x1880, 0x18FF},
      {0x1800, 0x187F},
      cNONE,
      cNONE,
      {0x4400, 0xF7FF},
      {0x10000, 0x143FF}}},
    {12,
     "F5328 A",
     {{0x1800, 0x187F},
      {0x4400, 0x45FF},
      {0x4600, 0x47FF},
      cNONE,
      cNONE,
      {0x4A00, 0xF7FF},
      {0x10000, 0x243FF}}},
    {13,
     "F5419 A",
     {{0x1800, 0x187F},
      cNONE,
      {0x5C00, 0x83FF},
      cNONE,
      cNONE,
      {0x5C00, 0xF7FF},
      {0x10000, 0x25BFF}}},
    {14,
     "F5438 A",
     {{0x1800, 0x187F},
      cNONE,
      {0x5C00, 0x7FFF},
      cNONE,
      cNONE,
      {0x5C00, 0xF7FF},
      {0x10000, 0x45BFF}}},
    {15,
     "F5438 WD",
     {{0x1800, 0x187F},
      {0x5C00, 0x63FF},
      cNONE,
      cNONE,
      cNONE,
      {0x8000, 0xF7FF},
      {0x10000, 0x42BFF}}},
    {16,
     "F5328 B",
     {{0x1800, 0x187F},
      {0x4400, 0x49FF},
      {0x4A00, 0x51FF},
      cNONE,
      cNONE,
      {0x5200, 0xF7FF},
      {0x10000, 0x243FF}}},
    {17,
     "F5328 C",
     {{0x1800, 0x187F},
      {0x4400, 0x45FF},
      {0x4600, 0x49FF},
      cNONE,
      cNONE,
      {0x6000, 0xF7FF},
      {0x10000, 0x243FF}}},
    {18, "NINA", {cNONE, cNONE, cNONE, cNONE, cNONE, cNONE, cNONE}},
    {19, "BlueGiga", {cNONE, cNONE, cNONE, cNONE, cNONE, cNONE, cNONE}},
    {20,
     "F5436 A (Tarvik Kivi)",
     {{0x1800, 0x187F},
      {0x5C00, 0x61FF},
      {0x1880, 0x18FF},
      {0x6200, 0x69FF},
      cNONE,
      {0x8000, 0xF7FF},
      {0x10000, 0x3FFFF}}},
    {21,
     "F5438 WD2",
     {{0x1800, 0x187F},
      {0x5C00, 0x63FF},
      cNONE,
      cNONE,
      cNONE,
      {0x8000, 0xF7FF},
      {0x10000, 0x42BFF}}},
    {22,
     "F5340 SM",
     {{0x1800, 0x187F},
      {0x1880, 0x18FF},
      {0x1900, 0x197F},
      cNONE,
      cNONE,
      {0x4400, 0xF7FF},
      {0x10000, 0x143FF}}},
    {23,
     "F5335",
     {{0x1800, 0x187F},
      {0x8000, 0x85FF},
      {0x1880, 0x18FF},
      {0x8600, 0x8FFF},
      cNONE,
      {0x9000, 0xF7FF},
      {0x10000, 0x3FFFF}}},
    {24,
     "F5335 B",
     {{0x1800, 0x18FF},
      {0x8000, 0x8BFF},
      {0x1900, 0x197F},
      {0x8C00, 0xAFFF},
      cNONE,
      {0xB000, 0xF7FF},
      {0x10000, 0x27FFF}}},
    {25,
     "F5232",
     {{0x1900, 0x197F},
      {0x1880, 0x18FF},
      {0x1800, 0x187F},
      cNONE,
      cNONE,
      {0x4400, 0xF7FF},
      {0x10000, 0x143FF}}},
    {26,
     "F5335 C",
     {{0x1800, 0x187F},
      {0x8000, 0x85FF},
      {0x1880, 0x18FF},
      {0x8600, 0x8DFF},
      cNONE,
      {0x9000, 0xF7FF},
      {0x10000, 0x17FFF}}},
    {27,
     "F5335 D",
     {{0x1800, 0x187F},
      {0x8000, 0x85FF},
      {0x1880, 0x18FF},
      {0x8600, 0x8DFF},
      cNONE,
      {0x9000, 0xF7FF},
      {0x10000, 0x27FFF}}},
    {65534,
     "F1611 C-SP",
     {{0x1000, 0x107F},
      {0x1080, 0x10FF},
      {0x4200, 0x43FF},
      {0x4000, 0x41FF},
      {0x4400, 0x45FF},
      {0x4000, 0xF7FF},
      cNONE}},
};

template <typename TRow> constexpr bool IsStrictlySorted(std::span<const TRow> aRows) {
  for (std::size_t i = 1; i < aRows.size(); ++i)
    if (aRows[i - 1].nCode >= aRows[i].nCode) return false;
  return true;
}

static_assert(std::size(cCLASS_NAMES) == 50);
static_assert(std::size(cPRINT_NAMES) == 52);
static_assert(std::size(cPLATFORMS) == 29);
static_assert(IsStrictlySorted<TNamedCode>(cCLASS_NAMES));
static_assert(IsStrictlySorted<TNamedCode>(cPRINT_NAMES));
static_assert(IsStrictlySorted<TPlatformRow>(cPLATFORMS));
static_assert(IsStrictlySorted<TClassVariant>(cCLASS_VARIANTS));

// The row of code in a table sorted by nCode, or nullptr.
template <typename TRow> const TRow* FindRow(std::span<const TRow> aRows, std::uint16_t nCode) {
  const auto it =
      std::lower_bound(aRows.begin(), aRows.end(), nCode,
                       [](const TRow& rRow, std::uint16_t n) { return rRow.nCode < n; });
  if (it == aRows.end() || it->nCode != nCode) return nullptr;
  return &*it;
}

const char* VariantName(std::uint16_t nCode, std::uint16_t nPrint) {
  const TClassVariant* pVariant = FindRow<TClassVariant>(cCLASS_VARIANTS, nCode);
  if (pVariant == nullptr) return nullptr;
  if (nPrint == cPRINT_WLAN_E || nPrint == cPRINT_WLAN_G) return pVariant->pWlanName;
  if (nPrint == cPRINT_BLE_E || nPrint == cPRINT_BLE_G) return pVariant->pBleName;
  return nullptr;
}

const char cUNKNOWN_NAME[] = "?";

} // namespace

void ClassName(std::uint16_t code, std::uint16_t print, std::string& name) {
  name = cUNKNOWN_NAME;
  const TNamedCode* pRow = FindRow<TNamedCode>(cCLASS_NAMES, code);
  if (pRow == nullptr) return;
  const char* pVariant = VariantName(code, print);
  name = pVariant != nullptr ? pVariant : pRow->pName;
}

void PlatformName(std::uint16_t code, std::string& name) {
  name = cUNKNOWN_NAME;
  if (const TPlatformRow* pRow = FindRow<TPlatformRow>(cPLATFORMS, code)) name = pRow->pName;
}

void PrintName(std::uint16_t code, std::string& name) {
  name = cUNKNOWN_NAME;
  if (const TNamedCode* pRow = FindRow<TNamedCode>(cPRINT_NAMES, code)) name = pRow->pName;
}

std::uint16_t ClassFromRaw(std::uint16_t raw) {
  std::string sName;
  ClassName(raw, 0xFFFF, sName);
  return sName == cUNKNOWN_NAME ? 0xFFFF : raw;
}

std::uint16_t PlatformFromRaw(std::uint16_t raw) {
  std::string sName;
  PlatformName(raw, sName);
  return sName == cUNKNOWN_NAME ? 0xFFFF : raw;
}

std::uint16_t PrintFromRaw(std::uint16_t raw) {
  std::string sName;
  PrintName(raw, sName);
  return sName == cUNKNOWN_NAME ? 0xFFFF : raw;
}

void PlatformInfo(std::uint16_t code, TPlatformInfo& info) {
  info = TPlatformInfo{};
  const TPlatformRow* pRow = FindRow<TPlatformRow>(cPLATFORMS, code);
  if (pRow == nullptr) return;
  for (std::size_t i = 0; i < info.aRange.size(); ++i) {
    const TRange& rRange = pRow->aRange[i];
    if (rRange.nLast == 0) continue;
    info.aRange[i] = TMemRange{true, rRange.nFirst, rRange.nLast};
  }
}
