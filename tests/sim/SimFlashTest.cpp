#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

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

class SimFlashFile : public testing::Test {
protected:
  void SetUp() override {
    char sTemplate[] = "/tmp/tarvik-simflash-XXXXXX";
    ASSERT_NE(mkdtemp(sTemplate), nullptr);
    FsDir = sTemplate;
  }
  void TearDown() override { std::filesystem::remove_all(FsDir); }
  std::string Write(const std::string& sName, const std::string& sText) {
    const std::string sPath = FsDir + "/" + sName;
    std::ofstream(sPath, std::ios::binary) << sText;
    return sPath;
  }
  std::string FsDir;
};

TEST_F(SimFlashFile, LoadReadsBackWhatSaveWrote) {
  TSimFlash Flash;
  Flash.Write(0xFFE0, std::vector<std::uint8_t>(64, 0x5A)); // over the 64 KiB boundary
  Flash.Write(0x27FC0, {1, 2, 3});
  const std::string sPath = FsDir + "/flash.hex";
  ASSERT_TRUE(Flash.Save(sPath));
  TSimFlash Loaded;
  Loaded.Write(0x10, {9}); // replaced, not merged
  ASSERT_TRUE(Loaded.Load(sPath));
  EXPECT_EQ(Loaded.Bytes(), Flash.Bytes());
}

TEST_F(SimFlashFile, LoadRefusesWhatItCannotTrustAndLeavesTheFlashEmpty) {
  for (const char* sText : {"",                                      // no end record
                            ":0100000001FE\n",                       // data but no end record
                            ":0100000001FF\n:00000001FF\n",          // a wrong checksum
                            ":0100000001fe\n:00000001FF\n",          // lower-case digits
                            "garbage\n:00000001FF\n",                // not a record
                            ":0400000300000000F9\n:00000001FF\n"}) { // start address record
    TSimFlash Flash;
    Flash.Write(0, {1});
    EXPECT_FALSE(Flash.Load(Write("bad.hex", sText))) << sText;
    EXPECT_TRUE(Flash.Bytes().empty()) << sText;
  }
  TSimFlash Flash;
  EXPECT_FALSE(Flash.Load(FsDir + "/missing.hex"));
  EXPECT_TRUE(Flash.Load(Write("crlf.hex", ":0100000001FE\r\n:00000001FF\r\n")));
  EXPECT_EQ(Flash.Bytes().at(0), 1);
}

} // namespace
