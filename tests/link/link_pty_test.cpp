// The POSIX serial port against a raw pseudo-terminal peer: line setting, exclusivity,
// transfer time limits, byte transparency, purge, hang-up and the byte trace.
#include "link/uRS232.h"
#include "uHolderProcess.h"
#include "uPtyPeer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/file.h>

namespace {

using namespace std::chrono_literals;

class PortOnPty : public testing::Test {
protected:
  void TearDown() override {
    if (FhPort != cINVALID_PORT) ClosePortHandle(FhPort);
  }

  TPortHandle Open() {
    FhPort = OpenPort(FPeer.Path(), 9600);
    return FhPort;
  }

  TPtyPeer FPeer;
  TPortHandle FhPort = cINVALID_PORT;
};

TEST_F(PortOnPty, OpensRaw9600EightNoneOneWithoutFlowControl) {
  ASSERT_NE(Open(), cINVALID_PORT);
  termios tio{};
  ASSERT_EQ(tcgetattr(static_cast<int>(FhPort), &tio), 0);
  EXPECT_EQ(cfgetospeed(&tio), B9600);
  EXPECT_EQ(cfgetispeed(&tio), B9600);
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0U);
  EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | IXANY | INPCK | ISTRIP | ICRNL | INLCR | IGNCR | PARMRK),
            0U);
  EXPECT_EQ(tio.c_oflag & OPOST, 0U);
  EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0U);
}

TEST_F(PortOnPty, SecondOpenFailsUntilTheFirstIsClosed) {
  ASSERT_NE(Open(), cINVALID_PORT);
  EXPECT_EQ(OpenPort(FPeer.Path(), 9600), cINVALID_PORT);
  ClosePortHandle(FhPort);
  FhPort = cINVALID_PORT;
  // Exclusive mode is cleared on close, so the next run gets the port again at once.
  ASSERT_NE(Open(), cINVALID_PORT);
}

TEST_F(PortOnPty, PortHeldByAnotherProgramIsLeftAlone) {
  // Another user holds the port (flock) with its own setting.
  const int fdOther = open(FPeer.Path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fdOther, 0);
  ASSERT_EQ(flock(fdOther, LOCK_EX | LOCK_NB), 0);
  termios tioOther{};
  ASSERT_EQ(tcgetattr(fdOther, &tioOther), 0);
  cfsetospeed(&tioOther, B4800);
  tioOther.c_lflag |= ECHO;
  ASSERT_EQ(tcsetattr(fdOther, TCSANOW, &tioOther), 0);

  EXPECT_EQ(Open(), cINVALID_PORT);

  termios tioAfter{};
  ASSERT_EQ(tcgetattr(fdOther, &tioAfter), 0);
  EXPECT_EQ(cfgetospeed(&tioAfter), B4800);
  EXPECT_NE(tioAfter.c_lflag & ECHO, 0U);
  close(fdOther);
  EXPECT_NE(Open(), cINVALID_PORT); // free again
}

TEST_F(PortOnPty, PortOpenedByAnotherProcessIsLeftAlone) {
  // A terminal program opened the port with a plain open(), no flock, and set its own line.
  termios tioOther{};
  ASSERT_EQ(tcgetattr(FPeer.SlaveFd(), &tioOther), 0);
  cfsetispeed(&tioOther, B4800);
  cfsetospeed(&tioOther, B4800);
  tioOther.c_cflag |= PARENB;
  tioOther.c_lflag |= ECHO | ICANON;
  THolderProcess other(THoldSpec{{}, FPeer.Path(), tioOther});
  termios tioBefore{};
  ASSERT_EQ(tcgetattr(FPeer.SlaveFd(), &tioBefore), 0);
  const std::string sTrace = testing::TempDir() + "link_held_" + std::to_string(getpid()) + ".txt";
  ASSERT_TRUE(OpenPortTrace(sTrace));

  EXPECT_EQ(Open(), cINVALID_PORT);

  ClosePortTrace();
  termios tioAfter{};
  ASSERT_EQ(tcgetattr(FPeer.SlaveFd(), &tioAfter), 0);
  EXPECT_EQ(std::memcmp(&tioBefore, &tioAfter, sizeof tioAfter), 0) << "changed the holder's line";
  EXPECT_EQ(cfgetospeed(&tioAfter), B4800);
  int nExclusive = -1;
  ASSERT_EQ(ioctl(FPeer.SlaveFd(), TIOCGEXCL, &nExclusive), 0);
  EXPECT_EQ(nExclusive, 0) << "left the port exclusive";
  std::ifstream file(sTrace);
  std::stringstream text;
  text << file.rdbuf();
  std::remove(sTrace.c_str());
  EXPECT_NE(text.str().find("held by process " + std::to_string(other.Pid())), std::string::npos)
      << text.str();
  EXPECT_EQ(text.str().find("-- open"), std::string::npos) << text.str();

  other.Release();
  EXPECT_NE(Open(), cINVALID_PORT); // free again
}

TEST_F(PortOnPty, CloseLeavesTheLineAt9600WithHangUpOnClose) {
  // Speed 0 on close would not spare the next open its DTR and RTS pulse (the drivers raise
  // both when a speed replaces 0), and would leave a hung-up line to a program that opens the
  // port next without setting a speed. The last close drops DTR and RTS (HUPCL).
  ASSERT_NE(Open(), cINVALID_PORT);
  ClosePortHandle(FhPort);
  FhPort = cINVALID_PORT;
  termios tio{};
  ASSERT_EQ(tcgetattr(FPeer.SlaveFd(), &tio), 0);
  EXPECT_EQ(cfgetospeed(&tio), B9600);
  EXPECT_EQ(cfgetispeed(&tio), B9600);
  EXPECT_NE(tio.c_cflag & HUPCL, 0U);
}

TEST(PortNames, MissingEmptyAndNonTerminalNamesFail) {
  EXPECT_EQ(OpenPort("", 9600), cINVALID_PORT);
  EXPECT_EQ(OpenPort("tarvik-no-such-port", 9600), cINVALID_PORT);
  EXPECT_EQ(OpenPort("/dev/tarvik-no-such-port", 9600), cINVALID_PORT);
  EXPECT_EQ(OpenPort("/dev/null", 9600), cINVALID_PORT); // not a terminal
  EXPECT_EQ(OpenPort("null", 9600), cINVALID_PORT);
}

TEST(PortNames, NameWithoutSlashIsLookedForUnderDev) {
  // /dev/ptmx is a terminal that every Linux has; opening it by its bare name proves the
  // "/dev/" prefix (and that the missing modem lines of a pseudo-terminal are no failure).
  const TPortHandle hPort = OpenPort("ptmx", 9600);
  EXPECT_NE(hPort, cINVALID_PORT);
  ClosePortHandle(hPort);
}

TEST_F(PortOnPty, UnsupportedBaudRateFailsAndReleasesThePort) {
  EXPECT_EQ(OpenPort(FPeer.Path(), 12345), cINVALID_PORT);
  EXPECT_NE(Open(), cINVALID_PORT); // the failed open left nothing locked behind
}

TEST_F(PortOnPty, EveryByteValuePassesUnchangedBothWays) {
  ASSERT_NE(Open(), cINVALID_PORT);
  TBytes aAll(256);
  for (int i = 0; i < 256; ++i)
    aAll[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  FPeer.SetResponder([](const TBytes& aPending) -> std::optional<TBytes> {
    if (aPending.size() < 256) return std::nullopt;
    return aPending; // echo
  });
  std::uint32_t nDone = 0;
  ASSERT_TRUE(WritePort(FhPort, aAll.data(), 256, nDone));
  EXPECT_EQ(nDone, 256U);
  TBytes aBack(256);
  ASSERT_TRUE(ReadPort(FhPort, aBack.data(), 256, nDone));
  EXPECT_EQ(nDone, 256U);
  EXPECT_EQ(FPeer.Received(), aAll); // 0x00, 0x11, 0x13, 0x0D, 0x0A, 0x20 ... as sent
  EXPECT_EQ(aBack, aAll);
}

TEST_F(PortOnPty, ReadWithNothingArrivingReturnsEmptyAfterNPlus200Ms) {
  ASSERT_NE(Open(), cINVALID_PORT);
  std::uint8_t aBuffer[8];
  std::uint32_t nDone = 99;
  const auto tStart = TClock::now();
  EXPECT_TRUE(ReadPort(FhPort, aBuffer, 8, nDone)); // silence is no failure
  const auto nWaited = TClock::now() - tStart;
  EXPECT_EQ(nDone, 0U);
  EXPECT_GE(nWaited, 208ms);
  EXPECT_LT(nWaited, 600ms);
}

TEST_F(PortOnPty, ReadReturnsAsSoonAsAllBytesArrived) {
  ASSERT_NE(Open(), cINVALID_PORT);
  std::thread late([this] {
    std::this_thread::sleep_for(20ms);
    FPeer.Send({1, 2, 3});
    std::this_thread::sleep_for(20ms);
    FPeer.Send({4, 5, 6, 7, 8, 9}); // one more than asked for
  });
  std::uint8_t aBuffer[8] = {};
  std::uint32_t nDone = 0;
  const auto tStart = TClock::now();
  EXPECT_TRUE(ReadPort(FhPort, aBuffer, 8, nDone));
  const auto nWaited = TClock::now() - tStart;
  late.join();
  EXPECT_EQ(nDone, 8U);
  EXPECT_EQ(TBytes(aBuffer, aBuffer + 8), (TBytes{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_LT(nWaited, 200ms);
}

TEST_F(PortOnPty, ShortAnswerGivesAShortCountAtTheDeadline) {
  ASSERT_NE(Open(), cINVALID_PORT);
  FPeer.Send({0xAA, 0xBB, 0xCC});
  std::uint8_t aBuffer[8] = {};
  std::uint32_t nDone = 0;
  EXPECT_TRUE(ReadPort(FhPort, aBuffer, 8, nDone));
  EXPECT_EQ(nDone, 3U);
}

TEST_F(PortOnPty, PurgeDiscardsWhatWaitsToBeRead) {
  ASSERT_NE(Open(), cINVALID_PORT);
  FPeer.Send({0x11, 0x22, 0x33});
  pollfd pfd{static_cast<int>(FhPort), POLLIN, 0};
  ASSERT_EQ(poll(&pfd, 1, 1000), 1); // the bytes are there
  EXPECT_TRUE(ClearPortErrors(FhPort));
  EXPECT_TRUE(PurgePort(FhPort));
  std::uint8_t aBuffer[1];
  std::uint32_t nDone = 9;
  EXPECT_TRUE(ReadPort(FhPort, aBuffer, 1, nDone));
  EXPECT_EQ(nDone, 0U);
}

TEST_F(PortOnPty, WhatWasWrittenSurvivesAnImmediatePurge) {
  // The exchanges purge before every write; the previous write (a frame sent without an
  // answer) may still wait unread at the peer then and must not be thrown away.
  ASSERT_NE(Open(), cINVALID_PORT);
  constexpr int cFrames = 2000;
  TBytes aSent;
  for (int i = 0; i < cFrames; ++i) {
    const std::uint8_t aFrame[8] = {
        0x81, static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8), 0, 0, 0, 0, 0xAA};
    std::uint32_t nDone = 0;
    ASSERT_TRUE(WritePort(FhPort, aFrame, 8, nDone));
    ASSERT_EQ(nDone, 8U);
    ASSERT_TRUE(PurgePort(FhPort));
    aSent.insert(aSent.end(), aFrame, aFrame + 8);
  }
  FPeer.WaitReceived(aSent.size(), 5000);
  const TBytes aReceived = FPeer.Received();
  EXPECT_EQ(aReceived.size(), aSent.size()) << "bytes lost to the purge";
  EXPECT_TRUE(aReceived == aSent);
}

struct TStallCase {
  std::uint32_t n;
  std::chrono::milliseconds nDeadline; // n ms plus the bytes' time at 9600 baud
};

class StalledWrite : public PortOnPty, public testing::WithParamInterface<TStallCase> {};

TEST_P(StalledWrite, GivesUpAtItsDeadlineWithAShortCount) {
  const TStallCase& c = GetParam();
  ASSERT_NE(Open(), cINVALID_PORT);
  FPeer.StopReading();
  ASSERT_GT(FPeer.FillUntilFull(static_cast<int>(FhPort)), 0U);

  const TBytes aData(c.n, 0x3A);
  std::uint32_t nDone = 99;
  const auto tStart = TClock::now();
  EXPECT_TRUE(WritePort(FhPort, aData.data(), c.n, nDone)); // a short count, not a failure
  const auto nWaited = TClock::now() - tStart;
  EXPECT_LT(nDone, c.n);
  EXPECT_GE(nWaited, c.nDeadline);
  EXPECT_LT(nWaited, c.nDeadline + 2s); // it gave up, and did not wait for the line
}

INSTANTIATE_TEST_SUITE_P(FrameAndLine, StalledWrite,
                         testing::Values(TStallCase{8, 16ms}, TStallCase{139, 283ms}),
                         [](const auto& rCase) { return "Bytes" + std::to_string(rCase.param.n); });

TEST_F(PortOnPty, HangUpMakesEveryCallFail) {
  ASSERT_NE(Open(), cINVALID_PORT);
  FPeer.HangUp();
  std::uint8_t aBuffer[8] = {};
  std::uint32_t nDone = 0;
  EXPECT_FALSE(ClearPortErrors(FhPort));
  EXPECT_FALSE(ReadPort(FhPort, aBuffer, 8, nDone));
  EXPECT_FALSE(WritePort(FhPort, aBuffer, 8, nDone));
}

TEST_F(PortOnPty, HangUpWhileWaitingEndsTheReadAtOnce) {
  ASSERT_NE(Open(), cINVALID_PORT);
  std::thread unplug([this] {
    std::this_thread::sleep_for(30ms);
    FPeer.HangUp();
  });
  std::uint8_t aBuffer[139];
  std::uint32_t nDone = 0;
  const auto tStart = TClock::now();
  EXPECT_FALSE(ReadPort(FhPort, aBuffer, 139, nDone)); // a failure, not a short answer
  const auto nWaited = TClock::now() - tStart;
  unplug.join();
  EXPECT_LT(nWaited, 300ms);
}

TEST_F(PortOnPty, TraceRecordsBytesBothWays) {
  const std::string sTrace = testing::TempDir() + "link_trace_" + std::to_string(getpid()) + ".txt";
  ASSERT_TRUE(OpenPortTrace(sTrace));
  ASSERT_NE(Open(), cINVALID_PORT);
  FPeer.AnswerUnits(8, {{0x00, 0x11, 0xFE}});
  const std::uint8_t aFrame[8] = {0x81, 0, 0, 0, 0, 0, 0, 0xAA};
  std::uint32_t nDone = 0;
  ASSERT_TRUE(WritePort(FhPort, aFrame, 8, nDone));
  std::uint8_t aBuffer[3];
  ASSERT_TRUE(ReadPort(FhPort, aBuffer, 3, nDone));
  ClosePortHandle(FhPort);
  FhPort = cINVALID_PORT;
  ClosePortTrace();

  std::ifstream file(sTrace);
  std::stringstream text;
  text << file.rdbuf();
  EXPECT_NE(text.str().find("out 81 00 00 00 00 00 00 AA\n"), std::string::npos) << text.str();
  EXPECT_NE(text.str().find("in  00 11 FE\n"), std::string::npos) << text.str();
  std::remove(sTrace.c_str());

  // After the close nothing more is written, and a file that cannot be made is refused.
  EXPECT_FALSE(OpenPortTrace("/nonexistent-dir/trace.txt"));
}

} // namespace
