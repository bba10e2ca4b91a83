// Progress percent, the update-ID check value, the failure class and the notification
// queue: worker parts that need no port.
#include "link/uCrc.h"
#include "uTestWorker.h"

#include <gtest/gtest.h>

#include <climits>
#include <thread>

namespace {

class Progress : public testing::Test {
protected:
  std::vector<std::uint32_t> Posted() {
    std::vector<std::uint32_t> aValues;
    while (const auto note = FpQueue->TryTake()) {
      EXPECT_EQ(note->FnCode, cMSG_PROGRESS);
      aValues.push_back(note->FnValue);
    }
    return aValues;
  }

  std::shared_ptr<TNotifyQueue> FpQueue = std::make_shared<TNotifyQueue>();
  TTestWorker FWorker{FpQueue, TCmd::tCMD0, ""};
};

TEST_F(Progress, PercentTableFromAFreshStart) {
  struct TCase {
    std::int32_t iPos, iMax, iPercent;
  };
  const TCase aCases[] = {
      {5, 0, 0},              // division by zero gives 0
      {150, 100, 99},         // clamped: 100 is the final notification's
      {-3, 10, 0},            // clamped at 0
      {1, 100, 0},            // 99/100 truncated
      {2, 100, 1},            // 198/100
      {50, 100, 49},          // 4950/100
      {100, 100, 99},         // the last line
      {3, -10, 0},            // a negative maximum gives a negative percent: 0
      {-10, -10, 99},         //
      {INT_MAX, INT_MAX, 99}, // no overflow in the multiplication
      {INT_MAX / 2, INT_MAX, 49},
      {INT_MIN, -1, 99},
  };
  for (const TCase& c : aCases) {
    FWorker.ResetProgress();
    FWorker.SetProgress(c.iPos, c.iMax);
    EXPECT_EQ(FWorker.FnProgres, c.iPercent) << c.iPos << "/" << c.iMax;
    const auto aPosted = Posted();
    if (c.iPercent == 0)
      EXPECT_TRUE(aPosted.empty()) << c.iPos << "/" << c.iMax; // 0 is never posted after a reset
    else
      EXPECT_EQ(aPosted, std::vector<std::uint32_t>{static_cast<std::uint32_t>(c.iPercent)});
  }
}

TEST_F(Progress, PostsOnlyWhenThePercentChanges) {
  for (std::int32_t iLine = 0; iLine <= 300; ++iLine)
    FWorker.SetProgress(iLine, 300);
  const auto aPosted = Posted();
  ASSERT_EQ(aPosted.size(), 99U); // 1..99, each once, in order
  for (std::size_t i = 0; i < aPosted.size(); ++i)
    EXPECT_EQ(aPosted[i], i + 1);

  FWorker.SetProgress(300, 300);
  EXPECT_TRUE(Posted().empty()); // the same percent twice posts once

  FWorker.ResetProgress();
  EXPECT_EQ(FWorker.FnProgres, 0);
  EXPECT_TRUE(Posted().empty()); // a reset posts nothing
  FWorker.SetProgress(300, 300);
  EXPECT_EQ(Posted(), std::vector<std::uint32_t>{99}); // a new run posts again
}

TEST(UpdateIdCrc, LaysOutTheWordsLowByteFirst) {
  const std::uint8_t aOne[10] = {0x01};
  EXPECT_EQ(TCommThread::calculateCRC16(0x0001, 0, 0, 0, 0), Crc16(aOne, 10));
  const std::uint8_t aBlock[10] = {0x01, 0x66, 0x00, 0x00, 0x18, 0x00, 0x35, 0x00, 0xFF, 0xFF};
  EXPECT_EQ(TCommThread::calculateCRC16(0x6601, 0, 24, 53, 0xFFFF), Crc16(aBlock, 10));
  EXPECT_NE(TCommThread::calculateCRC16(0x6601, 0, 24, 53, 0xFFFF),
            TCommThread::calculateCRC16(0x0166, 0, 24, 53, 0xFFFF));
}

TEST(Failure, ThreeConstructors) {
  const ETarv eCode(30);
  EXPECT_EQ(eCode.iException, 30);
  EXPECT_STREQ(eCode.what(), "");
  const ETarv eText(11, "ReadFile");
  EXPECT_EQ(eText.iException, 11);
  EXPECT_STREQ(eText.what(), "ReadFile");
  EXPECT_STREQ(ETarv(43, 0).what(), "0");
  EXPECT_STREQ(ETarv(43, -12).what(), "-12");
  EXPECT_STREQ(ETarv(43, INT_MIN).what(), "-2147483648");
  EXPECT_STREQ(ETarv(43, 1700).what(), "1700");
}

TEST(Notifications, QueueKeepsOrderAcrossThreadsAndTimesOut) {
  TNotifyQueue queue;
  EXPECT_FALSE(queue.Wait(20).has_value());
  std::thread poster([&] {
    for (std::uint32_t i = 0; i < 1000; ++i)
      queue.Post(cMSG_PROGRESS, i);
    queue.Post(cMSG_DONE, 0xFFFF);
  });
  for (std::uint32_t i = 0; i < 1000; ++i) {
    const auto note = queue.Wait(5000);
    ASSERT_TRUE(note.has_value());
    EXPECT_EQ(note->FnCode, cMSG_PROGRESS);
    EXPECT_EQ(note->FnValue, i);
  }
  const auto last = queue.Wait(5000);
  poster.join();
  ASSERT_TRUE(last.has_value());
  EXPECT_TRUE(IsFinalMessage(last->FnCode));
  EXPECT_EQ(last->FnValue, 65535U);
  EXPECT_FALSE(queue.TryTake().has_value());
}

TEST(WorkerRun, MissingPortEndsWith10AsTheOnlyNotification) {
  gbCancel = false;
  bool bRan = false;
  const TRunResult run =
      RunWorker("tarvik-no-such-port-9", TCmd::tCMD1, [&](TScriptWorker&) { bRan = true; });
  ASSERT_EQ(run.aNotes.size(), 1U);
  EXPECT_EQ(run.aNotes[0].FnCode, cMSG_FAILURE);
  EXPECT_EQ(run.aNotes[0].FnValue, 10U);
  EXPECT_TRUE(run.bWorkerEnded);
  EXPECT_TRUE(run.bNothingAfterFinal);
  EXPECT_FALSE(bRan);
  EXPECT_EQ(TCommThread::LiveWorkers(), 0);
}

} // namespace
