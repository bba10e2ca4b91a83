// The logger state machine driven item by item, with the clock in the test's hand.
#include <gtest/gtest.h>

#include "link/uCrc.h"
#include "uLoggerModel.h"
#include "uSimFrames.h"
#include "uSimLines.h"

namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using TClock = TLoggerModel::TClock;

std::string Frame(std::initializer_list<int> aBytes) {
  std::array<std::uint8_t, 7> aFrame{};
  std::size_t i = 0;
  for (int n : aBytes)
    aFrame[i++] = static_cast<std::uint8_t>(n);
  return BuildAnswerFrame(aFrame); // a command frame has the same shape
}

const std::string cIDENT = Frame({0x81, 0, 0, 0, 0, 0, 0});
const std::string cIDENT_SN = Frame({0x81, 3, 0, 0, 0, 0, 0});
const std::string cBOOT = Frame({0x82, 0x81, 0x00, 0xA5, 0x5A, 0, 0});
const std::string cBOOT_OLD = Frame({0x85, 0x03, 0xA5, 0x5A, 0, 0, 0});

std::string Request(std::uint8_t byCommand, std::uint16_t nAddress = 0) {
  return EncodeSimLine({nAddress, 5, {byCommand}});
}

std::string DataLine(std::uint16_t nAddress, std::uint8_t bySeed) {
  TSimRecord Record{nAddress, 0, std::vector<std::uint8_t>(64)};
  for (std::size_t i = 0; i < 64; ++i)
    Record.aData[i] = static_cast<std::uint8_t>(bySeed + i);
  return EncodeSimLine(Record);
}

class LoggerModelTest : public testing::Test {
protected:
  void Start(std::vector<std::string> aArgs) {
    FpModel = std::make_unique<TLoggerModel>(ParseSimOptions(aArgs));
  }

  TLoggerReply Send(const std::string& sBytes) {
    const bool bLine = !sBytes.empty() && sBytes[0] == ':';
    return FpModel->OnItem({bLine ? TSimItemKind::Line : TSimItemKind::Frame, sBytes}, FtNow);
  }

  void Wait(std::chrono::milliseconds tWait) {
    FtNow += tWait;
    FpModel->OnTime(FtNow);
  }

  // Identify and return class and version.
  std::pair<int, int> Identify() {
    const std::string sAnswer = Send(cIDENT).sAnswer;
    if (sAnswer.size() != 8 || !FrameCrcIsValid(sAnswer)) return {-1, -1};
    const auto Byte = [&](int i) { return static_cast<std::uint8_t>(sAnswer[i]); };
    return {Byte(2) * 256 + Byte(3), Byte(4) * 256 + Byte(5)};
  }

  void EnterBootloaderNow() {
    Send(cBOOT);
    Wait(0ms);
  }

  void EnterBootloader() {
    EXPECT_TRUE(Send(cBOOT).sAnswer.empty());
    Wait(300ms);
    ASSERT_EQ(FpModel->State(), TLoggerState::Bootloader);
  }

  std::unique_ptr<TLoggerModel> FpModel;
  TClock::time_point FtNow = TClock::now();
};

TEST_F(LoggerModelTest, ApplicationIdentifiesAndGivesItsSerialNumber) {
  Start({"--serial", "0x00050269"});
  const std::string sIdent = Send(cIDENT).sAnswer;
  EXPECT_EQ(sIdent, Frame({0x00, 0x00, 0x66, 0x01, 0x06, 0x14, 0x00}));
  const std::string sSerial = Send(cIDENT_SN).sAnswer;
  EXPECT_EQ(sSerial, Frame({0x00, 0x69, 0x02, 0x05, 0x00, 0x00, 0x00}));
  EXPECT_TRUE(Send(std::string(8, '\0')).sAnswer.empty()); // wake
  std::string sBadCrc = cIDENT;
  sBadCrc[7] = static_cast<char>(sBadCrc[7] ^ 1);
  EXPECT_TRUE(Send(sBadCrc).sAnswer.empty());
  EXPECT_TRUE(Send(Frame({0x83, 0, 0, 0, 0, 0, 0})).sAnswer.empty());
  EXPECT_TRUE(Send(Request(0x20)).sAnswer.empty()); // the application reads no hex lines
}

TEST_F(LoggerModelTest, BothEntryFramesRestartIntoTheBootloaderAfterTheRestartTime) {
  for (const std::string& sEntry : {cBOOT, cBOOT_OLD}) {
    Start({"--restart-ms", "500", "--bl-class", "0xC801", "--bl-version", "0x0203"});
    EXPECT_TRUE(Send(sEntry).sAnswer.empty());
    EXPECT_EQ(FpModel->State(), TLoggerState::Restarting);
    Wait(499ms);
    EXPECT_TRUE(Send(cIDENT).sAnswer.empty()); // silent while it comes up
    Wait(1ms);
    EXPECT_EQ(Identify(), std::make_pair(0xC801, 0x0203));
    EXPECT_TRUE(Send(cIDENT_SN).sAnswer.empty());
  }
}

TEST_F(LoggerModelTest, EntryFramesNeedTheirExactParameters) {
  Start({});
  EXPECT_TRUE(Send(Frame({0x82, 0x81, 0x00, 0xA5, 0x5B, 0, 0})).sAnswer.empty());
  EXPECT_EQ(FpModel->State(), TLoggerState::Application);
}

TEST_F(LoggerModelTest, NoBootloaderFaultKeepsTheApplication) {
  Start({"--fault", "no-bootloader"});
  Send(cBOOT);
  Wait(1s);
  EXPECT_EQ(Identify(), std::make_pair(0x6601, 0x0614));
}

TEST_F(LoggerModelTest, PlatformAndUpdateIdBlock) {
  Start({"--start-in-bootloader", "--platform", "0x18", "--print", "0x35", "--info", "0x1234"});
  TSimRecord Answer;
  ASSERT_TRUE(DecodeSimLine(Send(Request(0x20)).sAnswer, Answer));
  EXPECT_EQ(Answer.aData, (std::vector<std::uint8_t>{0x00, 0x18, 0x00, 0x35, 0x12, 0x34}));

  // Platform 24: range 1 starts at 0x1800, block 0x60 on 0xC802.
  EXPECT_EQ(FpModel->UpidRequestAddress(), 0x60);
  ASSERT_TRUE(DecodeSimLine(Send(Request(0x30, 0x0060)).sAnswer, Answer));
  ASSERT_EQ(Answer.aData.size(), 64u);
  const std::vector<std::uint8_t> aWords{0x01, 0x66, 0x34, 0x12, 0x18,
                                         0x00, 0x35, 0x00, 0xFF, 0xFF};
  EXPECT_TRUE(std::equal(aWords.begin(), aWords.end(), Answer.aData.begin()));
  const std::uint16_t nCrc = Crc16(aWords.data(), 10);
  EXPECT_EQ(Answer.aData[10], nCrc & 0xFF);
  EXPECT_EQ(Answer.aData[11], nCrc >> 8);
  for (std::size_t i = 12; i < 64; ++i)
    EXPECT_EQ(Answer.aData[i], 0xFF);

  ASSERT_TRUE(DecodeSimLine(Send(Request(0x30, 0x1800)).sAnswer, Answer));
  EXPECT_EQ(Answer.aData, std::vector<std::uint8_t>(64, 0xFF));
}

TEST_F(LoggerModelTest, UpdateIdAddressIsUnchangedOnC801AndTheCrcCanBeSpoilt) {
  Start(
      {"--start-in-bootloader", "--bl-class", "0xC801", "--platform", "2", "--upid-crc", "0xBEEF"});
  EXPECT_EQ(FpModel->UpidRequestAddress(), 0x1000);
  TSimRecord Answer;
  ASSERT_TRUE(DecodeSimLine(Send(Request(0x30, 0x1000)).sAnswer, Answer));
  EXPECT_EQ(Answer.aData[10], 0xEF);
  EXPECT_EQ(Answer.aData[11], 0xBE);
}

TEST_F(LoggerModelTest, ProgrammingEchoesWritesAndRestartsIntoTheApplication) {
  Start({"--restart-ms", "100"});
  EnterBootloader();
  EXPECT_TRUE(Send(DataLine(0x0040, 1)).sAnswer.empty()); // not programming yet
  TSimRecord Answer;
  ASSERT_TRUE(DecodeSimLine(Send(Request(0x31)).sAnswer, Answer));
  EXPECT_EQ(Answer.aData.size(), 1u);
  EXPECT_EQ(FpModel->State(), TLoggerState::Programming);

  const std::string sLine = DataLine(0x0040, 1);
  EXPECT_EQ(Send(sLine).sAnswer, sLine);
  EXPECT_EQ(Send(DataLine(0x0A00, 7)).sAnswer, DataLine(0x0A00, 7));
  EXPECT_TRUE(Send(Request(0x33)).sAnswer.empty());
  Wait(100ms);
  EXPECT_EQ(Identify().first, 0x6601);

  const auto& aFlash = FpModel->Flash().Bytes();
  EXPECT_EQ(aFlash.size(), 128u);
  EXPECT_EQ(aFlash.at(0x1000), 1); // block 0x40 on 0xC802
  EXPECT_EQ(aFlash.at(0x1000 + 63), 64);
  EXPECT_EQ(aFlash.at(0x28000), 7); // block 0xA00, above 64 KiB
}

TEST_F(LoggerModelTest, FirstBootloaderUsesItsOwnCodesAndByteAddresses) {
  Start({"--start-in-bootloader", "--bl-class", "0xC800", "--restart-ms", "0", "--fault",
         "restart-class:0x6602"});
  EXPECT_TRUE(Send(Request(0x20)).sAnswer.empty());
  EXPECT_TRUE(Send(Request(0x31)).sAnswer.empty());
  EXPECT_FALSE(Send(Request(0x11)).sAnswer.empty());
  Send(DataLine(0x03DF, 0));
  EXPECT_TRUE(Send(Request(0x33)).sAnswer.empty());
  EXPECT_EQ(FpModel->State(), TLoggerState::Programming);
  Send(Request(0x13));
  Wait(0ms);
  EXPECT_EQ(Identify().first, 0x6602);
  EXPECT_EQ(FpModel->Flash().Bytes().begin()->first, 0x03DFu);
}

TEST_F(LoggerModelTest, FrameFaultsCountAnsweredFramesOnly) {
  Start({"--fault", "short:frame:2", "--fault", "crc:frame:3", "--fault", "status:frame:4",
         "--fault", "silent:frame:5"});
  EXPECT_EQ(Send(cIDENT).sAnswer.size(), 8u);    // frame 1
  Send(std::string(8, '\0'));                    // wake: not counted
  EXPECT_EQ(Send(cIDENT).sAnswer.size(), 7u);    // frame 2
  const std::string sCrc = Send(cIDENT).sAnswer; // frame 3
  ASSERT_EQ(sCrc.size(), 8u);
  EXPECT_FALSE(FrameCrcIsValid(sCrc));
  const std::string sStatus = Send(cIDENT_SN).sAnswer; // frame 4
  ASSERT_EQ(sStatus.size(), 8u);
  EXPECT_TRUE(FrameCrcIsValid(sStatus));
  EXPECT_EQ(static_cast<std::uint8_t>(sStatus[0]), 0x20);
  EXPECT_TRUE(Send(cIDENT).sAnswer.empty());  // frame 5
  EXPECT_EQ(Send(cIDENT).sAnswer.size(), 8u); // frame 6: all faults used up
}

TEST_F(LoggerModelTest, LineFaults) {
  Start({"--start-in-bootloader", "--fault", "crc:line:1", "--fault", "short:line:2", "--fault",
         "silent:line:3"});
  TSimRecord Answer;
  const std::string sCrc = Send(Request(0x20)).sAnswer;
  EXPECT_EQ(sCrc.size(), 23u);
  EXPECT_FALSE(DecodeSimLine(sCrc, Answer));
  EXPECT_EQ(Send(Request(0x20)).sAnswer.size(), 22u);
  // A silent start command is not acted on: the bootloader does not start programming.
  EXPECT_TRUE(Send(Request(0x31)).sAnswer.empty());
  EXPECT_EQ(FpModel->State(), TLoggerState::Bootloader);
  EXPECT_TRUE(DecodeSimLine(Send(Request(0x31)).sAnswer, Answer));
}

TEST_F(LoggerModelTest, ProgFaultsCountDataLinesSinceTheStartCommand) {
  Start({"--start-in-bootloader", "--fault", "echo:prog:2", "--fault", "silent:prog:3:always"});
  Send(Request(0x31));
  const std::string sFirst = DataLine(0x40, 0);
  EXPECT_EQ(Send(sFirst).sAnswer, sFirst);
  const std::string sSecond = DataLine(0x41, 0x10);
  const std::string sEcho = Send(sSecond).sAnswer;
  ASSERT_EQ(sEcho.size(), sSecond.size());
  TSimRecord Echo;
  ASSERT_TRUE(DecodeSimLine(sEcho, Echo)); // the checksum fits the changed digit
  int nDiffering = 0;
  for (std::size_t i = 0; i + 2 < sEcho.size(); ++i)
    nDiffering += sEcho[i] != sSecond[i];
  EXPECT_EQ(nDiffering, 1);
  EXPECT_NE(sEcho[9], sSecond[9]);
  EXPECT_TRUE(Send(DataLine(0x42, 0)).sAnswer.empty());
  EXPECT_TRUE(Send(DataLine(0x42, 0)).sAnswer.empty());
  // The flash holds what was received: the silent lines never arrived.
  EXPECT_EQ(FpModel->Flash().Bytes().size(), 128u);
  EXPECT_EQ(FpModel->Flash().Bytes().at(0x41 * 64), 0x10);
}

TEST_F(LoggerModelTest, HangupStopsBeforeTheItemIsActedOn) {
  Start({"--start-in-bootloader", "--fault", "hangup:prog:2"});
  Send(Request(0x31));
  EXPECT_FALSE(Send(DataLine(0x40, 0)).bHangup);
  const TLoggerReply Reply = Send(DataLine(0x41, 0));
  EXPECT_TRUE(Reply.bHangup);
  EXPECT_TRUE(Reply.sAnswer.empty());
  EXPECT_EQ(FpModel->Flash().Bytes().size(), 64u);
}

TEST_F(LoggerModelTest, StepFaultsCountTheirOwnItemsWhateverCameBefore) {
  // Faults on steps of the procedure: an identify in either state, the serial number, the
  // platform and update-ID requests, the start command.
  Start({"--restart-ms", "0", "--fault", "crc:frame:1", "--fault", "short:ident:2", "--fault",
         "status:serial:1", "--fault", "silent:ident:3", "--fault", "crc:platform:2", "--fault",
         "short:upid:1", "--fault", "silent:start:1"});
  EXPECT_FALSE(FrameCrcIsValid(Send(cIDENT).sAnswer)); // frame 1, ident 1
  EXPECT_EQ(Send(cIDENT).sAnswer.size(), 7u);          // ident 2
  const std::string sSerial = Send(cIDENT_SN).sAnswer; // serial 1
  ASSERT_TRUE(FrameCrcIsValid(sSerial));
  EXPECT_EQ(static_cast<std::uint8_t>(sSerial[0]), 0x20);
  EnterBootloaderNow();
  EXPECT_TRUE(Send(cIDENT).sAnswer.empty()); // ident 3, in the bootloader
  EXPECT_EQ(Identify().first, 0xC802);       // ident 4: clean
  TSimRecord Answer;
  EXPECT_TRUE(DecodeSimLine(Send(Request(0x20)).sAnswer, Answer));  // platform 1
  EXPECT_FALSE(DecodeSimLine(Send(Request(0x20)).sAnswer, Answer)); // platform 2
  EXPECT_EQ(Send(Request(0x30, 0x60)).sAnswer.size(), 138u);        // upid 1
  EXPECT_TRUE(Send(Request(0x31)).sAnswer.empty());                 // start 1: not acted on
  EXPECT_EQ(FpModel->State(), TLoggerState::Bootloader);
  EXPECT_TRUE(DecodeSimLine(Send(Request(0x31)).sAnswer, Answer)); // start 2
  EXPECT_EQ(FpModel->State(), TLoggerState::Programming);
}

TEST_F(LoggerModelTest, NoiseComesBeforeAnOtherwiseCorrectAnswer) {
  Start({"--start-in-bootloader", "--fault", "noise:ident:1", "--fault", "noise:platform:1"});
  const std::string sClean = Frame({0x00, 0x00, 0xC8, 0x02, 0x00, 0x00, 0x00});
  EXPECT_EQ(Send(cIDENT).sAnswer, "\r\n>" + sClean);
  EXPECT_EQ(Send(cIDENT).sAnswer, sClean);
  const std::string sLine = Send(Request(0x20)).sAnswer;
  ASSERT_EQ(sLine.substr(0, 3), "\r\n>");
  TSimRecord Answer;
  EXPECT_TRUE(DecodeSimLine(sLine.substr(3), Answer));
}

TEST_F(LoggerModelTest, LostEntryFrameLeavesTheApplicationAndTheNextOneIsTaken) {
  Start({"--restart-ms", "0", "--fault", "silent:entry:1"});
  Send(cBOOT);
  Wait(0ms);
  EXPECT_EQ(FpModel->State(), TLoggerState::Application);
  Send(cBOOT_OLD); // entry 2
  Wait(0ms);
  EXPECT_EQ(FpModel->State(), TLoggerState::Bootloader);
  Send(cBOOT); // in the bootloader: neither acted on nor counted
  EXPECT_EQ(FpModel->State(), TLoggerState::Bootloader);
}

TEST_F(LoggerModelTest, LostEndCommandLeavesTheBootloaderProgramming) {
  Start({"--start-in-bootloader", "--restart-ms", "0", "--fault", "silent:end:1"});
  Send(Request(0x31));
  Send(Request(0x33)); // end 1: lost
  Wait(0ms);
  EXPECT_EQ(FpModel->State(), TLoggerState::Programming);
  EXPECT_EQ(Identify().first, 0xC802);
  Send(Request(0x33)); // end 2
  Wait(0ms);
  EXPECT_EQ(Identify().first, 0x6601);
}

TEST_F(LoggerModelTest, HangupOnTheEntryFrameOrTheEndCommand) {
  Start({"--fault", "hangup:entry:1"});
  EXPECT_TRUE(Send(cBOOT).bHangup);
  EXPECT_EQ(FpModel->State(), TLoggerState::Application);
  Start({"--start-in-bootloader", "--fault", "hangup:end:1"});
  Send(Request(0x31));
  EXPECT_TRUE(Send(Request(0x33)).bHangup);
  EXPECT_EQ(FpModel->State(), TLoggerState::Programming);
}

TEST_F(LoggerModelTest, FlashGivenAtPowerOnIsKeptAndProgrammedOver) {
  TSimFlash Flash;
  Flash.Write(0x1000, std::vector<std::uint8_t>(64, 0xEE));
  Flash.Write(0x2000, {0x55});
  FpModel = std::make_unique<TLoggerModel>(ParseSimOptions({"--start-in-bootloader"}), Flash);
  Send(Request(0x31));
  Send(DataLine(0x40, 1)); // block 0x40: bytes 0x1000..0x103F
  const auto& aFlash = FpModel->Flash().Bytes();
  EXPECT_EQ(aFlash.size(), 65u);
  EXPECT_EQ(aFlash.at(0x1000), 1);
  EXPECT_EQ(aFlash.at(0x2000), 0x55);
}

TEST_F(LoggerModelTest, RestartingIgnoresEverything) {
  Start({"--restart-ms", "300"});
  Send(cBOOT);
  Wait(100ms);
  EXPECT_TRUE(Send(cIDENT).sAnswer.empty());
  EXPECT_TRUE(Send(Request(0x20)).sAnswer.empty());
  Wait(200ms);
  EXPECT_EQ(Identify().first, 0xC802);
}

TEST_F(LoggerModelTest, GarbageInEveryStateLeavesTheLoggerWorking) {
  Start({"--restart-ms", "0"});
  std::uint32_t nSeed = 12345;
  const auto Next = [&nSeed] {
    nSeed = nSeed * 1103515245u + 12345u;
    return static_cast<std::uint8_t>(nSeed >> 16);
  };
  // Bytes drawn mostly from the characters that start or continue items.
  const std::string sAlphabet = ":0123456789ABCDEF\x81\x82\x85\x00\xA5\x5A\x03\x31\x33"s;
  TSimInput Input;
  for (const std::string sState : {"app", "boot", "prog"}) {
    if (sState == "boot") EnterBootloaderNow();
    if (sState == "prog") Send(Request(0x31));
    std::vector<TSimItem> aItems;
    for (int i = 0; i < 20000; ++i) {
      std::uint8_t byData = Next();
      if (byData < 200) byData = static_cast<std::uint8_t>(sAlphabet[byData % sAlphabet.size()]);
      Input.Feed(&byData, 1, FtNow, aItems);
    }
    for (const TSimItem& Item : aItems) {
      const TLoggerReply Reply = FpModel->OnItem(Item, FtNow);
      EXPECT_FALSE(Reply.bHangup);
      EXPECT_LE(Reply.sAnswer.size(), 139u);
      Wait(0ms);
    }
  }
  // Whatever state the garbage left it in, the logger still identifies itself correctly.
  Input.Reset();
  Wait(0ms);
  const auto [nClass, nVersion] = Identify();
  EXPECT_TRUE(nClass == 0x6601 || nClass == 0xC802) << nClass;
}

} // namespace
