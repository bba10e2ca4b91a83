// tarvik-update-cli as a program: exit status, report lines, the question, usage errors and
// the automatic repeats, against the simulated logger.
#include "uCliProcess.h"
#include "uOutputText.h"
#include "uSimLogger.h"
#include "uVersion.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>

namespace {

std::string ReadText(const std::string& sPath) {
  std::ifstream F(sPath, std::ios::binary);
  std::stringstream sText;
  sText << F.rdbuf();
  return sText.str();
}

const char* const cSUCCESS = "Update Tarvik V6.20 succesfully completed.";

} // namespace

TEST(Cli, HelpDescribesTheOptionsAndExitStatus) {
  const TConfigHome rHome(false);
  const TCliResult rResult = RunCli({"--help"}, rHome.Path());
  EXPECT_EQ(rResult.nStatus, 0);
  EXPECT_TRUE(Contains(rResult.sOut, "--port NAME"));
  EXPECT_TRUE(Contains(rResult.sOut, "--max-repeats N"));
  EXPECT_TRUE(Contains(rResult.sOut, "Exit status"));
}

TEST(Cli, VersionOfTheCommandLineAndTheSimulatorIsTheProjects) {
  const TConfigHome rHome(false);
  const TCliResult rResult = RunCli({"--version"}, rHome.Path());
  EXPECT_EQ(rResult.nStatus, 0);
  EXPECT_EQ(rResult.sOut, std::string("tarvik-update-cli ") + cVERSION_TEXT + "\n");
  EXPECT_TRUE(Contains(RunCli({"--help"}, rHome.Path()).sOut, "--version"));

  FILE* pSim = popen((SimLoggerProgram() + " --version").c_str(), "r");
  ASSERT_NE(pSim, nullptr);
  char aLine[256] = {};
  const bool bRead = std::fgets(aLine, sizeof aLine, pSim) != nullptr;
  EXPECT_EQ(pclose(pSim), 0);
  ASSERT_TRUE(bRead);
  EXPECT_EQ(std::string(aLine), std::string("tarvik-logger-sim ") + cVERSION_TEXT + "\n");
}

TEST(Cli, ListPortsEndsWell) {
  const TConfigHome rHome(false);
  EXPECT_EQ(RunCli({"--list-ports"}, rHome.Path()).nStatus, 0);
}

struct TUsageCase {
  const char* sName;
  bool bInternal;
  std::vector<std::string> aArgs;
  const char* sReason;
};

void PrintTo(const TUsageCase& rCase, std::ostream* pOut) {
  *pOut << rCase.sName;
}

class CliUsage : public ::testing::TestWithParam<TUsageCase> {};

TEST_P(CliUsage, IsRefusedWithStatus2AndAReason) {
  const TConfigHome rHome(GetParam().bInternal);
  const TCliResult rResult = RunCli(GetParam().aArgs, rHome.Path());
  EXPECT_EQ(rResult.nStatus, 2);
  EXPECT_TRUE(Contains(rResult.sErr, GetParam().sReason)) << rResult.sErr;
  EXPECT_TRUE(rResult.sOut.empty()) << "nothing was started";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliUsage,
    ::testing::Values(
        TUsageCase{"UnknownOption", false, {"--port", "x", "--bogus"}, "unknown option"},
        TUsageCase{"UnknownArgument", false, {"--port", "x", "hello"}, "unknown argument"},
        TUsageCase{"MissingPort", false, {"--yes"}, "--port NAME is required"},
        TUsageCase{"PortWithoutValue", false, {"--port"}, "--port needs a value"},
        TUsageCase{"SamePortTwice", false, {"--port", "a", "--port=a"}, "more than once"},
        TUsageCase{"BadRepeats", false, {"--port", "x", "--max-repeats", "-1"}, "--max-repeats"},
        TUsageCase{
            "RepeatsNotANumber", false, {"--port", "x", "--max-repeats=3x"}, "--max-repeats"},
        TUsageCase{"YesWithValue", false, {"--port", "x", "--yes=1"}, "takes no value"},
        TUsageCase{"ReadInfoOnlyInNormalMode",
                   false,
                   {"--port", "x", "--read-info-only"},
                   "internal mode"},
        TUsageCase{
            "FileInNormalMode", false, {"--port", "x", "--file", "a.hex", "f:+"}, "file access"},
        TUsageCase{
            "FileWithoutFileAccess", true, {"--port", "x", "--file", "a.hex"}, "file access"}),
    [](const auto& rInfo) { return std::string(rInfo.param.sName); });

TEST(Cli, WithoutTerminalAndWithoutYesRefusesAndShowsTheQuestion) {
  TSimLogger rSim;
  const TConfigHome rHome(false);
  const TCliResult rResult = RunCli({"--port", rSim.Port()}, rHome.Path());
  EXPECT_EQ(rResult.nStatus, 2);
  EXPECT_TRUE(Contains(rResult.sErr,
                       "Do you save your measurements ?\nDo you really continue without saving ?"));
  EXPECT_TRUE(Contains(rResult.sErr, "--yes"));
  EXPECT_TRUE(rResult.sOut.empty());
  rSim.Stop();
  EXPECT_TRUE(rSim.ReadFlash().empty());
}

TEST(Cli, ClearingSwitchAsksItsOwnQuestionInEveryMode) {
  const TConfigHome rHome(true);
  const TCliResult rResult = RunCli({"--port", "/dev/null", "MF:+"}, rHome.Path());
  EXPECT_EQ(rResult.nStatus, 2);
  EXPECT_TRUE(
      Contains(rResult.sErr, "This update clears all measurements!\nDo you really continue ?"));
}

TEST(Cli, QuestionAnsweredNoOnTheTerminalStartsNothing) {
  TSimLogger rSim;
  const TConfigHome rHome(false);
  TCliProcess rProcess({"--port", rSim.Port()}, rHome.Path(), true);
  ASSERT_TRUE(rProcess.WaitForOutput("[y/N]", 10000));
  rProcess.Type("n\n");
  const TCliResult rResult = rProcess.Wait();
  EXPECT_EQ(rResult.nStatus, 3);
  EXPECT_FALSE(Contains(rResult.sOut, "Start at serial port"));
}

TEST(Cli, QuestionAnsweredYesOnTheTerminalRuns) {
  TSimLogger rSim;
  const TConfigHome rHome(true);
  TCliProcess rProcess({"--port", rSim.Port(), "mf:+", "--read-info-only"}, rHome.Path(), true);
  ASSERT_TRUE(rProcess.WaitForOutput("[y/N]", 10000));
  rProcess.Type("yes\n");
  const TCliResult rResult = rProcess.Wait();
  EXPECT_EQ(rResult.nStatus, 70);
  EXPECT_TRUE(Contains(rResult.sOut, "Only read update info!"));
}

TEST(Cli, InternalModeAsksNothingAndReadsInfoOnly) {
  TSimLogger rSim;
  const TConfigHome rHome(true);
  const TCliResult rResult = RunCli({"--port", rSim.Port(), "--read-info-only"}, rHome.Path());
  EXPECT_EQ(rResult.nStatus, 70);
  EXPECT_TRUE(Contains(rResult.sOut, "Check Tarvik V6.20, A9g, BL3.0"));
  EXPECT_TRUE(Contains(rResult.sErr, "Only read update info!"));
}

TEST(Cli, CompleteUpdatePrintsEveryReportLineAndEndsWith0) {
  TSimLogger rSim;
  const TConfigHome rHome(false);
  const TCliResult rResult = RunCli({"--port", rSim.Port(), "--yes"}, rHome.Path());
  ASSERT_EQ(rResult.nStatus, 0) << rResult.sErr;
  const std::vector<std::string> slLines = Lines(rResult.sOut);
  const std::regex cSTAMPED(R"(\d\d-\d\d-\d\d -> .+)");
  for (const std::string& sLine : slLines) {
    EXPECT_TRUE(std::regex_match(sLine, cSTAMPED)) << sLine;
  }
  ASSERT_GE(slLines.size(), 20U);
  EXPECT_EQ(slLines.front().substr(12), "Start at serial port \"" + rSim.Port() + "\"");
  EXPECT_EQ(slLines[1].substr(12), "Class 26113 [Tarvik]");
  EXPECT_EQ(slLines[2].substr(12), "Version 6.20");
  EXPECT_TRUE(Contains(rResult.sOut, "Update Info 0000"));
  EXPECT_TRUE(Contains(rResult.sOut, "Update Tarvik V6.20, A9g, BL3.0"));
  EXPECT_TRUE(Contains(rResult.sOut, "Progress 98%"));
  EXPECT_TRUE(Contains(rResult.sOut, "Vector table is saved."));
  EXPECT_TRUE(Contains(rResult.sOut, "Vector table is programmed."));
  EXPECT_EQ(slLines.back().substr(12), cSUCCESS);
  EXPECT_TRUE(Contains(rResult.sErr, cSUCCESS));
  EXPECT_FALSE(Contains(rResult.sErr, "[#")) << "no bar when stderr is not a terminal";
}

struct TExitCase {
  const char* sName;
  std::vector<std::string> aSimArgs;
  int nStatus;
  const char* sMessage;
};

void PrintTo(const TExitCase& rCase, std::ostream* pOut) {
  *pOut << rCase.sName;
}

class CliExit : public ::testing::TestWithParam<TExitCase> {};

TEST_P(CliExit, EndsWithTheFailureCodeAndItsText) {
  TSimLogger rSim(GetParam().aSimArgs);
  const TConfigHome rHome(false);
  const TCliResult rResult = RunCli({"--port", rSim.Port(), "--yes"}, rHome.Path());
  EXPECT_EQ(rResult.nStatus, GetParam().nStatus);
  EXPECT_TRUE(Contains(rResult.sErr, GetParam().sMessage)) << rResult.sErr;
  EXPECT_TRUE(Contains(rResult.sOut, GetParam().sMessage)) << rResult.sOut;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliExit,
    ::testing::Values(
        TExitCase{"NoImage_47",
                  {"--upid-class", "0x1234"},
                  47,
                  "There is no update available or the logger has another update ID!"},
        TExitCase{"LoggerNotReady_41",
                  {"--fault", "status:frame:1"},
                  41,
                  "Aborted because the logger is not ready!"},
        TExitCase{"NoBootloader_40",
                  {"--fault", "no-bootloader"},
                  40,
                  "Aborted because no update is available for this logger!"}),
    [](const auto& rInfo) { return std::string(rInfo.param.sName); });

TEST(Cli, PortThatCannotBeOpenedEndsWith10) {
  const TConfigHome rHome(false);
  const TCliResult rResult = RunCli({"--port", "/dev/tarvik-no-such-port", "--yes"}, rHome.Path());
  EXPECT_EQ(rResult.nStatus, 10);
  EXPECT_TRUE(Contains(rResult.sErr,
                       "Aborted because serial port \"/dev/tarvik-no-such-port\" is not ready!"));
}

TEST(Cli, RecoversByRepeatAfterATransientSilence) {
  // The five tries of the first identification go unanswered: the run ends in a repeat, and
  // the next run finds the logger answering.
  std::vector<std::string> aArgs;
  for (int i = 1; i <= 5; ++i) {
    aArgs.insert(aArgs.end(), {"--fault", "silent:frame:" + std::to_string(i)});
  }
  TSimLogger rSim(aArgs);
  const TConfigHome rHome(false);
  const TCliResult rResult = RunCli({"--port", rSim.Port(), "--yes"}, rHome.Path());
  EXPECT_EQ(rResult.nStatus, 0) << rResult.sErr;
  EXPECT_EQ(Count(rResult.sOut, "Repeat update because communication error!"), 1U);
  EXPECT_EQ(Count(rResult.sOut, "Start at serial port"), 2U);
  EXPECT_TRUE(Contains(rResult.sOut, cSUCCESS));
}

TEST(Cli, RecoversByRepeatAfterAWrongEcho) {
  TSimLogger rSim({"--fault", "echo:prog:5"});
  const TConfigHome rHome(false);
  const TCliResult rResult = RunCli({"--port", rSim.Port(), "--yes"}, rHome.Path());
  EXPECT_EQ(rResult.nStatus, 0) << rResult.sErr;
  EXPECT_TRUE(Contains(rResult.sOut, "Aborted because programming error at line 4 !"));
  EXPECT_EQ(Count(rResult.sOut, "Repeat because programming error!"), 1U);
  EXPECT_EQ(Count(rResult.sOut, "Start at serial port"), 2U);
  rSim.Stop();
  EXPECT_FALSE(rSim.ReadFlash().empty());
}

TEST(Cli, MaxRepeatsBoundsTheRepeatsAfterSilence) {
  TSimLogger rSim({"--fault", "silent:frame:1:always"});
  const TConfigHome rHome(false);
  const TCliResult rResult =
      RunCli({"--port", rSim.Port(), "--yes", "--max-repeats", "1"}, rHome.Path());
  EXPECT_EQ(rResult.nStatus, 30);
  EXPECT_EQ(Count(rResult.sOut, "Start at serial port"), 2U);
  EXPECT_EQ(Count(rResult.sOut, "Repeat update because communication error!"), 2U);
  EXPECT_TRUE(Contains(rResult.sErr, "No repeats left"));
}

TEST(Cli, MaxRepeatsZeroEndsWith44AfterAWrongEcho) {
  TSimLogger rSim({"--fault", "echo:prog:5"});
  const TConfigHome rHome(false);
  const TCliResult rResult =
      RunCli({"--port", rSim.Port(), "--yes", "--max-repeats=0"}, rHome.Path());
  EXPECT_EQ(rResult.nStatus, 44);
  EXPECT_EQ(Count(rResult.sOut, "Start at serial port"), 1U);
}

// The port trace's monotonic time stamps ("+S.UUUUUU") of every "-- close" and "-- open" event,
// in order, in microseconds.
std::vector<std::pair<std::string, std::int64_t>> OpenAndCloseTimes(const std::string& sTrace) {
  static const std::regex cEVENT(R"(\+(\d+)\.(\d{6}) port -?\d+ -- (open|close)\b)");
  std::vector<std::pair<std::string, std::int64_t>> aEvents;
  for (auto it = std::sregex_iterator(sTrace.begin(), sTrace.end(), cEVENT);
       it != std::sregex_iterator(); ++it)
    aEvents.emplace_back((*it)[3].str(),
                         std::stoll((*it)[1].str()) * 1000000 + std::stoll((*it)[2].str()));
  return aEvents;
}

TEST(Cli, RepeatAfterACommunicationFailureWaitsOneAndAHalfSeconds) {
  TSimLogger rSim({"--fault", "silent:frame:1:always"});
  const TConfigHome rHome(false);
  const std::string sTrace = rHome.Path() + "/trace.txt";
  const TCliResult rResult = RunCli(
      {"--port", rSim.Port(), "--yes", "--max-repeats", "1", "--trace", sTrace}, rHome.Path());
  EXPECT_EQ(rResult.nStatus, 30);
  // The port closes before the run's final notice and opens again after the pause.
  const auto aEvents = OpenAndCloseTimes(ReadText(sTrace));
  ASSERT_EQ(aEvents.size(), 4U) << ReadText(sTrace);
  EXPECT_EQ(aEvents[1].first, "close");
  EXPECT_EQ(aEvents[2].first, "open");
  EXPECT_GE(aEvents[2].second - aEvents[1].second, 1500000) << "the pause before the repeat";
}

TEST(Cli, CtrlCDuringTheRepeatPauseEndsWithProcessCancelled) {
  TSimLogger rSim({"--fault", "silent:frame:1:always"});
  const TConfigHome rHome(false);
  TCliProcess rProcess({"--port", rSim.Port(), "--yes", "--max-repeats", "1"}, rHome.Path());
  // The line comes just before the pause; a late signal still cancels the next run.
  ASSERT_TRUE(rProcess.WaitForOutput("Repeat update because communication error!", 20000));
  rProcess.Signal(SIGINT);
  const TCliResult rResult = rProcess.Wait();
  EXPECT_EQ(rResult.nStatus, 20) << rResult.sErr;
  EXPECT_TRUE(Contains(rResult.sErr, "Process cancelled!")) << rResult.sErr;
  EXPECT_EQ(Count(rResult.sOut, "Start at serial port"), 2U)
      << "the repeat ends at its first check";
}

TEST(Cli, CtrlCCancelsTheRunWith20) {
  TSimLogger rSim;
  const TConfigHome rHome(false);
  TCliProcess rProcess({"--port", rSim.Port(), "--yes"}, rHome.Path());
  ASSERT_TRUE(rProcess.WaitForOutput("Progress 5%", 20000));
  rProcess.Signal(SIGINT);
  const TCliResult rResult = rProcess.Wait();
  EXPECT_EQ(rResult.nStatus, 20);
  EXPECT_TRUE(Contains(rResult.sOut, "Process cancelled!"));
  EXPECT_FALSE(Contains(rResult.sOut, cSUCCESS));
}

TEST(Cli, TraceFileGetsTheBytesExchanged) {
  TSimLogger rSim({"--upid-class", "0x1234"});
  const TConfigHome rHome(false);
  const std::string sTrace = rHome.Path() + "/trace.txt";
  const TCliResult rResult =
      RunCli({"--port", rSim.Port(), "--yes", "--trace", sTrace}, rHome.Path());
  EXPECT_EQ(rResult.nStatus, 47);
  std::ifstream F(sTrace);
  std::stringstream sText;
  sText << F.rdbuf();
  EXPECT_TRUE(Contains(sText.str(), "81 00 00 00 00 00 00 AA")) << sText.str().substr(0, 400);
}

TEST(Cli, UnusableTraceFileEndsWith4) {
  const TConfigHome rHome(false);
  const TCliResult rResult = RunCli(
      {"--port", "/dev/null", "--yes", "--trace", "/nonexistent-dir/trace.txt"}, rHome.Path());
  EXPECT_EQ(rResult.nStatus, 4);
  EXPECT_TRUE(Contains(rResult.sErr, "/nonexistent-dir/trace.txt"));
}

TEST(Cli, BadFirmwareFileEndsWith4NamingTheFile) {
  const TConfigHome rHome(true);
  const std::string sFile = rHome.Path() + "/bad.fw";
  std::ofstream(sFile) << "bootloader=3\nbootloader version=x\n";
  const TCliResult rResult = RunCli({"--port", "/dev/null", "f:+", "--file", sFile}, rHome.Path());
  EXPECT_EQ(rResult.nStatus, 4);
  EXPECT_TRUE(Contains(rResult.sErr, sFile)) << rResult.sErr;
  const TCliResult rMissing =
      RunCli({"--port", "/dev/null", "f:+", "--file", rHome.Path() + "/missing.fw"}, rHome.Path());
  EXPECT_EQ(rMissing.nStatus, 4);
  EXPECT_TRUE(Contains(rMissing.sErr, "missing.fw")) << rMissing.sErr;
}

TEST(Cli, FirmwareFileWithRecordsThatWouldBeSkippedEndsWith4NamingTheLine) {
  const TConfigHome rHome(true);
  const std::string sFile = rHome.Path() + "/intel.hex";
  // An ordinary Intel-HEX file: an address record, then 16-byte records.
  std::ofstream(sFile) << "bootloader=3\r\nbootloader version=0\r\nclass=26113\r\nversionH=6\r\n"
                          "versionL=21\r\nplatform=24\r\nprint=53\r\ndate=x\r\n"
                          ":020000040000FA\r\n:10000000000102030405060708090A0B0C0D0E0F78\r\n"
                          ":00000001FF\r\n";
  TSimLogger rSim;
  const TCliResult rResult = RunCli({"--port", rSim.Port(), "f:+", "--file", sFile}, rHome.Path());
  EXPECT_EQ(rResult.nStatus, 4);
  EXPECT_TRUE(Contains(rResult.sErr, sFile + ": line 9: extended linear address record (type 04); "
                                             "only 64-byte data records can be programmed"))
      << rResult.sErr;
  EXPECT_FALSE(Contains(rResult.sOut, "Start at serial port")) << "no run";
  rSim.Stop();
  EXPECT_EQ(ReadText(rSim.TracePath()).find(" in  "), std::string::npos) << "nothing sent";
}

TEST(Cli, FirmwareFileIsTheOnlyCandidate) {
  TSimLogger rSim;
  const TConfigHome rHome(true);
  const std::string sFile = rHome.Path() + "/other.fw";
  // A file image for another print: no fit, and the carried images are not tried.
  std::ofstream(sFile) << "bootloader=3\r\nbootloader version=0\r\nclass=26113\r\nversionH=6\r\n"
                          "versionL=21\r\nplatform=24\r\nprint=49\r\ndate=x\r\n:00000001FF\r\n";
  const TCliResult rResult = RunCli({"--port", rSim.Port(), "f:+", "--file", sFile}, rHome.Path());
  EXPECT_EQ(rResult.nStatus, 47);
  EXPECT_EQ(Count(rResult.sOut, "Check "), 1U);
  EXPECT_TRUE(Contains(rResult.sOut, "Check Tarvik V6.21"));
}
