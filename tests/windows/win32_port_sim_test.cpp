// The Win32 serial port under wine against the simulated logger, reached as a COM port.
#include "link/uCrc.h"
#include "link/uRS232.h"
#include "uSimLogger.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using TFrame = std::array<std::uint8_t, 8>;

const TFrame caIdentify{0x81, 0, 0, 0, 0, 0, 0, 0xAA};

class TOpenPort {
public:
  explicit TOpenPort(const std::string& sName) : FhPort(OpenPort(sName, 9600)) {}
  ~TOpenPort() { ClosePortHandle(FhPort); }
  TPortHandle FhPort;
};

// Purge, write the frame, read eight bytes: what ExchangeFrame does on the wire.
std::uint32_t Exchange(TPortHandle hPort, const TFrame& aSend, TFrame& aAnswer) {
  std::uint32_t nDone = 0;
  EXPECT_TRUE(ClearPortErrors(hPort));
  EXPECT_TRUE(PurgePort(hPort));
  EXPECT_TRUE(WritePort(hPort, aSend.data(), 8, nDone));
  EXPECT_EQ(nDone, 8u);
  EXPECT_TRUE(ReadPort(hPort, aAnswer.data(), 8, nDone));
  return nDone;
}

TEST(Win32PortTest, IdentifyFrameRoundTrip) {
  TSimLogger sim({"--app-class", "0x6601", "--app-version", "0x0614"});
  TOpenPort port(sim.Port());
  ASSERT_NE(port.FhPort, cINVALID_PORT) << sim.Port();
  TFrame aAnswer{};
  ASSERT_EQ(Exchange(port.FhPort, caIdentify, aAnswer), 8u);
  EXPECT_EQ(aAnswer[7], Crc8(aAnswer.data(), 7));
  EXPECT_EQ(aAnswer[0] & 0x20, 0);
  EXPECT_EQ(aAnswer[2], 0x66);
  EXPECT_EQ(aAnswer[3], 0x01);
  EXPECT_EQ(aAnswer[4], 0x06);
  EXPECT_EQ(aAnswer[5], 0x14);
}

// XON, XOFF, NUL and the space (the unused event characters) must pass untouched both ways:
// the logger answers only a frame whose CRC still fits, with the serial number 0x20131100.
TEST(Win32PortTest, FlowControlAndSpecialBytesPassUnchanged) {
  TSimLogger sim({"--serial", "0x20131100"});
  TOpenPort port(sim.Port());
  ASSERT_NE(port.FhPort, cINVALID_PORT);
  TFrame aSerial{0x81, 0x03, 0x11, 0x13, 0x20, 0x00, 0x00, 0};
  aSerial[7] = Crc8(aSerial.data(), 7);
  TFrame aAnswer{};
  ASSERT_EQ(Exchange(port.FhPort, aSerial, aAnswer), 8u);
  EXPECT_EQ(aAnswer[1], 0x00);
  EXPECT_EQ(aAnswer[2], 0x11);
  EXPECT_EQ(aAnswer[3], 0x13);
  EXPECT_EQ(aAnswer[4], 0x20);
  EXPECT_EQ(aAnswer[7], Crc8(aAnswer.data(), 7));
}

TEST(Win32PortTest, SilentLoggerGivesShortCountAfterTheReadTime) {
  TSimLogger sim({"--fault", "silent:frame:1:always"});
  TOpenPort port(sim.Port());
  ASSERT_NE(port.FhPort, cINVALID_PORT);
  TFrame aAnswer{};
  const auto tStart = std::chrono::steady_clock::now();
  EXPECT_EQ(Exchange(port.FhPort, caIdentify, aAnswer), 0u);
  // 8 bytes: 1 ms each plus 200 ms.
  EXPECT_GE(std::chrono::steady_clock::now() - tStart, std::chrono::milliseconds(200));
}

TEST(Win32PortTest, PortCanBeReopenedForTheNextRun) {
  TSimLogger sim;
  for (int nRun = 0; nRun < 3; ++nRun) {
    TOpenPort port(sim.Port());
    ASSERT_NE(port.FhPort, cINVALID_PORT) << "run " << nRun;
    TFrame aAnswer{};
    EXPECT_EQ(Exchange(port.FhPort, caIdentify, aAnswer), 8u) << "run " << nRun;
  }
}

TEST(Win32PortTest, MissingOrEmptyPortNameFails) {
  EXPECT_EQ(OpenPort("COM254", 9600), cINVALID_PORT);
  EXPECT_EQ(OpenPort("", 9600), cINVALID_PORT);
  EXPECT_EQ(OpenPort("\xFF\xFE", 9600), cINVALID_PORT); // not UTF-8
}

TEST(Win32PortTest, VanishedPortFailsTheCall) {
  TSimLogger sim({"--fault", "hangup:frame:1"});
  TOpenPort port(sim.Port());
  ASSERT_NE(port.FhPort, cINVALID_PORT);
  // The first frame makes the logger hang up; within a few tries a call must fail outright.
  bool bFailed = false;
  for (int nTry = 0; nTry < 5 && !bFailed; ++nTry) {
    TFrame aAnswer{};
    std::uint32_t nDone = 0;
    bFailed = !ClearPortErrors(port.FhPort) || !PurgePort(port.FhPort) ||
              !WritePort(port.FhPort, caIdentify.data(), 8, nDone) ||
              !ReadPort(port.FhPort, aAnswer.data(), 8, nDone);
  }
  EXPECT_TRUE(bFailed);
}

// The exchanges purge before every write, while the previous frame (one sent without an
// answer) may not have reached the logger yet: the purge must leave it alone.
// The bytes the simulated logger received, from its trace.
std::size_t BytesReceived(TSimLogger& rSim) {
  std::ifstream File(rSim.TracePath());
  std::size_t nReceived = 0;
  for (std::string sLine; std::getline(File, sLine);) {
    std::istringstream Fields(sLine);
    std::string sStamp, sDirection, sByte;
    Fields >> sStamp >> sDirection;
    if (sDirection != "in") continue;
    while (Fields >> sByte)
      ++nReceived;
  }
  return nReceived;
}

TEST(Win32PortTest, WhatWasWrittenSurvivesAnImmediatePurge) {
  TSimLogger sim;
  constexpr std::size_t cFrames = 300;
  {
    TOpenPort port(sim.Port());
    ASSERT_NE(port.FhPort, cINVALID_PORT);
    const TFrame aWake{};
    for (std::size_t i = 0; i < cFrames; ++i) {
      std::uint32_t nDone = 0;
      ASSERT_TRUE(WritePort(port.FhPort, aWake.data(), 8, nDone));
      ASSERT_EQ(nDone, 8u);
      ASSERT_TRUE(PurgePort(port.FhPort));
    }
  }
  // The logger reads at its own pace: give it time before it is stopped.
  const auto tGiveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (BytesReceived(sim) < 8 * cFrames && std::chrono::steady_clock::now() < tGiveUp)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  sim.Stop();
  EXPECT_EQ(BytesReceived(sim), 8 * cFrames) << "bytes the logger received";
}

TEST(Win32PortTest, TraceRecordsTheBytesBothWays) {
  TSimLogger sim;
  const std::string sTrace = sim.FlashOutPath() + ".port-trace";
  ASSERT_TRUE(OpenPortTrace(sTrace));
  {
    TOpenPort port(sim.Port());
    ASSERT_NE(port.FhPort, cINVALID_PORT);
    TFrame aAnswer{};
    EXPECT_EQ(Exchange(port.FhPort, caIdentify, aAnswer), 8u);
  }
  ClosePortTrace();
  std::ifstream File(sTrace);
  std::stringstream Text;
  Text << File.rdbuf();
  EXPECT_NE(Text.str().find("out 81 00 00 00 00 00 00 AA"), std::string::npos) << Text.str();
  EXPECT_NE(Text.str().find("in "), std::string::npos) << Text.str();
}

TEST(SimLoggerBridgeTest, ParallelSimulatorsGetTheirOwnPorts) {
  TSimLogger simA({"--serial", "111"});
  TSimLogger simB({"--serial", "222"});
  ASSERT_NE(simA.Port(), simB.Port());
  const TFrame aSerial{0x81, 3, 0, 0,
                       0,    0, 0, Crc8(std::array<std::uint8_t, 7>{0x81, 3}.data(), 7)};
  for (auto [pSim, nSerial] : {std::pair{&simA, 111}, std::pair{&simB, 222}}) {
    TOpenPort port(pSim->Port());
    ASSERT_NE(port.FhPort, cINVALID_PORT);
    TFrame aAnswer{};
    ASSERT_EQ(Exchange(port.FhPort, aSerial, aAnswer), 8u);
    EXPECT_EQ(aAnswer[1], nSerial);
  }
}

TEST(SimLoggerBridgeTest, StopReportsTheExitStatusAndFreesThePort) {
  std::string sPort;
  {
    TSimLogger sim;
    sPort = sim.Port();
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_EQ(sim.Stop(), 0);                        // a second stop repeats the status
    EXPECT_EQ(OpenPort(sPort, 9600), cINVALID_PORT); // the COM link went with the simulator
  }
}

TEST(SimLoggerBridgeTest, UsageErrorOfTheSimulatorIsReported) {
  try {
    TSimLogger sim({"--no-such-option"});
    FAIL() << "started on " << sim.Port();
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("exit status 2"), std::string::npos) << e.what();
  }
}

} // namespace
