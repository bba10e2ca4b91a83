// Whole worker runs and exchanges against the simulated logger. Portable: the Windows build
// runs these under wine against the same simulator.
#include "link/uFlash.h"
#include "uSimLogger.h"
#include "uTestWorker.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// bPortStays false: the port vanished during the run, so it cannot be opened again.
void ExpectOnlyFinal(const TRunResult& run, std::uint32_t nCode, std::uint32_t nValue,
                     bool bPortStays = true) {
  ASSERT_EQ(run.aNotes.size(), 1U);
  EXPECT_EQ(run.aNotes[0].FnCode, nCode);
  EXPECT_EQ(run.aNotes[0].FnValue, nValue);
  if (bPortStays) {
    EXPECT_TRUE(run.bPortFreeAtFinal); // posted after the port was closed
  }
  EXPECT_TRUE(run.bWorkerEnded);
  EXPECT_TRUE(run.bNothingAfterFinal);
}

class SimRun : public testing::Test {
protected:
  void SetUp() override { gbCancel = false; }
};

class CommandRun : public SimRun, public testing::WithParamInterface<TCmd> {};

TEST_P(CommandRun, WakesRunsAndEndsDoneWithTheCommand) {
  TSimLogger sim;
  int nRuns = 0;
  const TRunResult run = RunWorker(sim.Port(), GetParam(), [&](TScriptWorker&) { ++nRuns; });
  ExpectOnlyFinal(run, cMSG_DONE, static_cast<std::uint32_t>(GetParam()));
  EXPECT_EQ(nRuns, 1); // TCommThread runs DoUpdate whatever the command
}

INSTANTIATE_TEST_SUITE_P(Commands, CommandRun,
                         testing::Values(TCmd::tCMD0, TCmd::tCMD1, TCmd::tCMD2));

TEST_F(SimRun, SuccessiveRunsReopenThePort) {
  TSimLogger sim;
  for (int i = 0; i < 3; ++i)
    ExpectOnlyFinal(RunWorker(sim.Port(), TCmd::tCMD1, nullptr), cMSG_DONE, 1);
}

TEST_F(SimRun, IdentifyAndSerialNumberAnswersStayInTheReceiveArea) {
  TSimLogger sim({"--app-class", "0x6601", "--app-version", "0x0614", "--serial", "12345"});
  std::uint8_t aIdent[8] = {};
  std::uint8_t aSerial[8] = {};
  const TRunResult run = RunWorker(sim.Port(), TCmd::tCMD0, [&](TScriptWorker& worker) {
    worker.SendCommand(true, 1);
    std::copy(worker.FRxBuffer, worker.FRxBuffer + 8, aIdent);
    worker.SendCommand(true, 1, 3);
    std::copy(worker.FRxBuffer, worker.FRxBuffer + 8, aSerial);
  });
  ExpectOnlyFinal(run, cMSG_DONE, 0);
  EXPECT_EQ(aIdent[0] & 0x20, 0);
  EXPECT_EQ(aIdent[2] * 256 + aIdent[3], 0x6601);
  EXPECT_EQ(aIdent[4] * 256 + aIdent[5], 0x0614);
  EXPECT_EQ(aSerial[1] | aSerial[2] << 8 | aSerial[3] << 16 | aSerial[4] << 24, 12345);
}

struct TFaultCase {
  const char* pFault;
  TCmd cmd;
  std::uint32_t nCode;
  std::uint32_t nValue;
  bool bPortStays = true;
};

void PrintTo(const TFaultCase& c, std::ostream* pOut) {
  *pOut << c.pFault;
}

class FrameFault : public SimRun, public testing::WithParamInterface<TFaultCase> {};

TEST_P(FrameFault, EndsTheRunWithItsFinalNotification) {
  const TFaultCase& c = GetParam();
  TSimLogger sim({"--fault", c.pFault});
  const TRunResult run =
      RunWorker(sim.Port(), c.cmd, [](TScriptWorker& worker) { worker.SendCommand(true, 1); });
  ExpectOnlyFinal(run, c.nCode, c.nValue, c.bPortStays);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FrameFault,
    testing::Values(TFaultCase{"status:frame:1", TCmd::tCMD0, cMSG_FAILURE, 41},
                    TFaultCase{"crc:frame:1", TCmd::tCMD0, cMSG_DONE, 0},    // retried
                    TFaultCase{"short:frame:1", TCmd::tCMD1, cMSG_DONE, 1},  // retried
                    TFaultCase{"silent:frame:1", TCmd::tCMD0, cMSG_DONE, 0}, // retried
                    TFaultCase{"hangup:frame:1", TCmd::tCMD0, cMSG_FAILURE, 11, false},
                    TFaultCase{"silent:frame:1:always", TCmd::tCMD2, cMSG_REPEAT, 2}));

TEST_F(SimRun, CancelDuringTheRunEndsWith20) {
  TSimLogger sim;
  const TRunResult run = RunWorker(sim.Port(), TCmd::tCMD0, [](TScriptWorker& worker) {
    worker.SendCommand(true, 1);
    gbCancel = true; // the operator presses Cancel
    worker.SendCommand(true, 1);
  });
  gbCancel = false;
  ExpectOnlyFinal(run, cMSG_FAILURE, 20);
}

TEST_F(SimRun, AnyOtherExceptionEndsWithFailure0) {
  TSimLogger sim;
  const TRunResult run = RunWorker(sim.Port(), TCmd::tCMD0,
                                   [](TScriptWorker&) { throw std::runtime_error("not ETarv"); });
  ExpectOnlyFinal(run, cMSG_FAILURE, 0);
}

// A type-5 request line with one data byte.
std::string Request(std::uint8_t byWhat, std::uint16_t nAddress = 0) {
  gaRecord.fill(0);
  gaRecord[0] = 1;
  gaRecord[1] = static_cast<std::uint8_t>(nAddress >> 8);
  gaRecord[2] = static_cast<std::uint8_t>(nAddress & 0xFF);
  gaRecord[3] = 5;
  gaRecord[4] = byWhat;
  EXPECT_TRUE(BuildRecordLine());
  return gsLine;
}

std::string DataLine(std::uint16_t nAddress) {
  gaRecord.fill(0);
  gaRecord[0] = 64;
  gaRecord[1] = static_cast<std::uint8_t>(nAddress >> 8);
  gaRecord[2] = static_cast<std::uint8_t>(nAddress & 0xFF);
  for (int i = 0; i < 64; ++i)
    gaRecord[4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0x40 + i);
  EXPECT_TRUE(BuildRecordLine());
  return gsLine;
}

TEST_F(SimRun, LineExchangesWithTheBootloader) {
  // The first line's answer comes with a wrong checksum and is asked for again.
  TSimLogger sim({"--start-in-bootloader", "--fault", "crc:line:1"});
  std::string sPlatform, sStart, sEcho, sData;
  std::int32_t nRxAfterEnd = -1;
  const TRunResult run = RunWorker(sim.Port(), TCmd::tCMD0, [&](TScriptWorker& worker) {
    EXPECT_TRUE(worker.SendLine(Request(0x20), 6, true));
    sPlatform = worker.AnswerLine();
    EXPECT_TRUE(worker.SendLine(Request(0x31), 1, true));
    sStart = worker.AnswerLine();
    sData = DataLine(0);
    EXPECT_TRUE(worker.SendLine(sData, 64, true));
    sEcho = worker.AnswerLine();
    EXPECT_TRUE(worker.SendLine(Request(0x33), 0, true));
    nRxAfterEnd = worker.FRxCnt;
  });
  ExpectOnlyFinal(run, cMSG_DONE, 0);
  EXPECT_EQ(sPlatform.size(), 23U);
  gsLine = sPlatform;
  EXPECT_TRUE(ParseRecordLine());
  EXPECT_EQ(gaRecord[0], 6);
  EXPECT_EQ(sStart.size(), 13U);
  EXPECT_EQ(sEcho, sData);
  EXPECT_EQ(nRxAfterEnd, 0);
  const auto flash = sim.ReadFlash();
  ASSERT_EQ(flash.count(0), 1U);
  EXPECT_EQ(flash.at(0), 0x40);
  EXPECT_EQ(flash.at(63), 0x40 + 63);
}

TEST_F(SimRun, UnansweredLineReturnsFalseOrRepeats) {
  TSimLogger sim({"--start-in-bootloader", "--fault", "silent:line:1:always"});
  bool bResult = true;
  const TRunResult run = RunWorker(sim.Port(), TCmd::tCMD1, [&](TScriptWorker& worker) {
    bResult = worker.SendLine(Request(0x20), 6, false); // the caller decides
    worker.SendLine(Request(0x20), 6, true);            // failure 30
  });
  EXPECT_FALSE(bResult);
  ExpectOnlyFinal(run, cMSG_REPEAT, 1);
}

} // namespace
