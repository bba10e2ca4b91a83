// The worker's notifications reach the Win32 window as posted WM_USER messages: report lines,
// status, progress and title, the final message and the beep, and the repeats with their
// pause. The texts themselves are the run control's (tested without a toolkit).
#include "uWinUiTestKit.h"

#include "catalogue/uFWVersions.h"
#include "ui/win32/uProtocol.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using TTexts = std::vector<std::string>;
using TClock = std::chrono::steady_clock;

const std::string cSTART = "Start at serial port \"COM3\"";
const std::string cREPEAT = "Repeat update because communication error!";

} // namespace

TEST(Win32Notify, ReportLinesInTheOrderPosted) {
  TWindowSetup rSetup(true);
  TScriptedThread::Queue({{cMSG_CLASS, 26113},
                          {cMSG_VERSION, 0x0512},
                          {cMSG_UPD_INFO, 0x1A},
                          {cMSG_VECTOR, 2},
                          {99, 1},
                          {cMSG_CHECK, 3},
                          {cMSG_FAILURE, 20, true}});
  Click(rSetup.Main()->btnProg);
  const TTexts slExpected{cSTART, "Class 26113 [" + ClassText(26113) + "]", "Version 5.18",
                          "Update Info 001A", "Check Tarvik V5.08, " + PrintText(2) + ", BL2.0"};
  EXPECT_TRUE(WaitFor([&] { return rSetup.ReportTexts() == slExpected; }))
      << Join(rSetup.ReportTexts());
  EXPECT_EQ(rSetup.Main()->StatusText(), cSTART);
  EXPECT_TRUE(rSetup.Main()->IsRunning());
  EXPECT_TRUE(rSetup.Watcher.slSeen.empty());
  EXPECT_EQ(rSetup.nBeeps, 0);
  Click(rSetup.Main()->btnCancel);
  ASSERT_TRUE(WaitIdle());
}

TEST(Win32Notify, DoneFillsTheBarAndAnnouncesTheImage) {
  TWindowSetup rSetup(true);
  TScriptedThread::Queue({{cMSG_PROGRAM, 0, false, 6}, {cMSG_PROGRESS, 99}, {cMSG_DONE, 0}});
  Click(rSetup.Main()->btnProg);
  ASSERT_TRUE(WaitIdle());
  const std::string sDone = "Update Tarvik V5.126 succesfully completed.";
  EXPECT_EQ(rSetup.ReportTexts().back(), sDone);
  EXPECT_EQ(rSetup.Main()->StatusText(), sDone);
  EXPECT_EQ(rSetup.Watcher.slSeen, TTexts{"Information: " + sDone});
  EXPECT_EQ(ProgressOf(rSetup.Main()->ProgressBar1), 100);
  EXPECT_EQ(Text(rSetup.Handle()), "Tarvik Firmware Update");
  EXPECT_TRUE(IsWindowEnabled(rSetup.Main()->btnProg));
  EXPECT_EQ(rSetup.nBeeps, 0);
}

TEST(Win32Notify, FailureBeepsBeforeItsMessage) {
  TWindowSetup rSetup(true);
  std::size_t nSeenAtBeep = 99;
  gBeep = [&] {
    ++rSetup.nBeeps;
    nSeenAtBeep = rSetup.Watcher.slSeen.size();
  };
  TScriptedThread::Queue({{cMSG_FAILURE, 47}});
  Click(rSetup.Main()->btnProg);
  ASSERT_TRUE(WaitIdle());
  const std::string sText = "There is no update available or the logger has another update ID!";
  EXPECT_EQ(rSetup.ReportTexts(), (TTexts{cSTART, sText}));
  EXPECT_EQ(rSetup.Main()->StatusText(), sText);
  EXPECT_EQ(rSetup.Watcher.slSeen, TTexts{"Information: " + sText});
  EXPECT_EQ(rSetup.nBeeps, 1);
  EXPECT_EQ(nSeenAtBeep, 0U);
}

TEST(Win32Notify, ProgrammingErrorRepeatsAtOnce) {
  TWindowSetup rSetup(true);
  TScriptedThread::Queue({{cMSG_PROG_ERROR, 33}, {cMSG_FAILURE, 44, true}});
  TScriptedThread::Queue({{cMSG_FAILURE, 20}});
  Click(rSetup.Main()->btnProg);
  // Cancel during the failed try does not carry over to the repeat.
  ASSERT_TRUE(WaitFor([&] { return rSetup.ReportTexts().size() == 2; }));
  Click(rSetup.Main()->btnCancel);
  ASSERT_TRUE(WaitFor([] { return TScriptedThread::Runs() == 2; }));
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(TScriptedThread::CancelAtStart(), (std::vector<bool>{false, false}));
  EXPECT_EQ(rSetup.ReportTexts(),
            (TTexts{cSTART, "Aborted because programming error at line 33 !",
                    "Repeat because programming error!", cSTART, "Process cancelled!"}));
  EXPECT_EQ(rSetup.Watcher.slSeen, TTexts{"Information: Process cancelled!"});
  EXPECT_EQ(rSetup.nBeeps, 2);
}

TEST(Win32Repeat, AfterItsPauseWithTheWindowAlive) {
  TWindowSetup rSetup(true);
  TScriptedThread::Queue({{cMSG_CLASS, 26113}, {cMSG_REPEAT, 0}});
  TScriptedThread::Queue({{cMSG_DONE, 0, false, 12}});
  const auto tClick = TClock::now();
  Click(rSetup.Main()->btnProg);
  ASSERT_TRUE(WaitFor([&] { return Contains(rSetup.ReportTexts(), cREPEAT); }));
  // During the pause the window stays in its running state and keeps handling messages.
  EXPECT_EQ(rSetup.Main()->StatusText(), cREPEAT);
  EXPECT_TRUE(rSetup.Main()->IsRunning());
  EXPECT_TRUE(IsWindowVisible(rSetup.Main()->btnCancel));
  EXPECT_FALSE(IsWindowEnabled(rSetup.Main()->btnProg));
  EXPECT_EQ(TScriptedThread::Runs(), 1);
  ASSERT_TRUE(WaitFor([] { return TScriptedThread::Runs() == 2; }));
  EXPECT_GE(TClock::now() - tClick, std::chrono::milliseconds(1500));
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(rSetup.ReportTexts(), (TTexts{cSTART, "Class 26113 [" + ClassText(26113) + "]", cREPEAT,
                                          cSTART, "Update Tarvik V6.20 succesfully completed."}));
  EXPECT_EQ(rSetup.nBeeps, 0);
  EXPECT_EQ(rSetup.Watcher.slSeen.size(), 1U);
}

TEST(Win32Repeat, CancelDuringThePauseEndsTheNewRun) {
  TWindowSetup rSetup(true);
  TScriptedThread::Queue({{cMSG_REPEAT, 0}});
  TScriptedThread::Queue({{cMSG_DONE, 0}});
  Click(rSetup.Main()->btnProg);
  ASSERT_TRUE(WaitFor([&] { return Contains(rSetup.ReportTexts(), cREPEAT); }));
  Click(rSetup.Main()->btnCancel);
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(TScriptedThread::CancelAtStart(), (std::vector<bool>{false, true}));
  EXPECT_EQ(rSetup.ReportTexts().back(), "Process cancelled!");
  EXPECT_EQ(rSetup.Watcher.slSeen, TTexts{"Information: Process cancelled!"});
}

TEST(Win32Repeat, CancelBeforeTheRepeatNotificationEndsTheNewRun) {
  TWindowSetup rSetup(true);
  TScriptedThread::Queue({{cMSG_REPEAT, 0, true}});
  Click(rSetup.Main()->btnProg);
  Click(rSetup.Main()->btnCancel);
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(TScriptedThread::CancelAtStart(), (std::vector<bool>{false, true}));
  EXPECT_EQ(rSetup.ReportTexts().back(), "Process cancelled!");
}

TEST(Win32Repeat, ClosingDuringThePauseStartsNoNewRun) {
  TWindowSetup rSetup(true);
  TScriptedThread::Queue({{cMSG_REPEAT, 0}});
  Click(rSetup.Main()->btnProg);
  ASSERT_TRUE(WaitFor([&] { return Contains(rSetup.ReportTexts(), cREPEAT); }));
  EXPECT_TRUE(rSetup.Main()->IsRunning());
  EXPECT_TRUE(CloseMain());
  EXPECT_EQ(rSetup.slQuestions.size(), 1U);
  EXPECT_FALSE(rSetup.Main()->IsRunning());
  Pump(1700);
  EXPECT_EQ(TScriptedThread::Runs(), 1);
  EXPECT_TRUE(rSetup.Watcher.slSeen.empty());
}
