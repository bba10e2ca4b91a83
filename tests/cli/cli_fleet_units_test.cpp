// The units of the fleet and station modes: their options, the record kept of each port, its
// JSON and table, the lines between the processes, the station's choice of ports and the
// progress block.
#include "uOutputText.h"

#include "catalogue/uFWVersions.h"
#include "cli/uCliArgs.h"
#include "cli/uCliMember.h"
#include "cli/uCliProgress.h"
#include "cli/uCliRecord.h"
#include "cli/uCliStation.h"
#include "engine/uTarvikCommThread.h"
#include "ui/uNotifyText.h"
#include "worker/uMessages.h"

#include <gtest/gtest.h>

#include <sstream>

struct TModeCase {
  std::vector<std::string> aArgs;
  TCliMode eMode;
  std::vector<std::string> slPorts;
};

TEST(CliFleetArgs, ModeFollowsThePortOptions) {
  const TModeCase aCases[] = {
      {{"--port", "a"}, TCliMode::Single, {"a"}},
      {{"--port", "a", "--port=b", "--port", "c"}, TCliMode::Fleet, {"a", "b", "c"}},
      {{"--all-ports"}, TCliMode::Fleet, {}},
      {{"--watch"}, TCliMode::Station, {}},
      {{"--watch", "--all-ports"}, TCliMode::Station, {}},
      {{"--port", "a", "--fleet-member", "--yes"}, TCliMode::Member, {"a"}},
      {{"--port", "a", "--port", "b", "--list-ports"}, TCliMode::ListPorts, {"a", "b"}},
      {{"--port", "a", "-h"}, TCliMode::Help, {"a"}},
      {{}, TCliMode::Single, {}},
  };
  for (const TModeCase& rCase : aCases) {
    const TCliOptions rOptions = ParseCliArgs(rCase.aArgs);
    EXPECT_EQ(ModeOf(rOptions), rCase.eMode) << ::testing::PrintToString(rCase.aArgs);
    EXPECT_EQ(rOptions.slPorts, rCase.slPorts) << ::testing::PrintToString(rCase.aArgs);
  }
  const TCliOptions rOptions = ParseCliArgs({"--json", "r.json", "--watch", "--all-ports"});
  EXPECT_EQ(rOptions.sJson, "r.json");
  EXPECT_TRUE(rOptions.bWatch);
  EXPECT_TRUE(rOptions.bAllPorts);
}

struct TReasonCase {
  std::vector<std::string> aArgs;
  const char* sReason;
};

// The parser's own messages are put in this program's words; a new parser version that
// words them otherwise shows here.
TEST(CliFleetArgs, UsageErrorsSayWhatIsWrong) {
  const TReasonCase aCases[] = {
      {{"--port"}, "--port needs a value"},
      {{"--json"}, "--json needs a value"},
      {{"--port", "a", "--trace"}, "--trace needs a value"},
      {{"--yes=1"}, "--yes takes no value"},
      {{"--watch=yes"}, "--watch takes no value"},
      {{"--trace", "a", "--trace", "b"}, "--trace given more than once"},
      {{"--json", "a", "--json=b"}, "--json given more than once"},
      {{"--port", "a", "--port", "b", "--port", "a"}, "--port a given more than once"},
      {{"--port="}, "--port needs a value"},
      {{"--all-ports", "--port", "a"}, "--all-ports and --port exclude each other"},
      {{"--watch", "--port", "a"}, "--watch updates the ports that arrive; it takes no --port"},
      {{"--fleet-member"}, "--fleet-member takes exactly one --port"},
      {{"--fleet-member", "--port", "a", "--port", "b"}, "--fleet-member takes exactly one --port"},
      {{"--port", "a", "--bogus=1"}, "unknown option \"--bogus\""},
      {{"--port", "a", "-x"}, "unknown option \"-x\""},
      {{"--port", "a", "--"}, "unknown option \"--\""},
      {{"--port", "a", "hello"}, "unknown argument \"hello\""},
      {{"--max-repeats", "-1"}, "--max-repeats needs a whole number from 0 to 1000000, not \"-1\""},
  };
  for (const TReasonCase& rCase : aCases) {
    try {
      ParseCliArgs(rCase.aArgs);
      ADD_FAILURE() << "accepted: " << ::testing::PrintToString(rCase.aArgs);
    } catch (const ECliUsage& e) {
      EXPECT_EQ(std::string(e.what()), rCase.sReason) << ::testing::PrintToString(rCase.aArgs);
    }
  }
}

TEST(CliFleetArgs, WindowOptionsStandAnywhereAndGoToEachPort) {
  const TCliOptions rOptions =
      ParseCliArgs({"CC:-", "--port", "a", "mf:+", "--port", "b", "f:+", "--max-repeats", "2",
                    "--read-info-only", "--file", "x.fw", "--json", "r.json", "--trace", "t.txt"});
  EXPECT_EQ(rOptions.slWindowOptions, (std::vector<std::string>{"CC:-", "mf:+", "f:+"}));
  EXPECT_EQ(MemberArgs(rOptions, "b", "t-b.txt"),
            (std::vector<std::string>{"--port", "b", "--yes", "--fleet-member", "--max-repeats",
                                      "2", "--trace", "t-b.txt", "--read-info-only", "--file",
                                      "x.fw", "CC:-", "mf:+", "f:+"}));
  EXPECT_EQ(MemberArgs(ParseCliArgs({"--all-ports"}), "COM5", std::nullopt),
            (std::vector<std::string>{"--port", "COM5", "--yes", "--fleet-member"}));
  // The member's arguments make a member.
  EXPECT_EQ(ModeOf(ParseCliArgs(MemberArgs(rOptions, "b", "t-b.txt"))), TCliMode::Member);
}

TEST(CliFleetArgs, EachPortHasItsOwnTraceFile) {
  const std::pair<std::pair<const char*, const char*>, const char*> aCases[] = {
      {{"trace.txt", "/dev/ttyUSB0"}, "trace-ttyUSB0.txt"},
      {{"/tmp/run.1/trace.txt", "/dev/pts/3"}, "/tmp/run.1/trace-pts_3.txt"},
      {{"/tmp/run.1/trace", "COM5"}, "/tmp/run.1/trace-COM5"},
      {{"C:\\logs\\t.txt", "\\\\.\\COM12"}, "C:\\logs\\t-COM12.txt"},
      {{".trace", "/tmp/a b/ttyUSB1"}, ".trace-tmp_a_b_ttyUSB1"},
      {{"t.txt", "///"}, "t-port.txt"},
  };
  for (const auto& [rInput, sExpected] : aCases) {
    EXPECT_EQ(PortTraceFile(rInput.first, rInput.second), sExpected) << rInput.first;
  }
}

// The record of a port, from the notifications of its runs.
class CliRecord : public ::testing::Test {
protected:
  void SetUp() override {
    gnFwIndex = -1;
    gnSerialNumber.store(-1);
  }
  // The notifications of a run up to the choice of image 12.
  void FirstPart(TRunRecord& rRecord) {
    for (const TNotification& rNote : std::vector<TNotification>{{cMSG_CLASS, 0x6601},
                                                                 {cMSG_VERSION, 0x0508},
                                                                 {cMSG_CLASS, 0xC802},
                                                                 {cMSG_VERSION, 0},
                                                                 {cMSG_PLATFORM, 24},
                                                                 {cMSG_PRINT, 53},
                                                                 {cMSG_CHECK, 12}}) {
      rRecord.Notification(rNote.FnCode, rNote.FnValue);
    }
    gnFwIndex = 12;
  }
};

TEST_F(CliRecord, GoodRunGivesClassesVersionsImageAndSerialNumber) {
  TRunRecord rRecord("COM5");
  FirstPart(rRecord);
  rRecord.Notification(cMSG_PROGRAM, 0);
  rRecord.Notification(cMSG_PROGRESS, 50);
  rRecord.Notification(cMSG_CLASS, 0x6601);
  rRecord.Notification(cMSG_DONE, 0);
  rRecord.Report("12-00-00 -> a line");
  rRecord.Message(SuccessText());
  gnSerialNumber.store(328297);
  rRecord.RunEnded();
  const TPortResult& rResult = rRecord.Result();
  EXPECT_EQ(rResult.sPort, "COM5");
  ASSERT_TRUE(rResult.rBefore);
  EXPECT_EQ(rResult.rBefore->nClass, 0x6601);
  EXPECT_EQ(rResult.rBefore->sClassName, "Tarvik");
  EXPECT_EQ(rResult.rBefore->sVersion, "5.08") << "the first identification, two minor digits";
  ASSERT_TRUE(rResult.rAfter);
  EXPECT_EQ(rResult.rAfter->sClassName, "Tarvik");
  EXPECT_EQ(rResult.rAfter->sVersion, "6.20");
  ASSERT_TRUE(rResult.rImage);
  EXPECT_EQ(rResult.rImage->nIndex, 12);
  EXPECT_EQ(rResult.rImage->sVersion, "6.20");
  EXPECT_EQ(rResult.rImage->sPrint, "A9g");
  EXPECT_EQ(rResult.rImage->sBootloader, "3.0");
  EXPECT_EQ(rResult.nSerialNumber, 328297U);
  EXPECT_EQ(rResult.nRuns, 1);
  EXPECT_EQ(rResult.sOutcome, "Update Tarvik V6.20 succesfully completed.");
  EXPECT_EQ(rResult.slReport, std::vector<std::string>{"12-00-00 -> a line"});
}

TEST_F(CliRecord, RepeatedRunKeepsWhatTheFirstRunFound) {
  TRunRecord rRecord("COM5");
  FirstPart(rRecord);
  rRecord.Notification(cMSG_PROGRAM, 0);
  rRecord.Notification(cMSG_PROG_ERROR, 4);
  rRecord.Notification(cMSG_FAILURE, 44);
  gnSerialNumber.store(4711);
  rRecord.RunEnded();
  EXPECT_FALSE(rRecord.Result().rAfter) << "no identification after a restart yet";
  // The second run finds the logger in its bootloader: no serial number, no application.
  gnSerialNumber.store(-1);
  for (const TNotification& rNote : std::vector<TNotification>{{cMSG_CLASS, 0xC802},
                                                               {cMSG_VERSION, 0},
                                                               {cMSG_PROGRAM, 0},
                                                               {cMSG_CLASS, 0x1234},
                                                               {cMSG_FAILURE, 45}}) {
    rRecord.Notification(rNote.FnCode, rNote.FnValue);
  }
  rRecord.Message("Update was not successfull!");
  rRecord.RunEnded();
  const TPortResult& rResult = rRecord.Result();
  EXPECT_EQ(rResult.nRuns, 2);
  EXPECT_EQ(rResult.nSerialNumber, 4711U);
  EXPECT_EQ(rResult.rBefore->sClassName, "Tarvik");
  EXPECT_EQ(rResult.rBefore->sVersion, "5.08");
  ASSERT_TRUE(rResult.rAfter);
  EXPECT_EQ(rResult.rAfter->nClass, 0x1234);
  EXPECT_FALSE(rResult.rAfter->sVersion) << "a class that is not the image's tells no version";
  EXPECT_EQ(rResult.sOutcome, "Update was not successfull!");
}

TEST_F(CliRecord, ReadInfoOnlyNamesTheChosenImageAndNoImageNamesNone) {
  TRunRecord rInfoOnly("p");
  FirstPart(rInfoOnly);
  rInfoOnly.Notification(cMSG_FAILURE, 70);
  rInfoOnly.RunEnded();
  ASSERT_TRUE(rInfoOnly.Result().rImage);
  EXPECT_EQ(rInfoOnly.Result().rImage->nIndex, 12);
  EXPECT_FALSE(rInfoOnly.Result().rAfter);

  gnFwIndex = -1;
  TRunRecord rNoImage("p");
  rNoImage.Notification(cMSG_CLASS, 0x6601);
  rNoImage.Notification(cMSG_FAILURE, 47);
  rNoImage.RunEnded();
  EXPECT_FALSE(rNoImage.Result().rImage);
  EXPECT_FALSE(rNoImage.Result().rBefore->sVersion) << "no version notification came";
}

TPortResult SampleResult() {
  TPortResult rResult;
  rResult.sPort = "/dev/ttyUSB0";
  rResult.nSerialNumber = 4711;
  rResult.rBefore = TLoggerState{0x6601, "Tarvik", "5.08"};
  rResult.rAfter = TLoggerState{0x6601, "Tarvik", "6.20"};
  rResult.rImage = TImageChoice{12, "Tarvik", "6.20", "A9g", "3.0"};
  rResult.sOutcome = "Update Tarvik V6.20 succesfully completed.";
  rResult.nExitCode = 0;
  rResult.nRuns = 2;
  rResult.tStarted = std::chrono::sys_days{std::chrono::year{2024} / 5 / 1} +
                     std::chrono::hours{12} + std::chrono::milliseconds{34567};
  rResult.tFinished = rResult.tStarted + std::chrono::seconds{3};
  rResult.dSeconds = 3.25;
  rResult.slReport = {"12-00-34 -> Start at serial port \"/dev/ttyUSB0\"", "12-00-37 -> done"};
  rResult.dCpuSeconds = 0.5;
  rResult.nPeakMemoryKib = 4096;
  return rResult;
}

TEST(CliResultJson, HasEveryFieldAndReadsBack) {
  const TPortResult rResult = SampleResult();
  const TJson rJson = ResultJson(rResult);
  EXPECT_EQ(rJson["port"], "/dev/ttyUSB0");
  EXPECT_EQ(rJson["serial_number"], 4711);
  EXPECT_EQ(rJson["before"]["version"], "5.08");
  EXPECT_EQ(rJson["after"]["class"], 0x6601);
  EXPECT_EQ(rJson["image"]["index"], 12);
  EXPECT_EQ(rJson["exit_code"], 0);
  EXPECT_EQ(rJson["runs"], 2);
  EXPECT_EQ(rJson["started"], "2024-05-01T12:00:34.567Z");
  EXPECT_EQ(rJson["finished"], "2024-05-01T12:00:37.567Z");
  EXPECT_DOUBLE_EQ(rJson["duration_s"].get<double>(), 3.25);
  EXPECT_EQ(rJson["peak_memory_kib"], 4096);
  EXPECT_EQ(rJson["report"].size(), 2U);

  TPortResult rBack;
  TakeResultJson(TJson::parse(JsonLine(rJson)), rBack);
  EXPECT_EQ(rBack.sPort, rResult.sPort);
  EXPECT_EQ(rBack.nSerialNumber, rResult.nSerialNumber);
  EXPECT_EQ(rBack.rBefore->sVersion, "5.08");
  EXPECT_EQ(rBack.rAfter->nClass, 0x6601);
  EXPECT_EQ(rBack.rImage->sPrint, "A9g");
  EXPECT_EQ(rBack.sOutcome, rResult.sOutcome);
  EXPECT_EQ(rBack.nRuns, 2);
  EXPECT_EQ(rBack.slReport, rResult.slReport);

  TPortResult rEmpty;
  rEmpty.sPort = "COM5";
  const TJson rNulls = ResultJson(rEmpty);
  for (const char* sKey : {"serial_number", "before", "after", "image"}) {
    EXPECT_TRUE(rNulls[sKey].is_null()) << sKey;
  }
  EXPECT_FALSE(rNulls.contains("cpu_s")) << "only where the port had a process";
  EXPECT_FALSE(rNulls.contains("hint")) << "only for a port that would not open";

  TPortResult rNotOpened;
  rNotOpened.sHint = "There is no device /dev/ttyUSB3.";
  TPortResult rHintBack;
  TakeResultJson(TJson::parse(JsonLine(ResultJson(rNotOpened))), rHintBack);
  EXPECT_EQ(rHintBack.sHint, rNotOpened.sHint);
}

TEST(CliResultJson, UnusableInputIsLeftOut) {
  const char* aTexts[] = {
      R"([1, 2])",
      R"("text")",
      R"({"port": 5, "serial_number": -1, "exit_code": "0", "runs": 1e99})",
      R"({"serial_number": 4294967296, "before": {"class": 70000}, "image": {"index": "x"}})",
      R"({"before": [], "after": 3, "image": null, "report": [1, "line", null]})",
  };
  for (const char* sText : aTexts) {
    TPortResult rResult;
    rResult.sPort = "kept";
    rResult.nExitCode = 7;
    EXPECT_NO_THROW(TakeResultJson(TJson::parse(sText), rResult)) << sText;
    EXPECT_EQ(rResult.sPort, "kept") << sText;
    EXPECT_EQ(rResult.nExitCode, 7) << sText;
    EXPECT_FALSE(rResult.nSerialNumber) << sText;
    EXPECT_FALSE(rResult.rBefore) << sText;
    EXPECT_FALSE(rResult.rImage) << sText;
  }
  TPortResult rResult;
  TakeResultJson(TJson::parse(R"({"report": [1, "line", null]})"), rResult);
  EXPECT_EQ(rResult.slReport, std::vector<std::string>{"line"});
}

TEST(CliResultJson, BytesThatAreNoUtf8DoNotStopTheRecord) {
  TPortResult rResult;
  rResult.sPort = "/dev/tty\xff\xfe";
  std::string sLine;
  ASSERT_NO_THROW(sLine = JsonLine(ResultJson(rResult)));
  EXPECT_TRUE(Contains(sLine, "/dev/tty\xef\xbf\xbd")) << "replaced by U+FFFD";
  EXPECT_TRUE(TJson::accept(sLine));
}

TEST(CliSummary, ExitStatusOfSeveralPorts) {
  const std::pair<std::vector<int>, int> aCases[] = {
      {{}, 0},          {{0, 0, 0}, 0}, {{0, 41, 0}, 41}, {{20, 20}, 20},
      {{0, 44, 47}, 5}, {{1, 0, 1}, 1}, {{47}, 47},       {{30, 0, 30, 0}, 30},
  };
  for (const auto& [aCodes, nExpected] : aCases) {
    std::vector<TPortResult> aResults;
    for (int nCode : aCodes) {
      aResults.emplace_back().nExitCode = nCode;
    }
    EXPECT_EQ(CombinedExitStatus(aResults), nExpected) << ::testing::PrintToString(aCodes);
  }
}

TEST(CliSummary, TableColumnsLineUp) {
  TPortResult rFailed;
  rFailed.sPort = "COM12";
  rFailed.nExitCode = 41;
  rFailed.dSeconds = 0.25;
  rFailed.sOutcome = "Aborted because the logger is not ready!";
  const std::vector<std::string> slLines = Lines(SummaryTable({SampleResult(), rFailed}));
  ASSERT_EQ(slLines.size(), 3U);
  EXPECT_EQ(slLines[1], "/dev/ttyUSB0  4711    Tarvik V5.08  Tarvik V6.20  Tarvik V6.20 A9g  0  "
                        "   3.2 s  Update Tarvik V6.20 succesfully completed.");
  EXPECT_EQ(slLines[2], "COM12         -       -             -             -                 41 "
                        "   0.2 s  Aborted because the logger is not ready!");
  for (const char* sColumn : {"Serial", "Before", "After", "Image", "Exit", "Time", "Outcome"}) {
    const std::size_t nAt = slLines[0].find(sColumn);
    ASSERT_NE(nAt, std::string::npos) << sColumn;
    EXPECT_NE(slLines[1][nAt], ' ') << sColumn;
    EXPECT_EQ(slLines[1][nAt - 1], ' ') << sColumn;
  }
  // A station's rows share its heading's columns.
  const std::string sHeading = SummaryHeading();
  const std::string sRow = SummaryRow(SampleResult());
  EXPECT_EQ(sRow.find("4711"), sHeading.find("Serial"));
  EXPECT_EQ(sRow.find("Update Tarvik"), sHeading.find("Outcome"));
}

TEST(CliMemberLines, ReadBackWhatAMemberWrites) {
  std::ostringstream sOut;
  TMemberView rView(sOut);
  rView.Report("12-00-00 -> Start at serial port \"COM5\"");
  rView.Progress(42);
  rView.Message("Process cancelled!");
  rView.Hint("There is no device COM5.");
  rView.Result(SampleResult());
  const std::vector<std::string> slLines = Lines(sOut.str());
  ASSERT_EQ(slLines.size(), 5U);
  EXPECT_EQ(ParseMemberLine(slLines[0]).eKind, TMemberLine::TKind::Report);
  EXPECT_EQ(ParseMemberLine(slLines[0]).sText, "12-00-00 -> Start at serial port \"COM5\"");
  EXPECT_EQ(ParseMemberLine(slLines[1]).eKind, TMemberLine::TKind::Progress);
  EXPECT_EQ(ParseMemberLine(slLines[1]).nPercent, 42);
  EXPECT_EQ(ParseMemberLine(slLines[2]).eKind, TMemberLine::TKind::Message);
  EXPECT_EQ(ParseMemberLine(slLines[2]).sText, "Process cancelled!");
  EXPECT_EQ(ParseMemberLine(slLines[3]).eKind, TMemberLine::TKind::Hint);
  EXPECT_EQ(ParseMemberLine(slLines[3]).sText, "There is no device COM5.");
  const TMemberLine rResult = ParseMemberLine(slLines[4]);
  ASSERT_EQ(rResult.eKind, TMemberLine::TKind::Result);
  EXPECT_EQ(rResult.rResult["serial_number"], 4711);
}

TEST(CliMemberLines, AnythingElseIsPlainText) {
  const std::pair<const char*, TMemberLine::TKind> aCases[] = {
      {"tarvik-update-cli: cannot create the trace file \"x\"", TMemberLine::TKind::Text},
      {R"({"report": 5})", TMemberLine::TKind::Text},
      {R"({"progress": "5"})", TMemberLine::TKind::Text},
      {R"({"report": "a", "message": "b"})", TMemberLine::TKind::Text},
      {R"({"result": [1]})", TMemberLine::TKind::Text},
      {R"({"hint": null})", TMemberLine::TKind::Text},
      {R"({"other": 1})", TMemberLine::TKind::Text},
      {R"({"report": "a")", TMemberLine::TKind::Text},
      {"", TMemberLine::TKind::Text},
      {R"({"progress": 1000})", TMemberLine::TKind::Progress},
  };
  for (const auto& [sLine, eKind] : aCases) {
    const TMemberLine rLine = ParseMemberLine(sLine);
    EXPECT_EQ(rLine.eKind, eKind) << sLine;
    if (eKind == TMemberLine::TKind::Text) {
      EXPECT_EQ(rLine.sText, sLine);
    }
  }
  EXPECT_EQ(ParseMemberLine(R"({"progress": 1000})").nPercent, 100);
  EXPECT_EQ(ParseMemberLine(R"({"progress": -3})").nPercent, 0);
}

// One step of a station's life: the system reports a port gone, or the list is read.
struct TStationStep {
  enum { Gone, Listed } eKind;
  std::vector<std::string> slPorts;     // the port gone, or the list
  std::vector<std::string> slRunning;   // ports whose update runs at this step
  std::vector<std::string> slExpected;  // ports to update (Listed)
  std::vector<std::string> slBack = {}; // back while their update runs (Listed)
  std::vector<std::string> slLeft = {}; // no longer listed (Listed)
};

struct TStationCase {
  const char* sName;
  std::vector<std::string> slAtStart;
  std::vector<TStationStep> aSteps;
};

TEST(CliStationPorts, EachPortOnceWhenItArrives) {
  using S = TStationStep;
  const TStationCase aCases[] = {
      {"ThereAtTheStartIsLeftAlone", {"A"}, {{S::Listed, {"A"}, {}, {}}}},
      {"ArrivalOnce",
       {"A"},
       {{S::Listed, {"A", "B"}, {}, {"B"}},
        {S::Listed, {"A", "B"}, {"B"}, {}},
        {S::Listed, {"A", "B"}, {}, {}}}},
      {"SeveralInListOrder", {}, {{S::Listed, {"C", "A", "B"}, {}, {"C", "A", "B"}}}},
      {"LeftAndBack",
       {},
       {{S::Listed, {"A"}, {}, {"A"}},
        {S::Gone, {"A"}, {}, {}},
        {S::Listed, {"A"}, {}, {"A"}},
        {S::Listed, {"A"}, {}, {}}}},
      {"GoneFromTheListWithoutAReportCountsAsLeft",
       {"A", "B"},
       {{S::Listed, {"B"}, {}, {}, {}, {"A"}}, {S::Listed, {"A", "B"}, {}, {"A"}}}},
      {"BackWhileItsUpdateRunsIsNotStartedAgain",
       {},
       {{S::Listed, {"A"}, {}, {"A"}},
        {S::Gone, {"A"}, {"A"}, {}},
        {S::Listed, {"A"}, {"A"}, {}, {"A"}},
        {S::Listed, {"A"}, {}, {}}}},
      {"ThereAtTheStartAndBackIsUpdated",
       {"A"},
       {{S::Gone, {"A"}, {}, {}}, {S::Listed, {"A"}, {}, {"A"}}}},
      {"GoneOfAPortNeverSeen", {}, {{S::Gone, {"X"}, {}, {}}, {S::Listed, {}, {}, {}}}},
  };
  for (const TStationCase& rCase : aCases) {
    TStationPorts rPorts(rCase.slAtStart);
    for (std::size_t i = 0; i < rCase.aSteps.size(); ++i) {
      const TStationStep& rStep = rCase.aSteps[i];
      const auto fnRunning = [&](const std::string& sPort) {
        return std::find(rStep.slRunning.begin(), rStep.slRunning.end(), sPort) !=
               rStep.slRunning.end();
      };
      if (rStep.eKind == S::Gone) {
        rPorts.Left(rStep.slPorts.front());
      } else {
        const TStationPorts::TArrivals rArrivals = rPorts.Arrivals(rStep.slPorts, fnRunning);
        EXPECT_EQ(rArrivals.slStart, rStep.slExpected) << rCase.sName << ", step " << i;
        EXPECT_EQ(rArrivals.slRunning, rStep.slBack) << rCase.sName << ", step " << i;
        EXPECT_EQ(rArrivals.slLeft, rStep.slLeft) << rCase.sName << ", step " << i;
      }
    }
  }
  TStationPorts rPorts({"A"});
  EXPECT_TRUE(rPorts.Left("A"));
  EXPECT_FALSE(rPorts.Left("A"));
}

TEST(CliFleetConsole, ProgressBlockStepsAsideForLinesOnATerminal) {
  std::ostringstream sOut;
  std::ostringstream sErr;
  TFleetConsole rConsole(sOut, sErr, true, 30);
  rConsole.SetPortLine("COM5", TFleetConsole::ProgressLine("COM5", 50, 6));
  rConsole.SetPortLine("COM12", "COM12 " + std::string(40, 'x'));
  rConsole.Redraw();
  EXPECT_EQ(sErr.str(), "COM5    [###############-----\nCOM12 " + std::string(23, 'x') + "\n")
      << "each line cut to the width less one";
  sErr.str("");
  rConsole.Redraw();
  EXPECT_EQ(sErr.str(), "") << "nothing changed";
  rConsole.Out("COM5: a report line");
  EXPECT_EQ(sErr.str(), "\x1b[2F\x1b[J") << "the block is cleared before the line";
  EXPECT_EQ(sOut.str(), "COM5: a report line\n");
  rConsole.RemovePortLine("COM12");
  rConsole.Redraw();
  EXPECT_EQ(sErr.str(), "\x1b[2F\x1b[JCOM5    [###############-----\n");
  EXPECT_EQ(TFleetConsole::ProgressLine("COM5", 100, 2),
            "COM5  [##############################] 100%");

  std::ostringstream sPlainErr;
  TFleetConsole rPlain(sOut, sPlainErr, false, 80);
  rPlain.SetPortLine("COM5", "COM5 [---]");
  rPlain.Redraw();
  rPlain.Err("COM5: Process cancelled!");
  EXPECT_EQ(sPlainErr.str(), "COM5: Process cancelled!\n") << "no block without a terminal";
}
