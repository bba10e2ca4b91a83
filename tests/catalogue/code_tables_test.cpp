#include "catalogue/uCodeTables.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

std::string Class(std::uint16_t nCode, std::uint16_t nPrint = 0xFFFF) {
  std::string sName;
  ClassName(nCode, nPrint, sName);
  return sName;
}

std::string Platform(std::uint16_t nCode) {
  std::string sName;
  PlatformName(nCode, sName);
  return sName;
}

std::string Print(std::uint16_t nCode) {
  std::string sName;
  PrintName(nCode, sName);
  return sName;
}

} // namespace

TEST(CodeTables, FixedNames) {
  struct TCase {
    std::string sGot;
    const char* pWant;
  };
  const TCase aCases[] = {
      {Class(26000), "Prototype"},
      {Class(26122), "SD CARD"},
      {Class(26155), "WLAN Production"},
      {Class(51200), "BL"},
      {Class(51201), "BL2"},
      {Class(51202, 0xFFFF), "BL3"},
      {Class(26125), "?"},
      {Class(0), "?"},
      {Class(26112), "?"},
      {Class(26160), "?"},
      {Class(51203), "?"},
      {Class(0xFFFF), "?"},
      {Platform(0), "F1612 A"},
      {Platform(19), "BlueGiga"},
      {Platform(27), "F5335 D"},
      {Platform(65534), "F1611 C-SP"},
      {Platform(28), "?"},
      {Platform(0xFFFF), "?"},
      {Print(0), "A0"},
      {Print(10), "A6/A7/A8"},
      {Print(45), "TGT1a"},
      {Print(53), "A9g"},
      {Print(41), "?"},
      {Print(42), "?"},
      {Print(54), "?"},
      {Print(0xFFFF), "?"},
  };
  for (const TCase& c : aCases)
    EXPECT_EQ(c.sGot, c.pWant);
}

// Every known code has a name of its own; the implementer's model names are distinct.
TEST(CodeTables, EveryKnownCodeIsNamedAndNamesAreDistinct) {
  std::set<std::string> classNames;
  int nClasses = 0;
  for (std::uint32_t n = 0; n <= 0xFFFF; ++n) {
    const std::string sName = Class(static_cast<std::uint16_t>(n));
    if (sName == "?") continue;
    ++nClasses;
    EXPECT_TRUE(classNames.insert(sName).second) << "duplicate class name " << sName;
  }
  EXPECT_EQ(nClasses, 50);
  for (std::uint16_t n = 26113; n <= 26159; ++n)
    EXPECT_EQ(Class(n) == "?", n == 26125) << n;

  std::set<std::string> platformNames;
  int nPlatforms = 0;
  for (std::uint32_t n = 0; n <= 0xFFFF; ++n) {
    const std::string sName = Platform(static_cast<std::uint16_t>(n));
    if (sName == "?") continue;
    ++nPlatforms;
    EXPECT_TRUE(platformNames.insert(sName).second) << "duplicate platform name " << sName;
  }
  EXPECT_EQ(nPlatforms, 29);

  std::set<std::string> printNames;
  for (std::uint16_t n = 0; n <= 60; ++n) {
    const std::string sName = Print(n);
    const bool bKnown = n <= 40 || (n >= 43 && n <= 53);
    EXPECT_EQ(sName != "?", bKnown) << n;
    if (bKnown) {
      EXPECT_TRUE(printNames.insert(sName).second) << "duplicate print name " << sName;
    }
  }
  EXPECT_EQ(printNames.size(), 52u);
}

TEST(CodeTables, PrintSelectsTheVariantOfTwoClasses) {
  for (std::uint16_t nClass : {std::uint16_t{26135}, std::uint16_t{26145}}) {
    const std::string sWlan = Class(nClass, 38);
    const std::string sBle = Class(nClass, 39);
    const std::string sOther = Class(nClass, 0xFFFF);
    EXPECT_EQ(Class(nClass, 47), sWlan);
    EXPECT_EQ(Class(nClass, 48), sBle);
    EXPECT_EQ(Class(nClass, 0), sOther);
    EXPECT_EQ(Class(nClass, 37), sOther);
    EXPECT_EQ(Class(nClass, 40), sOther);
    EXPECT_NE(sWlan, sBle);
    EXPECT_NE(sWlan, sOther);
    EXPECT_NE(sBle, sOther);
    EXPECT_EQ(ClassFromRaw(nClass), nClass);
  }
  EXPECT_NE(Class(26135, 38), Class(26145, 38));
  // Other classes do not change with the print.
  EXPECT_EQ(Class(26113, 38), Class(26113, 0xFFFF));
  EXPECT_EQ(Class(26136, 39), Class(26136, 0xFFFF));
}

TEST(CodeTables, RawValuesPassOnlyWhenKnown) {
  struct TCase {
    std::uint16_t (*pConvert)(std::uint16_t);
    std::uint16_t nRaw;
    std::uint16_t nWant;
  };
  const TCase aCases[] = {
      {ClassFromRaw, 26135, 26135},    {ClassFromRaw, 26125, 0xFFFF},
      {ClassFromRaw, 51200, 51200},    {ClassFromRaw, 0xFFFF, 0xFFFF},
      {ClassFromRaw, 26113, 26113},    {ClassFromRaw, 0, 0xFFFF},
      {PlatformFromRaw, 65534, 65534}, {PlatformFromRaw, 28, 0xFFFF},
      {PlatformFromRaw, 0, 0},         {PlatformFromRaw, 0xFFFF, 0xFFFF},
      {PrintFromRaw, 41, 0xFFFF},      {PrintFromRaw, 42, 0xFFFF},
      {PrintFromRaw, 53, 53},          {PrintFromRaw, 0, 0},
      {PrintFromRaw, 54, 0xFFFF},      {PrintFromRaw, 0xFFFF, 0xFFFF},
  };
  for (const TCase& c : aCases)
    EXPECT_EQ(c.pConvert(c.nRaw), c.nWant) << c.nRaw;
}

namespace {

void ExpectRange(const TPlatformInfo& rInfo, int nRange, std::uint32_t nFirst,
                 std::uint32_t nLast) {
  const TMemRange& r = rInfo.aRange[static_cast<std::size_t>(nRange - 1)];
  EXPECT_TRUE(r.bUsed) << "range " << nRange;
  EXPECT_EQ(r.nFirst, nFirst) << "range " << nRange;
  EXPECT_EQ(r.nLast, nLast) << "range " << nRange;
}

void ExpectUnused(const TPlatformInfo& rInfo, int nRange) {
  const TMemRange& r = rInfo.aRange[static_cast<std::size_t>(nRange - 1)];
  EXPECT_FALSE(r.bUsed) << "range " << nRange;
  EXPECT_EQ(r.nFirst, 0u) << "range " << nRange;
  EXPECT_EQ(r.nLast, 0u) << "range " << nRange;
}

} // namespace

TEST(CodeTables, PlatformWithoutMemoryMapHasSevenUnusedRanges) {
  for (std::uint16_t nCode : {std::uint16_t{18}, std::uint16_t{19}, std::uint16_t{28},
                              std::uint16_t{0xFFFF}, std::uint16_t{0xFFFD}}) {
    TPlatformInfo info;
    info.aRange[0] = {true, 1, 2}; // left over from an earlier call
    PlatformInfo(nCode, info);
    for (int n = 1; n <= 7; ++n)
      ExpectUnused(info, n);
  }
}

TEST(CodeTables, PlatformMemoryMaps) {
  TPlatformInfo info;
  PlatformInfo(0, info);
  ExpectUnused(info, 1);
  ExpectRange(info, 2, 0x1000, 0x107F);
  ExpectRange(info, 6, 0x2500, 0xF7FF);
  ExpectUnused(info, 7);

  PlatformInfo(12, info);
  ExpectRange(info, 1, 0x1800, 0x187F);
  ExpectRange(info, 7, 0x10000, 0x243FF);

  PlatformInfo(10, info);
  ExpectUnused(info, 2);
  ExpectRange(info, 3, 0x1040, 0x107F);

  PlatformInfo(65534, info);
  ExpectRange(info, 5, 0x4400, 0x45FF);
  ExpectRange(info, 6, 0x4000, 0xF7FF);
  ExpectUnused(info, 7);

  PlatformInfo(24, info);
  ExpectRange(info, 1, 0x1800, 0x18FF);
  ExpectRange(info, 4, 0x8C00, 0xAFFF);
  ExpectRange(info, 6, 0xB000, 0xF7FF);
  ExpectRange(info, 7, 0x10000, 0x27FFF);
}

// Facts that hold for every row of the descriptor table.
TEST(CodeTables, EveryDescriptorIsWellFormed) {
  for (std::uint32_t n = 0; n <= 0xFFFF; ++n) {
    const auto nCode = static_cast<std::uint16_t>(n);
    TPlatformInfo info;
    PlatformInfo(nCode, info);
    const bool bNamed = PlatformFromRaw(nCode) == nCode && nCode != 0xFFFF;
    const bool bMapped = info.aRange[5].bUsed;
    if (!bNamed) {
      EXPECT_FALSE(bMapped) << nCode;
    }
    if (bNamed && nCode != 18 && nCode != 19) {
      EXPECT_TRUE(bMapped) << nCode;
      EXPECT_EQ(info.aRange[5].nLast, 0xF7FFu) << nCode;
    }
    if (info.aRange[6].bUsed) {
      EXPECT_EQ(info.aRange[6].nFirst, 0x10000u) << nCode;
    }
    for (const TMemRange& r : info.aRange)
      if (r.bUsed) {
        EXPECT_LE(r.nFirst, r.nLast) << nCode;
      }
  }
}
