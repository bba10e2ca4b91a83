// An independent reading of the carried images: srec_cat decodes every image and its bytes must
// equal those the catalogue hands out. Generation-3 images count 64-byte blocks in their address
// field, so their records are rewritten with byte addresses (and extended linear address
// records above 64 KB) first; generation-2 images go to srec_cat exactly as the catalogue holds
// them.
#include "catalogue/uFWVersions.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::uint8_t ByteAt(const std::string& sLine, std::size_t nPos) {
  return static_cast<std::uint8_t>(std::stoi(sLine.substr(nPos, 2), nullptr, 16));
}

std::string HexByte(std::uint8_t n) {
  char aText[3];
  std::snprintf(aText, sizeof aText, "%02X", n);
  return aText;
}

// One Intel-HEX line from its count, address, type and data digits.
std::string Record(std::uint8_t nCount, std::uint16_t nAddress, std::uint8_t nType,
                   const std::string& sDataDigits) {
  std::string sBody = HexByte(nCount) + HexByte(static_cast<std::uint8_t>(nAddress >> 8)) +
                      HexByte(static_cast<std::uint8_t>(nAddress & 0xFF)) + HexByte(nType) +
                      sDataDigits;
  std::uint8_t nSum = 0;
  for (std::size_t i = 0; i < sBody.size(); i += 2)
    nSum = static_cast<std::uint8_t>(nSum + ByteAt(sBody, i));
  return ":" + sBody + HexByte(static_cast<std::uint8_t>(0x100 - nSum));
}

std::string ReadFile(const std::string& sPath) {
  std::ifstream file(sPath, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

class SrecCheck : public ::testing::TestWithParam<int> {
protected:
  void SetUp() override {
    FsDir = (std::filesystem::temp_directory_path() /
             ("tarvik-srec-" + std::to_string(::getpid()) + "-" + std::to_string(GetParam())))
                .string();
    std::filesystem::create_directories(FsDir);
  }
  void TearDown() override { std::filesystem::remove_all(FsDir); }

  // Runs srec_cat with the fill value over [nFirst, nEnd) and returns the bytes it decoded.
  std::string Decode(const std::string& sHex, std::uint32_t nFirst, std::uint32_t nEnd,
                     const char* pFill) {
    const std::string sOut = FsDir + "/out" + pFill + ".bin";
    const std::string sErr = FsDir + "/err.txt";
    const std::string sCommand = std::string(TARVIK_SREC_CAT) + " '" + sHex + "' -Intel -fill " +
                                 pFill + " " + std::to_string(nFirst) + " " + std::to_string(nEnd) +
                                 " -offset -" + std::to_string(nFirst) + " -o '" + sOut +
                                 "' -Binary 2>'" + sErr + "'";
    EXPECT_EQ(std::system(sCommand.c_str()), 0) << sCommand << "\n" << ReadFile(sErr);
    EXPECT_EQ(ReadFile(sErr), "") << "srec_cat complained";
    return ReadFile(sOut);
  }

  std::string FsDir;
};

TEST_P(SrecCheck, SrecCatDecodesTheBytesTheCatalogueHandsOut) {
  const std::int32_t nIndex = GetParam();
  TBl3FileHeader header;
  GetFwHeader(nIndex, header);
  ASSERT_TRUE(header.tarv_bl == 2 || header.tarv_bl == 3);
  const std::uint32_t nScale = header.tarv_bl == 3 ? 64 : 1;

  gnFwIndex = nIndex;
  const std::int32_t nLast = GetFwLastLine();
  ASSERT_GT(nLast, 0);

  std::map<std::uint32_t, std::uint8_t> expected; // byte address -> byte
  std::string sHex;
  std::uint32_t nSegment = 0;
  for (std::int32_t j = 0; j < nLast; ++j) {
    std::string sLine;
    GetFwLine(j, sLine);
    ASSERT_EQ(sLine.size(), 139u) << j;
    const std::uint32_t nField = ByteAt(sLine, 3) * 256u + ByteAt(sLine, 5);
    const std::uint32_t nAddress = nField * nScale;
    for (std::uint32_t k = 0; k < 64; ++k)
      ASSERT_TRUE(expected.emplace(nAddress + k, ByteAt(sLine, 9 + 2 * k)).second) << j;
    if (nScale == 1) {
      sHex += sLine + "\n";
      continue;
    }
    if (nAddress >> 16 != nSegment) {
      nSegment = nAddress >> 16;
      sHex += Record(2, 0, 4,
                     HexByte(static_cast<std::uint8_t>(nSegment >> 8)) +
                         HexByte(static_cast<std::uint8_t>(nSegment & 0xFF))) +
              "\n";
    }
    sHex +=
        Record(64, static_cast<std::uint16_t>(nAddress & 0xFFFF), 0, sLine.substr(9, 128)) + "\n";
  }
  std::string sEnd;
  GetFwLine(nLast, sEnd);
  sHex += sEnd + "\n";
  const std::string sHexPath = FsDir + "/image.hex";
  std::ofstream(sHexPath, std::ios::binary) << sHex;

  const std::uint32_t nFirst = expected.begin()->first;
  const std::uint32_t nEnd = expected.rbegin()->first + 1;
  // Decoded twice with different fills: a byte srec_cat did not find shows up in one of them.
  for (const char* pFill : {"0xFF", "0x00"}) {
    const std::string sDecoded = Decode(sHexPath, nFirst, nEnd, pFill);
    ASSERT_EQ(sDecoded.size(), nEnd - nFirst) << pFill;
    const auto nFillByte = static_cast<std::uint8_t>(std::stoi(pFill, nullptr, 16));
    std::size_t nMismatches = 0;
    for (std::uint32_t a = nFirst; a < nEnd; ++a) {
      const auto it = expected.find(a);
      const std::uint8_t nWant = it != expected.end() ? it->second : nFillByte;
      if (static_cast<std::uint8_t>(sDecoded[a - nFirst]) != nWant && nMismatches++ < 5)
        ADD_FAILURE() << "image " << nIndex << " byte 0x" << std::hex << a << " fill " << pFill;
    }
    EXPECT_EQ(nMismatches, 0u) << pFill;
  }
}

INSTANTIATE_TEST_SUITE_P(CarriedImages, SrecCheck, ::testing::Range(1, 13));

} // namespace
