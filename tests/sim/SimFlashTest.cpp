#include <gtest/gtest.h>

#include <sstream>

#include "uSimFlash.h"
#include "uSimLogger.h"

namespace {

std::vector<std::string> Lines(const std::string& sText) {
  std::vector<std::string> aLines;
  std::istringstream Input(sText);
  for (std::string sLine; std::getline(Input, sLine);)
    aLines.push_back(sLine);
  return aLines;
}

TEST(SimFlash, EmptyFlashIsJustTheEndRecord) {
  EXPECT_EQ(TSimFlash().ToIntelHex(), ":00000001FF\n");
}

TEST(SimFlash, WritesDataRecordsInAddressOrder) {
  TSimFlash Flash;
  Flash.Write(0x1010, {0xAB, 0xCD});
  Flash.Write(0x0000, {0x01});
  const auto aLines = Lines(Flash.ToIntelHex());
  ASSERT_EQ(aLines.size(), 3u);
  EXPECT_EQ(aLines[0], ":0100000001FE");
  EXPECT_EQ(aLines[1], ":02101000ABCD66");
  EXPECT_EQ(aLines[2], ":00000001FF");
}

TEST(SimFlash, LaterWritesReplaceEarlierBytes) {
  TSimFlash Flash;
  Flash.Write(0x100, {1, 2, 3});
  Flash.Write(0x101, {9});
  EXPECT_EQ(Flash.Bytes().at(0x101), 9);
  EXPECT_EQ(Flash.Bytes().size(), 3u);
}

TEST(SimFlash, ExtendedAddressesAboveSixtyFourKiBRoundTrip) {
  TSimFlash Flash;
  std::vector<std::uint8_t> aBlock(64);
  for (std::size_t i = 0; i < aBlock.size(); ++i)
    aBlock[i] = static_cast<std::uint8_t>(i * 3);
  Flash.Write(0xFFE0, aBlock); // runs over the first 64 KiB boundary
  Flash.Write(0x27FC0, aBlock);
  Flash.Write(0x1800, {0x01, 0x66});
  const std::string sHex = Flash.ToIntelHex();
  EXPECT_EQ(ParseIntelHex(sHex), Flash.Bytes());

  const auto aLines = Lines(sHex);
  std::vector<std::string> aExtended;
  for (const auto& sLine : aLines) {
    EXPECT_LE(sLine.size(), 2u * 32 + 11) << sLine;
    if (sLine.substr(7, 2) == "04") aExtended.push_back(sLine);
  }
  EXPECT_EQ(aExtended, (std::vector<std::string>{":020000040001F9", ":020000040002F8"}));
  EXPECT_EQ(aLines.front(), ":0218000001667F");
  EXPECT_EQ(aLines.back(), ":00000001FF");
}

} // namespace
