// The checks on answer frames and answer lines, on bytes as they arrive.
#include "link/uCrc.h"
#include "link/uFlash.h"
#include "worker/uAnswers.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::uint8_t> Frame(std::vector<std::uint8_t> aBytes) {
  aBytes.push_back(Crc8(aBytes.data(), 7));
  return aBytes;
}

struct TFrameCase {
  const char* sName;
  std::vector<std::uint8_t> aBytes;
  TFrameAnswer eAnswer;
};

void PrintTo(const TFrameCase& rCase, std::ostream* pOut) {
  *pOut << rCase.sName;
}

class AnswerFrame : public testing::TestWithParam<TFrameCase> {};

TEST_P(AnswerFrame, IsJudgedOnLengthCrcAndStatusBitOnly) {
  // Exactly the received bytes, so that a read beyond them shows under the address sanitizer.
  const std::vector<std::uint8_t>& aBytes = GetParam().aBytes;
  EXPECT_EQ(CheckFrameAnswer(aBytes.data(), static_cast<std::uint32_t>(aBytes.size())),
            GetParam().eAnswer);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AnswerFrame,
    testing::Values(
        TFrameCase{"Identification", Frame({0x00, 0x00, 0x66, 0x01, 0x06, 0x14, 0x00}),
                   TFrameAnswer::Valid},
        TFrameCase{"EveryStatusBitButTheErrorBit", Frame({0xDF, 1, 2, 3, 4, 5, 6}),
                   TFrameAnswer::Valid},
        TFrameCase{"ErrorBitWithCorrectCrc", Frame({0x20, 0, 0, 0, 0, 0, 0}),
                   TFrameAnswer::Refused},
        TFrameCase{"SevenBytes", {0x00, 0x00, 0x66, 0x01, 0x06, 0x14, 0x00}, TFrameAnswer::Retry},
        TFrameCase{"Nothing", {}, TFrameAnswer::Retry},
        TFrameCase{
            "WrongCrc", {0x00, 0x00, 0x66, 0x01, 0x06, 0x14, 0x00, 0x05}, TFrameAnswer::Retry},
        TFrameCase{"ErrorBitWithWrongCrc", {0x20, 0, 0, 0, 0, 0, 0, 1}, TFrameAnswer::Retry}),
    [](const auto& rInfo) { return std::string(rInfo.param.sName); });

std::vector<std::uint8_t> Bytes(const std::string& sText) {
  return std::vector<std::uint8_t>(sText.begin(), sText.end());
}

bool LineAnswer(const std::string& sText, std::uint8_t byCount) {
  const std::vector<std::uint8_t> aBytes = Bytes(sText);
  return CheckLineAnswer(aBytes.data(), static_cast<std::uint32_t>(aBytes.size()), byCount);
}

TEST(AnswerLine, IsJudgedOnLengthDigitsAndTheirSumOnly) {
  EXPECT_TRUE(LineAnswer(":0100000531C9", 1));
  EXPECT_TRUE(LineAnswer("X0100000531C9", 1)) << "the first character is not looked at";
  EXPECT_TRUE(LineAnswer(":0200000531C8", 1)) << "nor is the count field";
  EXPECT_FALSE(LineAnswer(":0100000531C", 1)) << "one character short";
  EXPECT_FALSE(LineAnswer("", 1));
  EXPECT_FALSE(LineAnswer(":0100000531CA", 1)) << "checksum off by one";
  EXPECT_TRUE(LineAnswer(":06000000001800350000AD", 6));
  // Only digits: stray bytes before the line shift it, and what is left must not pass even
  // where the digits that remain happen to add up to 0 (the ":" and the bytes counting 0).
  EXPECT_FALSE(LineAnswer("\r\n>:06000000000400060000", 6));
  EXPECT_FALSE(LineAnswer(":0100000531c9", 1)) << "lower-case digits";
  EXPECT_FALSE(LineAnswer(":01000005 31C9", 1)) << "a blank";
  EXPECT_EQ(AnswerLineLength(64), 139u);
  EXPECT_EQ(AnswerLineLength(255), 521u);
}

TEST(AnswerRecord, NeedsAValidRecordWithTheDataBytesAskedFor) {
  EXPECT_TRUE(DecodeAnswerRecord(":06000000001800350000AD", 6));
  EXPECT_EQ(gaRecord[0], 6);
  EXPECT_EQ(gaRecord[5], 0x18); // data byte 1
  EXPECT_FALSE(DecodeAnswerRecord(":06000000001800350000AD", 64)) << "another count";
  EXPECT_FALSE(DecodeAnswerRecord("X06000000001800350000AD", 6)) << "no colon";
  EXPECT_FALSE(DecodeAnswerRecord(":06000000001800350000ad", 6)) << "lower-case digits";
  EXPECT_FALSE(DecodeAnswerRecord(":06000000001800350000AE", 6)) << "checksum";
  EXPECT_FALSE(DecodeAnswerRecord("", 0));
}

} // namespace
