// The simulator program itself, driven over its pseudo-terminal by a raw client.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "uPtyClient.h"
#include "uSimFrames.h"
#include "uSimLines.h"
#include "uSimLogger.h"

namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

const std::string cIDENT = "\x81\x00\x00\x00\x00\x00\x00\xAA"s;
const std::string cBOOT = "\x82\x81\x00\xA5\x5A\x00\x00\x09"s;

std::string Hex(const std::string& sBytes) {
  std::string sText;
  char aDigits[4];
  for (const char ch : sBytes) {
    std::snprintf(aDigits, sizeof aDigits, "%02X ", static_cast<std::uint8_t>(ch));
    sText += aDigits;
  }
  return sText;
}

std::string DataLine(std::uint16_t nAddress, std::uint8_t bySeed) {
  TSimRecord Record{nAddress, 0, std::vector<std::uint8_t>(64)};
  for (std::size_t i = 0; i < 64; ++i)
    Record.aData[i] = static_cast<std::uint8_t>(bySeed + i);
  return EncodeSimLine(Record);
}

std::string ReadText(const std::string& sPath) {
  std::ifstream File(sPath);
  std::ostringstream Text;
  Text << File.rdbuf();
  return Text.str();
}

// Runs the program to its end and returns exit status and everything it printed.
std::pair<int, std::string> RunToEnd(const std::string& sArgs) {
  const std::string sCommand = SimLoggerProgram() + " " + sArgs + " 2>&1";
  std::FILE* pPipe = popen(sCommand.c_str(), "r");
  if (pPipe == nullptr) return {-1, {}};
  std::string sOutput;
  char aBuffer[4096];
  for (std::size_t n; (n = std::fread(aBuffer, 1, sizeof aBuffer, pPipe)) > 0;)
    sOutput.append(aBuffer, n);
  const int nStatus = pclose(pPipe);
  return {WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1, sOutput};
}

TEST(SimProgram, AnswersIdentifyOnTheWire) {
  TSimLogger Sim;
  TPtyClient Port(Sim.Port());
  EXPECT_EQ(Hex(Port.Exchange(cIDENT, 8)), "00 00 66 01 06 14 00 04 ");
  EXPECT_EQ(Sim.Stop(), 0);
  const std::string sTrace = ReadText(Sim.TracePath());
  EXPECT_NE(sTrace.find("in  81 00 00 00 00 00 00 AA"), std::string::npos) << sTrace;
  EXPECT_NE(sTrace.find("out 00 00 66 01 06 14 00 04"), std::string::npos) << sTrace;
}

TEST(SimProgram, ProgramsOverTheLineAndWritesTheFlashFile) {
  TSimLogger Sim({"--restart-ms", "50"});
  {
    TPtyClient Port(Sim.Port());
    Port.Write(std::string(8, '\0'));
    EXPECT_TRUE(Port.Exchange(cBOOT, 1, 20ms).empty());
    std::this_thread::sleep_for(80ms);
    EXPECT_EQ(Hex(Port.Exchange(cIDENT, 8)).substr(6, 5), "C8 02");
  }
  // The tool's next run opens the port again; the logger is still in its bootloader.
  TPtyClient Port(Sim.Port());
  EXPECT_EQ(Port.Exchange(":0100000520DA", 23), ":06000000001800350000AD");
  EXPECT_EQ(Port.Exchange(":0100000531C9", 13).size(), 13u);
  const std::string sLow = DataLine(0x0040, 0);
  const std::string sHigh = DataLine(0x0A00, 0x80); // block 0xA00: byte address 0x28000
  EXPECT_EQ(Port.Exchange(sLow, 139), sLow);
  EXPECT_EQ(Port.Exchange(sHigh, 139), sHigh);
  EXPECT_TRUE(Port.Exchange(":0100000533C7", 1, 20ms).empty());
  std::this_thread::sleep_for(80ms);
  EXPECT_EQ(Hex(Port.Exchange(cIDENT, 8)).substr(6, 5), "66 01");

  const auto aFlash = Sim.ReadFlash();
  ASSERT_EQ(aFlash.size(), 128u);
  EXPECT_EQ(aFlash.at(0x1000), 0x00);
  EXPECT_EQ(aFlash.at(0x103F), 0x3F);
  EXPECT_EQ(aFlash.at(0x28000), 0x80);
  EXPECT_EQ(aFlash.at(0x2803F), 0xBF);
  EXPECT_NE(ReadText(Sim.FlashOutPath()).find(":020000040002F8"), std::string::npos);
}

TEST(SimProgram, ResynchronisesAfterGarbageAndSilence) {
  TSimLogger Sim;
  TPtyClient Port(Sim.Port());
  // Half a frame, then silence: the next frame is taken on its own.
  EXPECT_TRUE(Port.Exchange("\x81\x00\x00"s, 1, 100ms).empty());
  EXPECT_EQ(Port.Exchange(cIDENT, 8).size(), 8u);
  EXPECT_EQ(Port.Exchange("\r\n??xyz"s + cIDENT, 8).size(), 8u);
  std::string sNoise(3000, '\0');
  for (std::size_t i = 0; i < sNoise.size(); ++i)
    sNoise[i] = static_cast<char>(i * 37 + 11);
  Port.Write(sNoise);
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(Hex(Port.Exchange(cIDENT, 8)), "00 00 66 01 06 14 00 04 ");
}

TEST(SimProgram, HangupFaultClosesThePortAndStillWritesTheFlash) {
  TSimLogger Sim({"--start-in-bootloader", "--fault", "hangup:prog:2"});
  TPtyClient Port(Sim.Port());
  EXPECT_EQ(Port.Exchange(":0100000531C9", 13).size(), 13u);
  const std::string sLine = DataLine(0x0040, 5);
  EXPECT_EQ(Port.Exchange(sLine, 139), sLine);
  Port.Write(DataLine(0x0041, 5));
  EXPECT_TRUE(Port.WaitForHangup(2s));
  EXPECT_EQ(Sim.Stop(), 0);
  EXPECT_FALSE(std::filesystem::exists(Sim.Port()));
  EXPECT_EQ(Sim.ReadFlash().size(), 64u);
}

TEST(SimProgram, FlashInIsThePowerOnFlashAndGoesOutAgain) {
  // A logger that lost power while being programmed: its flash holds the first records and it
  // comes up in its bootloader.
  std::string sFlashIn;
  {
    TSimLogger First({"--start-in-bootloader", "--fault", "hangup:prog:2"});
    TPtyClient Port(First.Port());
    Port.Exchange(":0100000531C9", 13);
    Port.Exchange(DataLine(0x0040, 5), 139);
    Port.Write(DataLine(0x0041, 5));
    EXPECT_TRUE(Port.WaitForHangup(2s));
    First.Stop();
    sFlashIn = ReadText(First.FlashOutPath());
  }
  char sTemplate[] = "/tmp/tarvik-flashin-XXXXXX";
  const int hFile = mkstemp(sTemplate);
  ASSERT_NE(hFile, -1);
  close(hFile);
  std::ofstream(sTemplate) << sFlashIn;
  TSimLogger Second({"--start-in-bootloader", "--flash-in", sTemplate});
  {
    TPtyClient Port(Second.Port());
    EXPECT_EQ(Hex(Port.Exchange(cIDENT, 8)).substr(6, 5), "C8 02");
    Port.Exchange(":0100000531C9", 13);
    Port.Exchange(DataLine(0x0080, 7), 139);
  }
  const auto aFlash = Second.ReadFlash();
  std::remove(sTemplate);
  EXPECT_EQ(aFlash.size(), 128u);
  EXPECT_EQ(aFlash.at(0x1000), 5); // from before the power cut
  EXPECT_EQ(aFlash.at(0x2000), 7); // programmed since
}

TEST(SimProgram, LinkNamesThePortUntilExit) {
  const std::string sLink =
      std::filesystem::temp_directory_path() / ("tarvik-sim-link-" + std::to_string(getpid()));
  {
    TSimLogger Sim({"--link", sLink});
    ASSERT_TRUE(std::filesystem::is_symlink(sLink));
    EXPECT_EQ(std::filesystem::read_symlink(sLink), Sim.Port());
    TPtyClient Port(sLink);
    EXPECT_EQ(Port.Exchange(cIDENT, 8).size(), 8u);
  }
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(sLink)));
}

TEST(SimProgram, BaudPacesTheAnswer) {
  TSimLogger Sim({"--start-in-bootloader", "--baud", "9600"});
  TPtyClient Port(Sim.Port());
  const auto tStart = std::chrono::steady_clock::now();
  const std::string sAnswer = Port.Exchange(":01006005306A", 139, 2s);
  const auto tTaken = std::chrono::steady_clock::now() - tStart;
  EXPECT_EQ(sAnswer.size(), 139u);
  // 139 bytes of 10 bits at 9600 baud cannot arrive sooner than 144 ms.
  EXPECT_GE(tTaken, 140ms);
}

TEST(SimProgram, ASecondSimulatorDoesNotKeepATestsPortOpen) {
  TSimLogger First;
  const int hPort = open(First.Port().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(hPort, 0);
  ASSERT_EQ(flock(hPort, LOCK_EX | LOCK_NB), 0);
  TSimLogger Second;
  close(hPort);
  // Had the second simulator inherited the descriptor, the lock would still be held.
  const int hAgain = open(First.Port().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(hAgain, 0);
  EXPECT_EQ(flock(hAgain, LOCK_EX | LOCK_NB), 0);
  close(hAgain);
}

TEST(SimProgram, HelpDocumentsOptionsAndFaultGrammar) {
  const auto [nStatus, sHelp] = RunToEnd("--help");
  EXPECT_EQ(nStatus, 0);
  for (const char* sWord : {"--app-class",
                            "--app-version",
                            "--serial",
                            "--start-in-bootloader",
                            "--bl-class",
                            "--bl-version",
                            "--platform",
                            "--print",
                            "--info",
                            "--upid-class",
                            "--upid-platform",
                            "--upid-print",
                            "--upid-crc",
                            "--restart-ms",
                            "--flash-out",
                            "--flash-in",
                            "--trace",
                            "--link",
                            "--baud",
                            "--fault",
                            "KIND:TARGET:N[:always]",
                            "silent",
                            "short",
                            "crc",
                            "noise",
                            "status",
                            "echo",
                            "hangup",
                            "frame",
                            "line",
                            "prog",
                            "ident",
                            "serial",
                            "entry",
                            "platform",
                            "upid",
                            "start",
                            "end",
                            "no-bootloader",
                            "restart-class:C"})
    EXPECT_NE(sHelp.find(sWord), std::string::npos) << sWord;
}

TEST(SimProgram, UsageErrorsExitWithTwoAndAMessage) {
  for (const char* sArgs : {"--fault loud:frame:1", "--bl-class 0x6601", "--nonsense",
                            "--flash-out /nonexistent-dir/f.hex",
                            "--flash-in /nonexistent-dir/f.hex", "--fault short:end:1"}) {
    const auto [nStatus, sOutput] = RunToEnd(sArgs);
    EXPECT_EQ(nStatus, 2) << sArgs;
    EXPECT_NE(sOutput.find("tarvik-logger-sim: "), std::string::npos) << sArgs;
  }
}

} // namespace
