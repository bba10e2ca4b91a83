// Frame and line exchanges byte for byte against a raw pseudo-terminal peer, and whole
// worker runs where the exact bytes and their timing on the wire matter.
#include "link/uCrc.h"
#include "link/uRS232_internal.h"
#include "uPtyPeer.h"
#include "uTestWorker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace {

using namespace std::chrono_literals;

// Pauses are timed from the port's own byte trace: each write is stamped by the writing
// thread after the write and before the pause that follows it, so load can only lengthen the
// gaps. (The peer's stamps cannot bound them: its thread may read one chunk late and the
// next on time.)
class TWriteTimes {
public:
  TWriteTimes()
      : FsPath(testing::TempDir() + "worker_writes_" + std::to_string(getpid()) + ".txt") {
    OpenPortTrace(FsPath);
  }
  ~TWriteTimes() {
    ClosePortTrace();
    std::remove(FsPath.c_str());
  }
  TWriteTimes(const TWriteTimes&) = delete;
  TWriteTimes& operator=(const TWriteTimes&) = delete;

  // The time since the trace began of every write, and of every note with sNote.
  std::vector<std::chrono::microseconds> Stamps(const std::string& sWhat = "out") {
    std::vector<std::chrono::microseconds> aStamps;
    std::ifstream file(FsPath);
    for (std::string sLine; std::getline(file, sLine);) {
      const std::size_t nPlus = sLine.find(" +");
      const std::size_t nPort = sLine.find(" port ");
      if (nPlus == std::string::npos || nPort == std::string::npos) continue;
      const std::size_t nKind = sLine.find(' ', nPort + 6);
      if (nKind == std::string::npos || sLine.compare(nKind + 1, sWhat.size(), sWhat) != 0)
        continue;
      const double dSeconds = std::stod(sLine.substr(nPlus + 2, nPort - nPlus - 2));
      aStamps.emplace_back(static_cast<std::int64_t>(dSeconds * 1e6 + 0.5));
    }
    return aStamps;
  }

  // Gaps between successive stamps.
  std::vector<std::chrono::microseconds> Gaps(const std::string& sWhat = "out") {
    const auto aStamps = Stamps(sWhat);
    std::vector<std::chrono::microseconds> aGaps;
    for (std::size_t i = 1; i < aStamps.size(); ++i)
      aGaps.push_back(aStamps[i] - aStamps[i - 1]);
    return aGaps;
  }

private:
  std::string FsPath;
};

TBytes Frame(std::uint8_t byStatus, std::vector<std::uint8_t> aData = {0, 0, 0, 0, 0, 0}) {
  TBytes aFrame(8, 0); // sized up front: GCC 12 -O2 misreads an insert into {byStatus}
  aFrame[0] = byStatus;
  std::copy_n(aData.begin(), std::min<std::size_t>(aData.size(), 6), aFrame.begin() + 1);
  aFrame[7] = Crc8(aFrame.data(), 7);
  return aFrame;
}

TBytes Text(const std::string& s) {
  return TBytes(s.begin(), s.end());
}

std::int32_t CodeOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const ETarv& e) {
    return e.iException;
  }
  return -1;
}

class ExchangeOnPty : public testing::Test {
protected:
  void SetUp() override {
    gbCancel = false;
    ASSERT_TRUE(FWorker.Open());
  }

  TPtyPeer FPeer;
  std::shared_ptr<TNotifyQueue> FpQueue = std::make_shared<TNotifyQueue>();
  TTestWorker FWorker{FpQueue, TCmd::tCMD0, FPeer.Path()};
};

struct TFrameCase {
  std::uint8_t byCmd;
  std::array<std::uint8_t, 6> aParams;
  TBytes aWire;
};

void PrintTo(const TFrameCase& c, std::ostream* pOut) {
  *pOut << "cmd " << int(c.byCmd);
}

class FrameOnTheWire : public ExchangeOnPty, public testing::WithParamInterface<TFrameCase> {};

TEST_P(FrameOnTheWire, IsBuiltAndSentAsItStands) {
  const TFrameCase& c = GetParam();
  const TBytes aAnswer = Frame(0x00, {1, 0x66, 0x01, 0x06, 0x14, 0});
  FPeer.AnswerUnits(8, {aAnswer});
  FWorker.SendCommand(true, c.byCmd, c.aParams[0], c.aParams[1], c.aParams[2], c.aParams[3],
                      c.aParams[4], c.aParams[5]);
  EXPECT_EQ(FPeer.Received(), c.aWire);
  EXPECT_EQ(TBytes(FWorker.FRxBuffer, FWorker.FRxBuffer + 8), aAnswer); // left for the caller
}

INSTANTIATE_TEST_SUITE_P(
    Examples, FrameOnTheWire,
    testing::Values(
        TFrameCase{1, {0, 0, 0, 0, 0, 0}, {0x81, 0, 0, 0, 0, 0, 0, 0xAA}},
        TFrameCase{5, {3, 0xA5, 0x5A, 0, 0, 0}, {0x85, 0x03, 0xA5, 0x5A, 0, 0, 0, 0x25}},
        TFrameCase{2, {0x81, 0, 0xA5, 0x5A, 0, 0}, {0x82, 0x81, 0x00, 0xA5, 0x5A, 0, 0, 0x09}},
        TFrameCase{0x81, {0, 0, 0, 0, 0, 0}, {0x81, 0, 0, 0, 0, 0, 0, 0xAA}}));

TEST_F(ExchangeOnPty, WakeFrameIsEightZeroBytesWrittenWithoutARead) {
  const auto tStart = TClock::now();
  FWorker.SendCommand(false, cCMD_WAKE, 1, 2, 3, 4, 5, 6); // the parameters do not matter
  EXPECT_LT(TClock::now() - tStart, 150ms);                // a read would wait 208 ms
  ASSERT_TRUE(FPeer.WaitReceived(8, 1000));
  EXPECT_EQ(FPeer.Received(), TBytes(8, 0));
}

TEST_F(ExchangeOnPty, BadAnswersAreRetriedWithTheSameFrameAfterPauses) {
  TBytes aWrongCrc = Frame(0x00, {9, 9, 9, 9, 9, 9});
  aWrongCrc[7] ^= 0x01;
  const TBytes aGood = Frame(0x00, {1, 2, 3, 4, 5, 6});
  const TBytes aSevenBytes(aGood.begin(), aGood.begin() + 7);
  FPeer.AnswerUnits(8, {aSevenBytes, aWrongCrc, aGood});
  TWriteTimes writes;

  FWorker.SendCommand(true, 1);

  FPeer.WaitReceived(24, 1000);
  const TBytes aReceived = FPeer.Received();
  ASSERT_EQ(aReceived.size(), 24U);
  EXPECT_EQ(TBytes(aReceived.begin() + 8, aReceived.begin() + 16),
            TBytes(aReceived.begin(), aReceived.begin() + 8));
  EXPECT_EQ(TBytes(aReceived.begin() + 16, aReceived.end()),
            TBytes(aReceived.begin(), aReceived.begin() + 8));
  const auto aGaps = writes.Gaps();
  ASSERT_EQ(aGaps.size(), 2U);
  for (const auto nGap : aGaps)
    EXPECT_GE(nGap, 100ms);
  EXPECT_EQ(TBytes(FWorker.FRxBuffer, FWorker.FRxBuffer + 8), aGood);
}

TEST_F(ExchangeOnPty, FiveTriesWithoutAnswerRaise30) {
  FPeer.AnswerUnits(8, {}); // never answers
  TWriteTimes writes;
  const auto tStart = TClock::now();
  EXPECT_EQ(CodeOf([&] { FWorker.SendCommand(true, 1); }), cERR_NO_ANSWER);
  const auto nTook = TClock::now() - tStart;
  FPeer.WaitReceived(5 * 8, 1000);
  EXPECT_EQ(FPeer.Received().size(), 5 * 8U);
  const auto aGaps = writes.Gaps();
  ASSERT_EQ(aGaps.size(), 4U);
  for (const auto nGap : aGaps)
    EXPECT_GE(nGap, 308ms); // 208 ms read + 100 ms pause
  EXPECT_GE(nTook, 5 * 208ms + 4 * 100ms);
  EXPECT_LT(nTook, 3000ms);
}

TEST_F(ExchangeOnPty, StatusBitRaises41AtOnceOtherStatusBitsPass) {
  FPeer.AnswerUnits(8, {Frame(0xDF), Frame(0x20)});
  FWorker.SendCommand(true, 1); // 0xDF: every bit but 0x20
  try {
    FWorker.SendCommand(true, 1);
    ADD_FAILURE() << "no exception";
  } catch (const ETarv& e) {
    EXPECT_EQ(e.iException, cERR_LOGGER);
    EXPECT_STREQ(e.what(), "Tarv Exception!");
  }
  EXPECT_EQ(FPeer.Received().size(), 16U); // no retry after the status bit
}

TEST_F(ExchangeOnPty, CancelRaises20WithoutWriting) {
  gbCancel = true;
  EXPECT_EQ(CodeOf([&] { FWorker.SendCommand(true, 1); }), cERR_CANCEL);
  EXPECT_EQ(CodeOf([&] { FWorker.SendLine(":00000001FF", 0, true); }), cERR_CANCEL);
  std::this_thread::sleep_for(50ms);
  EXPECT_TRUE(FPeer.Received().empty());
}

TEST_F(ExchangeOnPty, VanishedPortRaises11WithoutRetry) {
  FPeer.HangUp();
  const auto tStart = TClock::now();
  EXPECT_EQ(CodeOf([&] { FWorker.SendCommand(true, 1); }), cERR_SERIAL);
  EXPECT_EQ(CodeOf([&] { FWorker.SendLine(":0100000520DA", 6, false); }), cERR_SERIAL);
  EXPECT_LT(TClock::now() - tStart, 100ms);
}

TEST_F(ExchangeOnPty, PortVanishingWhileWaitingForTheAnswerRaises11) {
  std::thread unplug;
  FPeer.SetResponder([&](const TBytes& aPending) -> std::optional<TBytes> {
    // Unplugged once the frame is out; the peer thread cannot join itself, so another does it.
    if (aPending.size() >= 8 && !unplug.joinable())
      unplug = std::thread([this] { FPeer.HangUp(); });
    return std::nullopt;
  });
  const auto tStart = TClock::now();
  EXPECT_EQ(CodeOf([&] { FWorker.SendCommand(true, 1); }), cERR_SERIAL);
  EXPECT_LT(TClock::now() - tStart, 200ms); // ended by the hang-up, not by the read time
  unplug.join();
}

TEST_F(ExchangeOnPty, LineWithoutAnswerIsWrittenAndNothingRead) {
  FWorker.FRxCnt = 99;
  const auto tStart = TClock::now();
  EXPECT_TRUE(FWorker.SendLine(":0100000533C7", 0, true));
  EXPECT_LT(TClock::now() - tStart, 150ms);
  EXPECT_EQ(FWorker.FRxCnt, 0);
  EXPECT_EQ(FWorker.AnswerLine(), "");
  ASSERT_TRUE(FPeer.WaitReceived(13, 1000));
  EXPECT_EQ(FPeer.Received(), Text(":0100000533C7"));
}

TEST_F(ExchangeOnPty, AnswerIsCheckedOnlyByLengthAndDigitSum) {
  const std::string sRequest = ":0100000530CA";
  // Right length and sum, but no ":" first and a count field of 0 instead of 1.
  const std::string sAnswer = "X0000000520DB";
  FPeer.AnswerUnits(sRequest.size(), {Text(sAnswer)});
  EXPECT_TRUE(FWorker.ExchangeLine(sRequest, 1));
  EXPECT_EQ(FWorker.FRxCnt, 13);
  EXPECT_EQ(FWorker.AnswerLine(), sAnswer);
}

TEST_F(ExchangeOnPty, AnswerOneByteShortFailsYetFRxCntIsTheFullLength) {
  const std::string sRequest = ":0100000530CA";
  FPeer.AnswerUnits(sRequest.size(), {Text(":0100000520D")});
  EXPECT_FALSE(FWorker.ExchangeLine(sRequest, 1));
  EXPECT_EQ(FWorker.FRxCnt, 13);
}

TEST_F(ExchangeOnPty, ChecksumOffThenRetryWritesTheSameLine) {
  const std::string sRequest = ":0100000520DA";
  FPeer.AnswerUnits(sRequest.size(), {Text(":0100000521DA"), Text(":0100000520DA")});
  TWriteTimes writes;
  EXPECT_TRUE(FWorker.SendLine(sRequest, 1, true));
  FPeer.WaitReceived(2 * sRequest.size(), 1000);
  EXPECT_EQ(FPeer.Received(), Text(sRequest + sRequest));
  const auto aGaps = writes.Gaps();
  ASSERT_EQ(aGaps.size(), 1U);
  EXPECT_GE(aGaps[0], 100ms);
  EXPECT_EQ(FWorker.AnswerLine(), ":0100000520DA");
}

TEST_F(ExchangeOnPty, LongestLineGoesOutWhole139BytesAndIsEchoed) {
  std::string sLine = ":40000000";
  std::uint8_t bySum = 0x40;
  for (int i = 0; i < 64; ++i) {
    const auto by = static_cast<std::uint8_t>(i * 7 + 1);
    static const char aHex[] = "0123456789ABCDEF";
    sLine += aHex[by >> 4];
    sLine += aHex[by & 15];
    bySum = static_cast<std::uint8_t>(bySum + by);
  }
  const auto byCheck = static_cast<std::uint8_t>(0 - bySum);
  sLine += "0123456789ABCDEF"[byCheck >> 4];
  sLine += "0123456789ABCDEF"[byCheck & 15];
  ASSERT_EQ(sLine.size(), 139U);
  FPeer.SetResponder([](const TBytes& aPending) -> std::optional<TBytes> {
    if (aPending.size() < 139) return std::nullopt;
    return aPending;
  });
  EXPECT_TRUE(FWorker.SendLine(sLine, 64, true));
  EXPECT_EQ(FPeer.Received(), Text(sLine));
  EXPECT_EQ(FWorker.FRxCnt, 139);
  EXPECT_EQ(FWorker.AnswerLine(), sLine);
}

// The other end stops taking bytes (a stalled adapter): writes end at their deadline.
TEST_F(ExchangeOnPty, StalledFrameWritesAreTriedFiveTimesThenRaise30) {
  FPeer.StopReading();
  ASSERT_GT(FPeer.FillUntilFull(static_cast<int>(FWorker.FhPort)), 0U);
  const auto tStart = TClock::now();
  EXPECT_EQ(CodeOf([&] { FWorker.SendCommand(true, 1); }), cERR_NO_ANSWER);
  const auto nTook = TClock::now() - tStart;
  EXPECT_GE(nTook, 5 * 16ms + 4 * 100ms);  // five writes of 8 ms + 8 bytes' line time
  EXPECT_LT(nTook, 5 * 208ms + 4 * 100ms); // a write that went through would wait 208 ms to read
}

TEST_F(ExchangeOnPty, StalledLineWriteRaises11AtOnce) {
  FPeer.StopReading();
  ASSERT_GT(FPeer.FillUntilFull(static_cast<int>(FWorker.FhPort)), 0U);
  const auto tStart = TClock::now();
  try {
    FWorker.SendLine(":0100000520DA", 6, true);
    ADD_FAILURE() << "no exception";
  } catch (const ETarv& e) {
    EXPECT_EQ(e.iException, cERR_SERIAL);
    EXPECT_STREQ(e.what(), "WriteFile <> txCnt");
  }
  const auto nTook = TClock::now() - tStart;
  EXPECT_GE(nTook, 26ms); // 13 ms + 13 bytes' line time, once: no retry
  EXPECT_LT(nTook, 2s);
}

class SilentLine : public ExchangeOnPty, public testing::WithParamInterface<bool> {};

TEST_P(SilentLine, FiveTriesThenFalseOr30) {
  const bool bFail = GetParam();
  FPeer.AnswerUnits(13, {});
  bool bResult = true;
  const std::int32_t iCode = CodeOf([&] { bResult = FWorker.SendLine(":0100000520DA", 6, bFail); });
  EXPECT_EQ(iCode, bFail ? cERR_NO_ANSWER : -1);
  if (!bFail) {
    EXPECT_FALSE(bResult);
  }
  FPeer.WaitReceived(5 * 13, 1000);
  EXPECT_EQ(FPeer.Received().size(), 5 * 13U); // five tries
}

INSTANTIATE_TEST_SUITE_P(BothWays, SilentLine, testing::Bool());

// Whole runs on their own thread.

TEST(WorkerRunOnPty, WakesTwiceWithPausesThenRunsTheCommandAndEndsDone) {
  gbCancel = false;
  TPtyPeer peer;
  TWriteTimes writes;
  const TRunResult run = RunWorker(peer.Path(), TCmd::tCMD2, [&](TScriptWorker& worker) {
    TracePortEvent(worker.FhPort, "script");
  });
  ASSERT_EQ(run.aNotes.size(), 1U);
  EXPECT_EQ(run.aNotes[0].FnCode, cMSG_DONE);
  EXPECT_EQ(run.aNotes[0].FnValue, 2U);
  EXPECT_TRUE(run.bPortFreeAtFinal);
  EXPECT_TRUE(run.bWorkerEnded);
  EXPECT_TRUE(run.bNothingAfterFinal);

  ASSERT_TRUE(peer.WaitReceived(16, 1000));
  EXPECT_EQ(peer.Received(), TBytes(16, 0));
  const auto aWakes = writes.Stamps();
  const auto aScript = writes.Stamps("-- script");
  ASSERT_EQ(aWakes.size(), 2U);
  ASSERT_EQ(aScript.size(), 1U);
  EXPECT_GE(aWakes[1] - aWakes[0], 100ms);
  EXPECT_GE(aScript[0] - aWakes[0], 200ms);
}

TEST(WorkerRunOnPty, BusyPortEndsWith10AsTheOnlyNotification) {
  gbCancel = false;
  TPtyPeer peer;
  const TPortHandle hOther = OpenPort(peer.Path(), 9600); // another program holds it
  ASSERT_NE(hOther, cINVALID_PORT);
  bool bRan = false;
  const TRunResult run = RunWorker(peer.Path(), TCmd::tCMD0, [&](TScriptWorker&) { bRan = true; });
  ClosePortHandle(hOther);
  ASSERT_EQ(run.aNotes.size(), 1U);
  EXPECT_EQ(run.aNotes[0].FnCode, cMSG_FAILURE);
  EXPECT_EQ(run.aNotes[0].FnValue, 10U);
  EXPECT_TRUE(run.bNothingAfterFinal);
  EXPECT_FALSE(bRan);
  std::this_thread::sleep_for(20ms);
  EXPECT_TRUE(peer.Received().empty()); // not a byte was sent
}

TEST(WorkerRunOnPty, CancelBeforeTheWakeEndsWith20AndNothingWritten) {
  TPtyPeer peer;
  gbCancel = true;
  const TRunResult run = RunWorker(peer.Path(), TCmd::tCMD0, nullptr);
  gbCancel = false;
  ASSERT_EQ(run.aNotes.size(), 1U);
  EXPECT_EQ(run.aNotes[0].FnCode, cMSG_FAILURE);
  EXPECT_EQ(run.aNotes[0].FnValue, 20U);
  EXPECT_TRUE(run.bPortFreeAtFinal);
  std::this_thread::sleep_for(20ms);
  EXPECT_TRUE(peer.Received().empty());
}

TEST(WorkerRunOnPty, CancelEndsARunStalledOnItsWrites) {
  gbCancel = false;
  TPtyPeer peer;
  std::thread cancel;
  TClock::time_point tCancel;
  const TRunResult run = RunWorker(peer.Path(), TCmd::tCMD0, [&](TScriptWorker& worker) {
    peer.StopReading();
    peer.FillUntilFull(static_cast<int>(worker.FhPort));
    cancel = std::thread([&] {
      std::this_thread::sleep_for(150ms);
      tCancel = TClock::now();
      gbCancel = true;
    });
    worker.SendCommand(true, 1);
  });
  const auto tEnd = TClock::now();
  cancel.join();
  gbCancel = false;
  ASSERT_EQ(run.aNotes.size(), 1U);
  EXPECT_EQ(run.aNotes[0].FnCode, cMSG_FAILURE);
  EXPECT_EQ(run.aNotes[0].FnValue, 20U);
  EXPECT_TRUE(run.bPortFreeAtFinal);
  EXPECT_LT(tEnd - tCancel, 2s); // one write and one pause at most, not the line
}

TEST(WorkerRunOnPty, PortVanishingDuringTheRunEndsWith11) {
  gbCancel = false;
  TPtyPeer peer;
  const TRunResult run = RunWorker(peer.Path(), TCmd::tCMD0, [&](TScriptWorker& worker) {
    peer.HangUp();
    worker.SendCommand(true, 1);
  });
  ASSERT_EQ(run.aNotes.size(), 1U);
  EXPECT_EQ(run.aNotes[0].FnCode, cMSG_FAILURE);
  EXPECT_EQ(run.aNotes[0].FnValue, 11U);
  EXPECT_TRUE(run.bWorkerEnded);
}

} // namespace
