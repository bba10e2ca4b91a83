// Check values, digit helpers and the hex record codec: pure functions, no port.
#include "link/uConvert1V0.h"
#include "link/uCrc.h"
#include "link/uFlash.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::uint8_t* Bytes(const char* pText) {
  return reinterpret_cast<const std::uint8_t*>(pText);
}

// Bit-by-bit CRC-8/MAXIM-DOW, to hold the table-driven Crc8 against the rule itself.
std::uint8_t Crc8Bitwise(const std::vector<std::uint8_t>& aData) {
  std::uint8_t byReg = 0;
  for (std::uint8_t byData : aData) {
    byReg ^= byData;
    for (int i = 0; i < 8; ++i)
      byReg = (byReg & 1) ? static_cast<std::uint8_t>((byReg >> 1) ^ 0x8C)
                          : static_cast<std::uint8_t>(byReg >> 1);
  }
  return byReg;
}

TEST(Crc, CheckValuesOver123456789) {
  EXPECT_EQ(Crc8(Bytes("123456789"), 9), 0xA1);
  EXPECT_EQ(Crc16(Bytes("123456789"), 9), 0x4B37);
}

TEST(Crc, EmptyBlocks) {
  EXPECT_EQ(Crc8(nullptr, 0), 0x00);
  EXPECT_EQ(Crc16(nullptr, 0), 0xFFFF);
  const std::uint8_t aZero[7] = {};
  EXPECT_EQ(Crc8(aZero, 7), 0x00); // so the wake frame is eight zero bytes
}

TEST(Crc, Crc8TableFollowsTheRuleForEveryByte) {
  const std::uint8_t aOne[] = {0x01};
  const std::uint8_t aHigh[] = {0x80};
  EXPECT_EQ(Crc8(aOne, 1), 0x5E);
  EXPECT_EQ(Crc8(aHigh, 1), 0x8C);
  for (unsigned nByte = 0; nByte < 256; ++nByte) {
    const std::vector<std::uint8_t> aData = {0x5A, static_cast<std::uint8_t>(nByte), 0x33};
    EXPECT_EQ(Crc8(aData.data(), 3), Crc8Bitwise(aData)) << "byte " << nByte;
  }
}

TEST(Convert, HexDigitAcceptsUpperCaseDigitsOnly) {
  struct TCase {
    char ch;
    bool bOk;
    std::uint8_t nValue;
  };
  const TCase aCases[] = {{'0', true, 0},   {'9', true, 9},   {'A', true, 10},  {'F', true, 15},
                          {'a', false, 77}, {'f', false, 77}, {'G', false, 77}, {':', false, 77},
                          {'/', false, 77}, {'@', false, 77}, {' ', false, 77}, {'\0', false, 77},
                          {'\r', false, 77}};
  for (const TCase& c : aCases) {
    std::uint8_t nValue = 77;
    EXPECT_EQ(HexDigit(c.ch, nValue), c.bOk) << "char " << int(c.ch);
    EXPECT_EQ(nValue, c.nValue) << "char " << int(c.ch); // untouched on false
  }
}

TEST(Convert, NibbleCharAndPacking) {
  EXPECT_EQ(NibbleChar(0x00), '0');
  EXPECT_EQ(NibbleChar(0x09), '9');
  EXPECT_EQ(NibbleChar(0x0A), 'A');
  EXPECT_EQ(NibbleChar(0xFF), 'F'); // low 4 bits only
  EXPECT_EQ(MakeWord(0x66, 0x01), 0x6601);
  EXPECT_EQ(MakeWord(0xFF, 0xFF), 0xFFFF);
  EXPECT_EQ(MakeDWord(0x12, 0x34, 0x56, 0x78), 0x12345678U);
  EXPECT_EQ(MakeDWord(0xFF, 0, 0, 0x01), 0xFF000001U);
}

struct TBuildCase {
  std::vector<std::uint8_t> aRecord; // count, address high, address low, type, data
  std::string sLine;
};

void PrintTo(const TBuildCase& c, std::ostream* pOut) { *pOut << c.sLine; }

class BuildRecord : public testing::TestWithParam<TBuildCase> {};

TEST_P(BuildRecord, BuildsTheLineAndParsesItBack) {
  const TBuildCase& c = GetParam();
  gaRecord.fill(0xEE);
  std::copy(c.aRecord.begin(), c.aRecord.end(), gaRecord.begin());
  ASSERT_TRUE(BuildRecordLine());
  EXPECT_EQ(gsLine, c.sLine);

  gaRecord.fill(0xEE);
  ASSERT_TRUE(ParseRecordLine());
  for (std::size_t i = 0; i < c.aRecord.size(); ++i)
    EXPECT_EQ(gaRecord[i], c.aRecord[i]) << i;
  std::uint8_t bySum = 0;
  for (std::uint8_t by : c.aRecord)
    bySum = static_cast<std::uint8_t>(bySum + by);
  EXPECT_EQ(gaRecord[c.aRecord.size()], static_cast<std::uint8_t>(0 - bySum)); // checksum stored
}

INSTANTIATE_TEST_SUITE_P(Examples, BuildRecord,
                         testing::Values(TBuildCase{{1, 0, 0, 5, 0x20}, ":0100000520DA"},
                                         TBuildCase{{1, 0, 0, 5, 0x30}, ":0100000530CA"},
                                         TBuildCase{{0, 0, 0, 1}, ":00000001FF"},
                                         TBuildCase{{2, 0x12, 0x34, 0, 0xAB, 0xCD},
                                                    ":02123400ABCD40"},
                                         TBuildCase{{1, 0xFF, 0xFF, 0xFF, 0xFF}, ":01FFFFFFFF03"}));

TEST(Record, SixtyFourDataBytesMakeTheLongestLine) {
  gaRecord.fill(0);
  gaRecord[0] = 64;
  gaRecord[1] = 0x01;
  for (int i = 0; i < 64; ++i)
    gaRecord[4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 3);
  ASSERT_TRUE(BuildRecordLine());
  EXPECT_EQ(gsLine.size(), 139U);
  EXPECT_TRUE(ParseRecordLine());
}

TEST(Record, CountAbove64IsRefusedBothWays) {
  gaRecord.fill(0);
  gaRecord[0] = 65;
  gsLine = "stale";
  EXPECT_FALSE(BuildRecordLine());
  EXPECT_EQ(gsLine, ":");

  // A well-formed 65-byte line with a correct checksum is refused too.
  gsLine = ":41000000" + std::string(130, '0') + "BF";
  EXPECT_FALSE(ParseRecordLine());
  EXPECT_EQ(gaRecord[0], 65); // the count is stored before it is judged
}

TEST(Record, ParseRejectsMalformedLines) {
  const char* aBad[] = {
      "",                // empty
      ":00000001F",      // too short
      "00000001FF0",     // no colon
      ":00000001ff",     // lower-case digits
      ":0100000520da",   // lower-case checksum
      ":00000001FF\r",   // trailing carriage return
      ":00000001FF\n",   // trailing line feed
      ":0100000520DA00", // longer than its count says
      ":0200000520DA",   // shorter than its count says
      ":0100000520DB",   // checksum one off
      ":0100000520D9",   // checksum one off the other way
      ":01000005 0DA",   // a space inside
      ":G0000001FF",     // bad digit in the count
      ":0100000G20DA",   // bad digit in the type
  };
  for (const char* pLine : aBad) {
    gsLine = pLine;
    EXPECT_FALSE(ParseRecordLine()) << '"' << pLine << '"';
  }
}

TEST(Record, ParseIgnoresTheRecordType) {
  gsLine = ":00000007F9";
  ASSERT_TRUE(ParseRecordLine());
  EXPECT_EQ(gaRecord[3], 7);
}

TEST(Record, BytesBeforeABadDigitAreStored) {
  gaRecord.fill(0xEE);
  gsLine = ":021234X0ABCD40";
  EXPECT_FALSE(ParseRecordLine());
  EXPECT_EQ(gaRecord[0], 2);
  EXPECT_EQ(gaRecord[1], 0x12);
  EXPECT_EQ(gaRecord[2], 0x34);
  EXPECT_EQ(gaRecord[3], 0xEE); // the bad pair and everything after it untouched
}

TEST(Record, LineChecksumOfDigitText) {
  EXPECT_EQ(LineChecksum("", 0), 0);
  EXPECT_EQ(LineChecksum("0100000520", 5), 0xDA);
  EXPECT_EQ(LineChecksum("0100000520DA", 6), 0); // a line with its checksum sums to 0
  EXPECT_EQ(LineChecksum("02123400ABCD40", 7), 0);
  EXPECT_EQ(LineChecksum("02123400ABCD41", 7), 0xFF);
  EXPECT_EQ(LineChecksum("FF", 1), 0x01);
}

} // namespace
