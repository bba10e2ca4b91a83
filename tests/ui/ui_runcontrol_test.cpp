// The run control without any toolkit: a view that records what the window is told, and a
// worker class that starts no thread, whose notifications the test hands over in order.
#include "uFirmwareFile.h"

#include "catalogue/uFWVersions.h"
#include "engine/uSwitches.h"
#include "engine/uTarvikCommThread.h"
#include "link/uRS232.h"
#include "ui/uNotifyText.h"
#include "ui/uPortHint.h"
#include "ui/uPortList.h"
#include "ui/uRunControl.h"
#include "worker/uExceptions1V0.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using TCalls = std::vector<std::string>;

const std::string cSTART = "Start at serial port \"COM3\"";

// Records every call as one text, in order.
class TFakeView : public TRunView {
public:
  std::string sPort = "COM3";
  bool bReadInfoOnly = false;
  bool bAnswerYes = true;
  std::string sChosenFile;
  int nProgress = -1;
  TCalls aCalls;
  // What ProcessNotifications does (the test's worker and its queue).
  std::function<void()> ProcessHook;
  int nProcessCalls = 0;

  std::string PortText() const override { return sPort; }
  bool ReadInfoOnlyChecked() const override { return bReadInfoOnly; }
  int ProgressPosition() const override { return nProgress; }
  void SetProgress(int nPercent) override {
    // A bar of range 0..100 holds nothing outside it.
    if (nPercent >= 0 && nPercent <= 100) nProgress = nPercent;
    Record("SetProgress " + std::to_string(nPercent));
  }
  void SetTitle(const std::string& sTitle) override { Record("SetTitle " + sTitle); }
  void SetStatus(const std::string& sText) override { Record("SetStatus " + sText); }
  void AddReport(const std::string& sText) override { Record("AddReport " + sText); }
  void ClearReport() override { Record("ClearReport"); }
  void ShowFinalMessage(const std::string& sText) override { Record("ShowFinalMessage " + sText); }
  void Beep() override { Record("Beep"); }
  void ShowRunningControls(bool bRunning) override {
    Record(bRunning ? "ShowRunningControls running" : "ShowRunningControls idle");
  }
  void SetHourglass(bool bOn) override { Record(bOn ? "SetHourglass on" : "SetHourglass off"); }
  void ShowReportWindow() override { Record("ShowReportWindow"); }
  void OpenOverview() override { Record("OpenOverview"); }
  bool AskQuestion(const std::string& sText) override {
    Record("AskQuestion " + sText);
    return bAnswerYes;
  }
  void ShowError(const std::string& sText) override { Record("ShowError " + sText); }
  std::string ChooseFile() override {
    Record("ChooseFile");
    return sChosenFile;
  }
  void StartRepeatTimer(std::uint32_t nMs) override {
    Record("StartRepeatTimer " + std::to_string(nMs));
  }
  void StopRepeatTimer() override { Record("StopRepeatTimer"); }
  void ProcessNotifications(std::uint32_t nMs) override {
    ++nProcessCalls;
    if (ProcessHook) {
      ProcessHook();
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(nMs)); // nothing arrives
    }
  }

  // The calls since the last Take.
  TCalls Take() {
    TCalls aTaken;
    aTaken.swap(aCalls);
    return aTaken;
  }

private:
  void Record(std::string sCall) { aCalls.push_back(std::move(sCall)); }
};

// A worker that runs nothing: the test posts its notifications.
class TFakeWorker : public TCommThread {
public:
  TFakeWorker(TWindowHandle hWindow, TCmd cmd, const std::string& sPort)
      : TCommThread(std::move(hWindow), cmd, sPort), FCmdGiven(cmd), FsPortGiven(sPort),
        FbCancelAtStart(gbCancel), FbReadInfoOnlyAtStart(gbReadInfoOnly) {}
  void Notify(std::uint32_t nCode, std::uint32_t nValue) { Post(nCode, nValue); }

  TCmd FCmdGiven;
  std::string FsPortGiven;
  bool FbCancelAtStart;
  bool FbReadInfoOnlyAtStart;
};

std::vector<std::unique_ptr<TFakeWorker>> gaWorkers;

TCommThread* CreateFakeWorker(TWindowHandle hWindow, TCmd cmd, const std::string& sPort) {
  gaWorkers.push_back(std::make_unique<TFakeWorker>(std::move(hWindow), cmd, sPort));
  return gaWorkers.back().get();
}

TCommThread* RefuseWorker(TWindowHandle, TCmd, const std::string&) {
  throw std::runtime_error("no thread");
}

class RunControl : public ::testing::Test {
protected:
  void SetUp() override {
    gnAccessLevel = 1;
    gbClearsMeasurements = false;
    gbReadInfoOnly = false;
    gbCancel = false;
    gnFwIndex = -1;
    gaWorkers.clear();
    gCommThreadClass = &CreateFakeWorker;
    FRun.SetClock([this] { return FtNow; });
  }
  void TearDown() override {
    gaWorkers.clear();
    gCommThreadClass = nullptr;
  }

  // Hands the queued notifications to the run control, as the window's thread does.
  void Deliver() {
    while (const std::optional<TNotification> rNote = FhQueue->TryTake()) {
      FRun.HandleNotification(rNote->FnCode, rNote->FnValue);
    }
  }
  // The worker of the latest run posts (nCode, nValue); the window handles it.
  void Post(std::uint32_t nCode, std::uint32_t nValue) {
    ASSERT_FALSE(gaWorkers.empty());
    gaWorkers.back()->Notify(nCode, nValue);
    Deliver();
  }
  // A run started by the Update button, its calls taken.
  void StartRunning() {
    FRun.UpdateClick();
    ASSERT_TRUE(FRun.IsRunning());
    FView.Take();
  }

  std::shared_ptr<TNotifyQueue> FhQueue = std::make_shared<TNotifyQueue>();
  TFakeView FView;
  TRunControl FRun{FView, FhQueue};
  std::chrono::steady_clock::time_point FtNow{};
};

const std::string cGOOD_HEAD = "bootloader=3\r\nbootloader version=0\r\nclass=26113\r\n"
                               "versionH=6\r\nversionL=20\r\nplatform=24\r\nprint=53\r\n"
                               "date=21.09.2023\r\n";
const std::string cBAD_HEAD = "bootloader=3\r\nbootloader version=zero\r\nclass=26113\r\n";

bool Contains(const TCalls& aCalls, const std::string& sCall) {
  return std::find(aCalls.begin(), aCalls.end(), sCall) != aCalls.end();
}

} // namespace

TEST_F(RunControl, FormCreateOpensIdleWithTheClearingMark) {
  for (const bool bClears : {false, true}) {
    gbClearsMeasurements = bClears;
    TFakeView rView;
    TRunControl rRun(rView, FhQueue);
    rRun.FormCreate();
    EXPECT_EQ(rView.Take(), (TCalls{bClears ? "SetStatus F" : "SetStatus ",
                                    "ShowRunningControls idle", "SetTitle Tarvik Firmware Update"}))
        << bClears;
    EXPECT_FALSE(rRun.IsRunning());
  }
}

struct TQuestionCase {
  const char* sName;
  std::int32_t nAccessLevel;
  bool bClears;
  const char* sQuestion; // nullptr: none asked
};

class RunControlQuestion : public RunControl,
                           public ::testing::WithParamInterface<TQuestionCase> {};

TEST_P(RunControlQuestion, NoChangesNothingYesStartsTheRun) {
  const TQuestionCase& rCase = GetParam();
  gnAccessLevel = rCase.nAccessLevel;
  gbClearsMeasurements = rCase.bClears;
  if (rCase.sQuestion != nullptr) {
    FView.bAnswerYes = false;
    FRun.UpdateClick();
    EXPECT_EQ(FView.Take(), TCalls{"AskQuestion " + std::string(rCase.sQuestion)});
    EXPECT_TRUE(gaWorkers.empty());
    EXPECT_FALSE(FRun.IsRunning());
    FView.bAnswerYes = true;
  }
  gbCancel = true; // left from the previous run
  FRun.UpdateClick();
  TCalls aExpected{"ClearReport",   "AddReport " + cSTART,         "SetStatus " + cSTART,
                   "SetProgress 0", "ShowRunningControls running", "SetHourglass on"};
  if (rCase.sQuestion != nullptr) {
    aExpected.insert(aExpected.begin(), "AskQuestion " + std::string(rCase.sQuestion));
  }
  EXPECT_EQ(FView.Take(), aExpected);
  ASSERT_EQ(gaWorkers.size(), 1U);
  EXPECT_EQ(gaWorkers[0]->FCmdGiven, TCmd::tCMD0);
  EXPECT_EQ(gaWorkers[0]->FsPortGiven, "COM3");
  EXPECT_FALSE(gaWorkers[0]->FbCancelAtStart);
  EXPECT_EQ(gnFwIndex, -1);
  EXPECT_EQ(FRun.Port(), "COM3");
  EXPECT_TRUE(FRun.IsRunning());
}

INSTANTIATE_TEST_SUITE_P(
    Levels, RunControlQuestion,
    ::testing::Values(TQuestionCase{"Normal", 0, false, cQUESTION_SAVE},
                      TQuestionCase{"Internal", 1, false, nullptr},
                      TQuestionCase{"FileAccess", 2, false, nullptr},
                      TQuestionCase{"NormalClearing", 0, true, cQUESTION_CLEARS},
                      TQuestionCase{"InternalClearing", 1, true, cQUESTION_CLEARS}),
    [](const ::testing::TestParamInfo<TQuestionCase>& rInfo) { return rInfo.param.sName; });

TEST_F(RunControl, ReadInfoOnlyBoxIsCopiedAtEachStart) {
  for (const bool bChecked : {true, false}) {
    FView.bReadInfoOnly = bChecked;
    StartRunning();
    EXPECT_EQ(gaWorkers.back()->FbReadInfoOnlyAtStart, bChecked);
    Post(cMSG_FAILURE, cERR_INFO_ONLY);
  }
}

TEST_F(RunControl, WhileRunningNoSecondRunAndNoFileIsTaken) {
  gnAccessLevel = 2;
  StartRunning();
  FView.sChosenFile = "any.txt";
  FRun.UpdateClick();
  FRun.FileClick();
  FRun.FileVersionClick();
  EXPECT_EQ(FView.Take(), TCalls{});
  EXPECT_EQ(gaWorkers.size(), 1U);
}

TEST_F(RunControl, DoneShowsFullBarIdleStateAndTheSuccessText) {
  StartRunning();
  gnFwIndex = 12;
  Post(cMSG_DONE, 0);
  const std::string sDone = "Update Tarvik V6.20 succesfully completed.";
  EXPECT_EQ(FView.Take(), (TCalls{"SetProgress 100", "ShowRunningControls idle", "SetHourglass off",
                                  "SetTitle Tarvik Firmware Update", "AddReport " + sDone,
                                  "SetStatus " + sDone, "ShowFinalMessage " + sDone}));
  EXPECT_FALSE(FRun.IsRunning());
}

TEST_F(RunControl, ProgressSetsBarReportAndTitleFromTheBar) {
  StartRunning();
  Post(cMSG_PROGRESS, 42);
  EXPECT_EQ(FView.Take(), (TCalls{"AddReport Progress 42%", "SetProgress 42", "SetTitle 42%"}));
  // The title shows what the bar holds.
  Post(cMSG_PROGRESS, 250);
  EXPECT_EQ(FView.Take(), (TCalls{"AddReport Progress 250%", "SetProgress 250", "SetTitle 42%"}));
  EXPECT_TRUE(FRun.IsRunning());
}

TEST_F(RunControl, ReportOnlyNotificationsChangeNothingElse) {
  StartRunning();
  Post(cMSG_CLASS, 26113);
  Post(cMSG_VECTOR, 0);
  Post(cMSG_VECTOR, 7);
  Post(99, 1);
  EXPECT_EQ(FView.Take(),
            (TCalls{"AddReport Class 26113 [Tarvik]", "AddReport Vector table is saved."}));
  EXPECT_TRUE(FRun.IsRunning());
}

TEST_F(RunControl, ProgrammingStartSetsReportAndStatus) {
  StartRunning();
  gnFwIndex = 12;
  Post(cMSG_PROGRAM, 0);
  const TCalls aCalls = FView.Take();
  ASSERT_EQ(aCalls.size(), 2U);
  EXPECT_TRUE(aCalls[0].starts_with("AddReport Update Tarvik V6.20, ")) << aCalls[0];
  EXPECT_EQ(aCalls[1], "SetStatus " + aCalls[0].substr(10));
}

TEST_F(RunControl, FailureEndsTheRunBeepsAndAnnounces) {
  StartRunning();
  Post(cMSG_FAILURE, cERR_PORT);
  const std::string sText = "Aborted because serial port \"COM3\" is not ready!";
  EXPECT_EQ(FView.Take(), (TCalls{"ShowRunningControls idle", "SetHourglass off",
                                  "SetTitle Tarvik Firmware Update", "Beep", "AddReport " + sText,
                                  "SetStatus " + sText, "ShowFinalMessage " + sText}));
  EXPECT_FALSE(FRun.IsRunning());
}

TEST_F(RunControl, PortThatWouldNotOpenGetsWhyAsTheFinalMessagesSecondParagraph) {
  // The worker's open of this port failed as a real one's would, and the link kept why.
  FView.sPort = "tarvik-no-such-port";
  ASSERT_EQ(OpenPort(FView.sPort, 9600), cINVALID_PORT);
  StartRunning();
  Post(cMSG_FAILURE, cERR_PORT);
  const std::string sText = "Aborted because serial port \"tarvik-no-such-port\" is not ready!";
  std::vector<std::string> slPortsNow;
  FillPortList(slPortsNow);
  const std::string sHint = PortHint(FView.sPort, slPortsNow);
  EXPECT_NE(sHint.find("There is no "), std::string::npos) << sHint;
  EXPECT_NE(sHint.find("tarvik-no-such-port."), std::string::npos) << sHint;
  // The report and the status keep the fixed text; the message window has both.
  EXPECT_EQ(FView.Take(),
            (TCalls{"ShowRunningControls idle", "SetHourglass off",
                    "SetTitle Tarvik Firmware Update", "Beep", "AddReport " + sText,
                    "SetStatus " + sText, "ShowFinalMessage " + sText + "\r\n\r\n" + sHint}));
}

TEST_F(RunControl, ConversionErrorShowsTheMessageOnly) {
  StartRunning();
  Post(cMSG_CONV_ERROR, 5);
  Post(cMSG_FAILURE, cERR_CONVERSION);
  EXPECT_EQ(FView.Take(), (TCalls{"AddReport Aborted because conversion error at line  5 !",
                                  "ShowRunningControls idle", "SetHourglass off",
                                  "SetTitle Tarvik Firmware Update", "Beep",
                                  "ShowFinalMessage Aborted because conversion error!"}));
}

TEST_F(RunControl, ProgrammingErrorStartsAgainAtOnceWithCancelCleared) {
  StartRunning();
  FRun.CancelClick(); // during the failed try: does not carry over
  Post(cMSG_PROG_ERROR, 33);
  Post(cMSG_FAILURE, cERR_ECHO);
  const std::string sRepeat = "Repeat because programming error!";
  EXPECT_EQ(FView.Take(),
            (TCalls{"AddReport Aborted because programming error at line 33 !",
                    "SetStatus Aborted because programming error at line 33 !",
                    "ShowRunningControls idle", "SetHourglass off",
                    "SetTitle Tarvik Firmware Update", "Beep", "AddReport " + sRepeat,
                    "SetStatus " + sRepeat, "AddReport " + cSTART, "SetStatus " + cSTART,
                    "SetProgress 0", "ShowRunningControls running", "SetHourglass on"}));
  ASSERT_EQ(gaWorkers.size(), 2U);
  EXPECT_FALSE(gaWorkers[1]->FbCancelAtStart);
  EXPECT_TRUE(FRun.IsRunning());
}

TEST_F(RunControl, WorkerThatCannotStartEndsAsFatal) {
  gCommThreadClass = &RefuseWorker;
  FRun.UpdateClick();
  Deliver();
  const TCalls aCalls = FView.Take();
  EXPECT_TRUE(Contains(aCalls, "ShowFinalMessage Fatal Exception has occurred!"));
  EXPECT_EQ(aCalls.back(), "ShowFinalMessage Fatal Exception has occurred!");
  EXPECT_FALSE(FRun.IsRunning());
}

TEST_F(RunControl, RepeatWaitsItsFullPauseThenStartsTheSameCommand) {
  StartRunning();
  gbCancel = false;
  Post(cMSG_REPEAT, 0x0102); // the command is the low 8 bits
  const std::string sRepeat = "Repeat update because communication error!";
  EXPECT_EQ(FView.Take(),
            (TCalls{"SetStatus " + sRepeat, "AddReport " + sRepeat, "StartRepeatTimer 1500"}));
  EXPECT_TRUE(FRun.IsRunning()); // no EndUpdate: the controls stay as they are

  // The system timer fires early: the rest of the pause is waited for.
  FtNow += std::chrono::milliseconds(1400);
  FRun.RepeatTimerFired();
  EXPECT_EQ(FView.Take(), TCalls{"StartRepeatTimer 100"});
  EXPECT_EQ(gaWorkers.size(), 1U);
  FtNow += std::chrono::microseconds(99500);
  FRun.RepeatTimerFired();
  EXPECT_EQ(FView.Take(), TCalls{"StartRepeatTimer 1"});
  FtNow += std::chrono::microseconds(500);
  FRun.RepeatTimerFired();
  EXPECT_EQ(FView.Take(), (TCalls{"AddReport " + cSTART, "SetStatus " + cSTART, "SetProgress 0",
                                  "ShowRunningControls running"}));
  ASSERT_EQ(gaWorkers.size(), 2U);
  EXPECT_EQ(gaWorkers[1]->FCmdGiven, TCmd::tCMD2);
  EXPECT_EQ(gaWorkers[1]->FsPortGiven, "COM3");
  EXPECT_FALSE(gaWorkers[1]->FbCancelAtStart);
  // A timer event left over after the run started does nothing.
  FRun.RepeatTimerFired();
  EXPECT_EQ(gaWorkers.size(), 2U);
}

// A Cancel pressed before the repeated run starts (during the failed try or during the pause)
// ends that run: it starts with the flag set.
TEST_F(RunControl, CancelBeforeTheRepeatedRunEndsIt) {
  for (const bool bDuringPause : {false, true}) {
    StartRunning();
    if (!bDuringPause) FRun.CancelClick();
    Post(cMSG_REPEAT, 0);
    if (bDuringPause) FRun.CancelClick();
    FtNow += std::chrono::milliseconds(cREPEAT_PAUSE_MS);
    FRun.RepeatTimerFired();
    EXPECT_TRUE(gaWorkers.back()->FbCancelAtStart) << bDuringPause;
    EXPECT_TRUE(gbCancel);
    Post(cMSG_FAILURE, cERR_CANCEL);
    EXPECT_EQ(FView.Take().back(), "ShowFinalMessage Process cancelled!");
    EXPECT_FALSE(FRun.IsRunning());
  }
}

TEST_F(RunControl, ClosingIdleAsksNothing) {
  FRun.FormCreate();
  FView.Take();
  EXPECT_TRUE(FRun.CloseQuery());
  EXPECT_EQ(FView.Take(), TCalls{});
}

TEST_F(RunControl, ClosingDuringRunAnsweredNoKeepsTheRun) {
  StartRunning();
  FView.bAnswerYes = false;
  EXPECT_FALSE(FRun.CloseQuery());
  EXPECT_EQ(FView.Take(), TCalls{"AskQuestion " + std::string(cQUESTION_CLOSE)});
  EXPECT_FALSE(gbCancel);
  EXPECT_TRUE(FRun.IsRunning());
}

TEST_F(RunControl, ClosingDuringRunCancelsAndWaitsForTheFinalNotification) {
  StartRunning();
  Post(cMSG_PROGRESS, 5);
  FView.Take();
  // The worker notices the cancel at its third look, posts what it had and its failure.
  int nLooks = 0;
  FView.ProcessHook = [&] {
    if (++nLooks == 3) {
      ASSERT_TRUE(gbCancel);
      gaWorkers.back()->Notify(cMSG_PROGRESS, 6);
      gaWorkers.back()->Notify(cMSG_FAILURE, cERR_CANCEL);
    }
    Deliver();
  };
  EXPECT_TRUE(FRun.CloseQuery());
  EXPECT_EQ(nLooks, 3);
  EXPECT_TRUE(FRun.IsClosing());
  EXPECT_FALSE(FRun.IsRunning());
  // Idle again, but no message, no beep, no report for a run the program is leaving.
  const TCalls aCalls = FView.Take();
  EXPECT_EQ(aCalls.front(), "AskQuestion " + std::string(cQUESTION_CLOSE));
  EXPECT_TRUE(Contains(aCalls, "SetHourglass off"));
  EXPECT_EQ(aCalls.back(), "SetTitle Tarvik Firmware Update");
  for (const std::string& sCall : aCalls) {
    EXPECT_FALSE(sCall.starts_with("ShowFinalMessage") || sCall == "Beep" ||
                 sCall.starts_with("AddReport") || sCall.starts_with("SetProgress"))
        << sCall;
  }
}

TEST_F(RunControl, ClosingDuringTheRepeatPauseStartsNoNewRun) {
  StartRunning();
  Post(cMSG_REPEAT, 0);
  FView.Take();
  EXPECT_TRUE(FRun.CloseQuery());
  EXPECT_EQ(FView.nProcessCalls, 0); // no worker to wait for
  FtNow += std::chrono::milliseconds(2000);
  FRun.RepeatTimerFired();
  EXPECT_EQ(gaWorkers.size(), 1U);
  EXPECT_FALSE(FRun.IsRunning());
  EXPECT_FALSE(Contains(FView.Take(), "AddReport " + cSTART));
}

// A worker that never ends must not keep the program open: the window gives up after its wait.
TEST_F(RunControl, ClosingGivesUpOnAWorkerThatNeverEnds) {
  StartRunning();
  const auto tStart = std::chrono::steady_clock::now();
  EXPECT_TRUE(FRun.CloseQuery());
  EXPECT_GE(std::chrono::steady_clock::now() - tStart, std::chrono::milliseconds(5000));
  EXPECT_FALSE(FRun.IsRunning());
  EXPECT_GT(FView.nProcessCalls, 0);
}

TEST_F(RunControl, FileButton) {
  gnAccessLevel = 2;
  // A cancelled dialog does nothing.
  FRun.FileClick();
  EXPECT_EQ(FView.Take(), TCalls{"ChooseFile"});

  // A file whose header cannot be read: its reason, no run, no image.
  const TFirmwareFile rBad("bad", cBAD_HEAD);
  FView.sChosenFile = rBad.Path();
  gnFwIndex = 7;
  FRun.FileClick();
  TCalls aCalls = FView.Take();
  ASSERT_EQ(aCalls.size(), 4U);
  EXPECT_EQ(aCalls[0], "ChooseFile");
  EXPECT_EQ(aCalls[1], "ClearReport");
  EXPECT_NE(aCalls[2].find(rBad.Path()), std::string::npos) << aCalls[2];
  EXPECT_EQ(aCalls[2].substr(0, 10), "SetStatus ");
  EXPECT_EQ(aCalls[3], "ShowError " + aCalls[2].substr(10));
  EXPECT_TRUE(gaWorkers.empty());
  EXPECT_EQ(gnFwIndex, -1);
  EXPECT_FALSE(FRun.IsRunning());

  // A good file: image 0, a run without a question.
  const TFirmwareFile rGood("good", cGOOD_HEAD);
  FView.sChosenFile = rGood.Path();
  FRun.FileClick();
  EXPECT_EQ(gnFwIndex, 0);
  EXPECT_EQ(gslFwFileLines.size(), 2U);
  ASSERT_EQ(gaWorkers.size(), 1U);
  EXPECT_EQ(FView.Take().at(1), "ClearReport");
}

TEST_F(RunControl, FileVersionMenu) {
  gnAccessLevel = 2;
  const TFirmwareFile rBad("bad", cBAD_HEAD);
  const TFirmwareFile rGood("good", cGOOD_HEAD);
  gnFwIndex = 5;

  FView.sChosenFile = rBad.Path();
  FRun.FileVersionClick();
  TCalls aCalls = FView.Take();
  ASSERT_EQ(aCalls.size(), 2U);
  EXPECT_EQ(aCalls[1].substr(0, 10), "ShowError ");
  EXPECT_EQ(gnFwIndex, 5);

  FView.sChosenFile = rGood.Path() + ".missing";
  FRun.FileVersionClick();
  EXPECT_EQ(FView.Take(), TCalls{"ChooseFile"});
  EXPECT_EQ(gnFwIndex, 5);

  FView.sChosenFile = rGood.Path();
  FRun.FileVersionClick();
  EXPECT_EQ(FView.Take(), (TCalls{"ChooseFile", "OpenOverview"}));
  EXPECT_EQ(gnFwIndex, 0);
  EXPECT_TRUE(gaWorkers.empty());
}

TEST_F(RunControl, ReportWindowShownAtTheFirstIdleOnlyInInternalMode) {
  for (const std::int32_t nLevel : {0, 1, 2}) {
    gnAccessLevel = nLevel;
    TFakeView rView;
    TRunControl rRun(rView, FhQueue);
    rRun.ApplicationIdle();
    rRun.ApplicationIdle();
    EXPECT_EQ(rView.Take(), nLevel > 0 ? TCalls{"ShowReportWindow"} : TCalls{}) << nLevel;
  }
}
