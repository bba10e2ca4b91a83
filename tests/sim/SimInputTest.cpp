#include <gtest/gtest.h>

#include "uSimInput.h"

namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

class SimInputTest : public testing::Test {
protected:
  // Feeds sBytes at tStart + tOffset and returns the items completed by them.
  std::vector<TSimItem> Feed(const std::string& sBytes, std::chrono::milliseconds tOffset = 0ms) {
    std::vector<TSimItem> aItems;
    FInput.Feed(reinterpret_cast<const std::uint8_t*>(sBytes.data()), sBytes.size(),
                FtStart + tOffset, aItems);
    return aItems;
  }

  static std::string Bytes(std::initializer_list<int> aList) {
    std::string sText;
    for (int n : aList)
      sText.push_back(static_cast<char>(n));
    return sText;
  }

  TSimInput FInput;
  TSimInput::TClock::time_point FtStart = TSimInput::TClock::now();
};

const std::string cIDENT = "\x81\x00\x00\x00\x00\x00\x00\xAA"s;

TEST_F(SimInputTest, SplitsFramesAndLinesInOneChunk) {
  const std::string sWake(8, '\0');
  const auto aItems = Feed(sWake + cIDENT + ":0100000520DA" + cIDENT);
  ASSERT_EQ(aItems.size(), 4u);
  EXPECT_EQ(aItems[0].Kind, TSimItemKind::Frame);
  EXPECT_EQ(aItems[0].sBytes, sWake);
  EXPECT_EQ(aItems[1].sBytes, cIDENT);
  EXPECT_EQ(aItems[2].Kind, TSimItemKind::Line);
  EXPECT_EQ(aItems[2].sBytes, ":0100000520DA");
  EXPECT_EQ(aItems[3].sBytes, cIDENT);
}

TEST_F(SimInputTest, CompletesItemsSplitOverReads) {
  EXPECT_TRUE(Feed(cIDENT.substr(0, 3)).empty());
  const auto aFrame = Feed(cIDENT.substr(3) + ":01000005", 1ms);
  ASSERT_EQ(aFrame.size(), 1u);
  EXPECT_EQ(aFrame[0].sBytes, cIDENT);
  const auto aLine = Feed("30CA", 2ms);
  ASSERT_EQ(aLine.size(), 1u);
  EXPECT_EQ(aLine[0].sBytes, ":0100000530CA");
}

TEST_F(SimInputTest, DropsNoiseBetweenItems) {
  const auto aItems = Feed("\r\nxyz 12" + cIDENT + "\x7F\x01" + ":00000001FF");
  ASSERT_EQ(aItems.size(), 2u);
  EXPECT_EQ(aItems[0].sBytes, cIDENT);
  EXPECT_EQ(aItems[1].sBytes, ":00000001FF");
}

TEST_F(SimInputTest, SilenceDiscardsAPartialItem) {
  EXPECT_TRUE(Feed(cIDENT.substr(0, 5)).empty());
  ASSERT_TRUE(FInput.Expiry().has_value());
  EXPECT_EQ(*FInput.Expiry(), FtStart + TSimInput::cGAP);
  EXPECT_FALSE(FInput.ExpireIfSilent(FtStart + 49ms));
  EXPECT_TRUE(FInput.ExpireIfSilent(FtStart + 50ms));
  EXPECT_FALSE(FInput.HasPending());
  EXPECT_FALSE(FInput.Expiry().has_value());
  const auto aItems = Feed(cIDENT, 60ms);
  ASSERT_EQ(aItems.size(), 1u);
  EXPECT_EQ(aItems[0].sBytes, cIDENT);
}

TEST_F(SimInputTest, LateReadsAreNoSilence) {
  // Bytes read late (the simulator was busy) still complete the item: only a silence that was
  // seen discards it.
  EXPECT_TRUE(Feed(":01000005").empty());
  const auto aItems = Feed("20DA", 400ms);
  ASSERT_EQ(aItems.size(), 1u);
  EXPECT_EQ(aItems[0].sBytes, ":0100000520DA");
}

TEST_F(SimInputTest, AByteThatCannotContinueALineStartsTheNextItem) {
  // The line breaks off; the frame that follows is still recognised.
  const auto aItems = Feed(":010000" + cIDENT);
  ASSERT_EQ(aItems.size(), 1u);
  EXPECT_EQ(aItems[0].Kind, TSimItemKind::Frame);
  EXPECT_EQ(aItems[0].sBytes, cIDENT);
  // A new ":" inside a line starts a new line.
  const auto aLines = Feed(":0100:0100000531C9", 1ms);
  ASSERT_EQ(aLines.size(), 1u);
  EXPECT_EQ(aLines[0].sBytes, ":0100000531C9");
}

TEST_F(SimInputTest, RejectsLowerCaseDigitsAndCountsAbove64) {
  EXPECT_TRUE(Feed(":0100000520da").empty());
  EXPECT_TRUE(Feed(":41" + std::string(200, '0'), 1ms).empty());
  EXPECT_FALSE(FInput.HasPending());
  EXPECT_TRUE(Feed(":0a", 2ms).empty());
  // The longest line, count 64, is 139 characters.
  const std::string sLong = ":40000000" + std::string(128, 'F') + "00";
  const auto aItems = Feed(sLong, 3ms);
  ASSERT_EQ(aItems.size(), 1u);
  EXPECT_EQ(aItems[0].sBytes.size(), 139u);
}

TEST_F(SimInputTest, ResetDiscardsWhatArrivedBefore) {
  Feed(cIDENT.substr(0, 7));
  FInput.Reset();
  EXPECT_TRUE(Feed(Bytes({0xAA}), 1ms).empty());
  EXPECT_EQ(Feed(cIDENT, 2ms).size(), 1u);
}

} // namespace
