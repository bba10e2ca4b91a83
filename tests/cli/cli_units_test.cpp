// The texts the window and the command line share, and the command line's own units.
#include "catalogue/uFWVersions.h"
#include "cli/uCliArgs.h"
#include "cli/uCliOutput.h"
#include "cli/uCliRun.h"
#include "ui/uNotifyText.h"
#include "worker/uMessages.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

struct TTextCase {
  std::uint32_t nCode;
  std::uint32_t nValue;
  std::optional<std::string> sReport;
};

void PrintTo(const TTextCase& rCase, std::ostream* pOut) {
  *pOut << rCase.nCode << "/" << rCase.nValue;
}

class ReportLine : public ::testing::TestWithParam<TTextCase> {};

TEST_P(ReportLine, IsTheWindowsText) {
  gnFwIndex = 12;
  EXPECT_EQ(ReportLineText(GetParam().nCode, GetParam().nValue, "COM7"), GetParam().sReport);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReportLine,
    ::testing::Values(
        TTextCase{cMSG_PROGRESS, 42, "Progress 42%"},
        TTextCase{cMSG_PROG_ERROR, 17, "Aborted because programming error at line 17 !"},
        TTextCase{cMSG_CONV_ERROR, 3, "Aborted because conversion error at line  3 !"},
        TTextCase{cMSG_REPEAT, 0, "Repeat update because communication error!"},
        TTextCase{cMSG_CLASS, 0x6601, "Class 26113 [Tarvik]"},
        TTextCase{cMSG_CLASS, 0xC802, "Class 51202 [BL3]"},
        TTextCase{cMSG_CLASS, 0xFFFF, "Class 65535 [?]"},
        TTextCase{cMSG_VERSION, 0x0512, "Version 5.18"},
        TTextCase{cMSG_PLATFORM, 24, "Platform 24 [F5335 B]"},
        TTextCase{cMSG_PRINT, 53, "Print 53 [A9g]"}, TTextCase{cMSG_INFO, 7, "Info 7"},
        TTextCase{cMSG_UPD_CLASS, 0x6601, "Update class 26113 [Tarvik]"},
        TTextCase{cMSG_UPD_INFO, 0x1A, "Update Info 001A"},
        TTextCase{cMSG_UPD_INFO, 0xFFFF, "Update Info FFFF"},
        TTextCase{cMSG_UPD_INFO, 0x12345, "Update Info 12345"},
        TTextCase{cMSG_CHECK, 4, "Check Tarvik V5.18, A5, BL2.0"},
        TTextCase{cMSG_CHECK, 6, "Check Tarvik V5.126, A9b, BL3.0"},
        // Outside the catalogue the header has class and print 0xFFFF, both named "?".
        TTextCase{cMSG_CHECK, 13, "Check ? V0.00, ?, BL0.0"},
        TTextCase{cMSG_PROGRAM, 0, "Update Tarvik V6.20, A9g, BL3.0"},
        TTextCase{cMSG_VECTOR, 0, "Vector table is saved."},
        TTextCase{cMSG_VECTOR, 1, "Vector table is programmed."},
        TTextCase{cMSG_VECTOR, 2, std::nullopt}, TTextCase{99, 0, std::nullopt},
        TTextCase{cMSG_DONE, 0, "Update Tarvik V6.20 succesfully completed."},
        TTextCase{cMSG_FAILURE, 43, std::nullopt}));

struct TFailureCase {
  std::int32_t iCode;
  std::string sText;
};

class FailureTextTable : public ::testing::TestWithParam<TFailureCase> {};

TEST_P(FailureTextTable, IsTheWindowsText) {
  EXPECT_EQ(FailureText(GetParam().iCode, "COM7"), GetParam().sText);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailureTextTable,
    ::testing::Values(
        TFailureCase{10, "Aborted because serial port \"COM7\" is not ready!"},
        TFailureCase{11, "Aborted because error when reading/writing to serial port!"},
        TFailureCase{20, "Process cancelled!"},
        TFailureCase{40, "Aborted because no update is available for this logger!"},
        TFailureCase{41, "Aborted because the logger is not ready!"},
        TFailureCase{42, "Aborted because last line is wrong !"},
        TFailureCase{43, "Aborted because conversion error!"},
        TFailureCase{44, "Repeat because programming error!"},
        TFailureCase{45, "Update was not successfull!"},
        TFailureCase{46, "Aborted because the logger transmitted an invalid answer!"},
        TFailureCase{47, "There is no update available or the logger has another update ID!"},
        TFailureCase{70, "Only read update info!"},
        TFailureCase{0, "Fatal Exception has occurred!"},
        TFailureCase{12, "Fatal Exception has occurred!"},
        TFailureCase{30, "Fatal Exception has occurred!"}));

TEST(NotifyView, FinalNotificationsEndOrRepeatTheRunAsTheWindowDoes) {
  gnFwIndex = 5;
  const TNotifyView rDone = DescribeNotification(cMSG_DONE, 0, "p");
  EXPECT_TRUE(rDone.bFinal);
  EXPECT_EQ(rDone.nProgress, 100);
  EXPECT_EQ(rDone.sMessage, "Update Tarvik V5.42 succesfully completed.");
  EXPECT_EQ(rDone.sStatus, rDone.sMessage);
  EXPECT_FALSE(rDone.bBeep);

  const TNotifyView rRepeat = DescribeNotification(cMSG_REPEAT, 0, "p");
  EXPECT_EQ(rRepeat.eRepeat, TRepeatKind::AfterPause);
  EXPECT_TRUE(rRepeat.bStatusFirst);
  EXPECT_FALSE(rRepeat.bEndUpdate);
  EXPECT_FALSE(rRepeat.bBeep);
  EXPECT_FALSE(rRepeat.sMessage);

  const TNotifyView rEcho = DescribeNotification(cMSG_FAILURE, 44, "p");
  EXPECT_EQ(rEcho.eRepeat, TRepeatKind::AtOnce);
  EXPECT_TRUE(rEcho.bBeep);
  EXPECT_TRUE(rEcho.bEndUpdate);
  EXPECT_FALSE(rEcho.sMessage);
  EXPECT_EQ(rEcho.sReport, "Repeat because programming error!");

  const TNotifyView rConversion = DescribeNotification(cMSG_FAILURE, 43, "p");
  EXPECT_EQ(rConversion.sMessage, "Aborted because conversion error!");
  EXPECT_FALSE(rConversion.sReport);
  EXPECT_FALSE(rConversion.sStatus);

  const TNotifyView rCancel = DescribeNotification(cMSG_FAILURE, 20, "p");
  EXPECT_EQ(rCancel.eRepeat, TRepeatKind::None);
  EXPECT_EQ(rCancel.sReport, "Process cancelled!");
  EXPECT_EQ(rCancel.sMessage, "Process cancelled!");
}

TEST(NotifyView, MinorVersionsHaveTwoDigitsAtLeast) {
  gnFwIndex = 2;
  EXPECT_EQ(SuccessText(), "Update Tarvik V4.08 succesfully completed.");
  gnFwIndex = 8;
  EXPECT_EQ(SuccessText(), "Update Tarvik V5.136 succesfully completed.");
  gnFwIndex = -1;
  EXPECT_FALSE(SuccessText().empty()) << "no image: no read outside the catalogue";
}

TEST(NotifyView, QuestionsPerModeAndClearingSwitch) {
  EXPECT_EQ(UpdateQuestionText(0, false),
            "Do you save your measurements ?\r\nDo you really continue without saving ?");
  EXPECT_EQ(UpdateQuestionText(1, false), std::nullopt);
  EXPECT_EQ(UpdateQuestionText(2, false), std::nullopt);
  for (std::int32_t nLevel : {0, 1, 2}) {
    EXPECT_EQ(UpdateQuestionText(nLevel, true),
              "This update clears all measurements!\r\nDo you really continue ?");
  }
  EXPECT_EQ(StartLineText("COM5"), "Start at serial port \"COM5\"");
}

TEST(NotifyView, TimeStampIsHoursMinutesSecondsWithHyphens) {
  EXPECT_TRUE(std::regex_match(TimeStampedLine("x"), std::regex(R"(\d\d-\d\d-\d\d -> x)")));
}

TEST(CliOutput, ProgressBarAndTerminalText) {
  EXPECT_EQ(ProgressBarText(0, 10), "[----------]   0%");
  EXPECT_EQ(ProgressBarText(42, 10), "[####------]  42%");
  EXPECT_EQ(ProgressBarText(100, 10), "[##########] 100%");
  EXPECT_EQ(ProgressBarText(250, 4), "[####] 100%");
  EXPECT_EQ(ProgressBarText(-5, 4), "[----]   0%");
  EXPECT_EQ(TerminalText("a\r\nb"), "a\nb");
  EXPECT_EQ(TerminalText("a\rb"), "a\rb");
}

TEST(CliOutput, ReportLinesGoToStdoutTheBarToStderr) {
  std::ostringstream sOut;
  std::ostringstream sErr;
  TCliOutput rOutput(sOut, sErr, true);
  rOutput.Progress(50);
  rOutput.Report(TimeStampedLine("Progress 50%"));
  rOutput.Message("done");
  EXPECT_TRUE(std::regex_match(sOut.str(), std::regex(R"(\d\d-\d\d-\d\d -> Progress 50%\n)")));
  EXPECT_NE(sErr.str().find("50%"), std::string::npos);
  EXPECT_NE(sErr.str().find("done\n"), std::string::npos);

  std::ostringstream sErrPlain;
  TCliOutput rPlain(sOut, sErrPlain, false);
  rPlain.Progress(50);
  rPlain.Message("done");
  EXPECT_EQ(sErrPlain.str(), "done\n");
}

TEST(CliArgs, ParsesOptionsAndWindowOptions) {
  const TCliOptions rOptions = ParseCliArgs(
      {"--port", "COM7", "--yes", "cc:-", "MF:+", "--max-repeats=3", "--trace", "t.txt", "f:+"});
  EXPECT_EQ(rOptions.slPorts, std::vector<std::string>{"COM7"});
  EXPECT_TRUE(rOptions.bYes);
  EXPECT_EQ(rOptions.nMaxRepeats, 3U);
  EXPECT_EQ(rOptions.sTrace, "t.txt");
  EXPECT_EQ(rOptions.slWindowOptions, (std::vector<std::string>{"cc:-", "MF:+", "f:+"}));
  EXPECT_FALSE(rOptions.nMaxRepeats == std::nullopt);
  EXPECT_EQ(ParseCliArgs({"--port=a=b"}).slPorts, std::vector<std::string>{"a=b"});
  EXPECT_EQ(ParseCliArgs({}).nMaxRepeats, std::nullopt);
}

TEST(CliArgs, OfferedOptionsFollowTheAccessLevel) {
  TCliOptions rOptions = ParseCliArgs({"--port", "p", "--read-info-only"});
  EXPECT_THROW(CheckOfferedOptions(rOptions, 0, true), ECliUsage);
  EXPECT_THROW(CheckOfferedOptions(rOptions, 1, false), ECliUsage);
  EXPECT_NO_THROW(CheckOfferedOptions(rOptions, 1, true));
  rOptions = ParseCliArgs({"--port", "p", "--file", "x"});
  EXPECT_THROW(CheckOfferedOptions(rOptions, 1, true), ECliUsage);
  EXPECT_NO_THROW(CheckOfferedOptions(rOptions, 2, true));
  EXPECT_THROW(CheckOfferedOptions(ParseCliArgs({}), 2, true), ECliUsage);
}

TEST(CliArgs, ExitStatusOfAFailure) {
  EXPECT_EQ(FailureExitStatus(0), 1);
  EXPECT_EQ(FailureExitStatus(47), 47);
}
