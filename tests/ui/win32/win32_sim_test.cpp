// The Win32 window drives the simulated logger through a wine COM port with the real worker:
// a complete update, a failure, Cancel during programming, the repeat after a communication
// failure and closing during a run. A failed test prints what the simulator saw.
#include "uSimLogger.h"
#include "uWinUiTestKit.h"

#include "engine/uTarvikCommThread.h"
#include "ui/uPortHint.h"
#include "ui/uPortList.h"

#include <gtest/gtest.h>

#include <chrono>
#include <regex>

namespace {

using TTexts = std::vector<std::string>;
using TClock = std::chrono::steady_clock;

const std::string cDONE = "Update Tarvik V6.20 succesfully completed.";
constexpr int cUPDATE_TIMEOUT_MS = 90000;

// The window on the simulator's port, with the real worker.
class TSimWindow {
public:
  explicit TSimWindow(std::vector<std::string> aSimArgs = {}, bool bInternal = true)
      : FSim(std::move(aSimArgs)), FSetup(bInternal, {"port:" + FSim.Port()}) {
    gCommThreadClass = &TCommThread::Create<TTarvikCommThread>;
  }
  TSimLogger FSim;
  TWindowSetup FSetup;
};

// Whether slLines holds slInOrder in this order (other lines between them allowed).
::testing::AssertionResult InOrder(const TTexts& slLines, const TTexts& slInOrder) {
  auto pAt = slLines.begin();
  for (const std::string& sLine : slInOrder) {
    pAt = std::find(pAt, slLines.end(), sLine);
    if (pAt == slLines.end())
      return ::testing::AssertionFailure() << "missing in order: " << sLine << "\n"
                                           << Join(slLines);
    ++pAt;
  }
  return ::testing::AssertionSuccess();
}

int Count(const TTexts& slLines, const std::string& sLine) {
  return static_cast<int>(std::count(slLines.begin(), slLines.end(), sLine));
}

} // namespace

TEST(Win32WithSimulator, CompleteUpdateEndsWithTheSuccessMessage) {
  TSimWindow rWindow;
  TWindowSetup& rSetup = rWindow.FSetup;
  const std::string sPort = rWindow.FSim.Port();
  EXPECT_EQ(Text(rSetup.Main()->cbxPort), sPort);

  Click(rSetup.Main()->btnProg);
  EXPECT_TRUE(rSetup.Main()->IsRunning());
  // The title shows the percentage during the run.
  TTexts slTitles;
  ASSERT_TRUE(WaitFor(
      [&] {
        const std::string sTitle = Text(rSetup.Handle());
        if (slTitles.empty() || slTitles.back() != sTitle) slTitles.push_back(sTitle);
        return !rSetup.Main()->IsRunning();
      },
      cUPDATE_TIMEOUT_MS));

  EXPECT_EQ(rSetup.Watcher.slSeen, TTexts{"Information: " + cDONE});
  EXPECT_EQ(rSetup.Main()->StatusText(), cDONE);
  EXPECT_EQ(ProgressOf(rSetup.Main()->ProgressBar1), 100);
  EXPECT_EQ(Text(rSetup.Handle()), "Tarvik Firmware Update");
  EXPECT_EQ(rSetup.nBeeps, 0);
  const std::regex rPercent("^[1-9][0-9]?%$");
  EXPECT_TRUE(std::any_of(slTitles.begin(), slTitles.end(), [&](const std::string& s) {
    return std::regex_match(s, rPercent);
  })) << Join(slTitles);

  // The report in its order: start, identification, hardware, choice, programming with rising
  // progress, the held-back vector table, the check after the restart, success.
  const TTexts slReport = rSetup.ReportTexts();
  EXPECT_TRUE(InOrder(
      slReport, {"Start at serial port \"" + sPort + "\"", "Class 26113 [Tarvik]", "Version 6.20",
                 "Update Info 0000", "Check Tarvik V6.20, A9g, BL3.0",
                 "Update Tarvik V6.20, A9g, BL3.0", "Progress 1%", "Vector table is saved.",
                 "Progress 98%", "Vector table is programmed.", "Class 26113 [Tarvik]", cDONE}));
  EXPECT_EQ(slReport.front(), "Start at serial port \"" + sPort + "\"");
  EXPECT_EQ(slReport.back(), cDONE);
  // The progress rises within each run (a loaded machine may make the tool repeat a run).
  int nLastPercent = 0;
  const std::regex rProgress("^Progress (\\d+)%$");
  for (const std::string& sLine : slReport) {
    EXPECT_EQ(sLine.rfind("BAD STAMP", 0), std::string::npos) << sLine;
    if (sLine.rfind("Start at serial port", 0) == 0) nLastPercent = 0;
    std::smatch rMatch;
    if (std::regex_match(sLine, rMatch, rProgress)) {
      EXPECT_GT(std::stoi(rMatch[1]), nLastPercent);
      nLastPercent = std::stoi(rMatch[1]);
    }
  }
  EXPECT_FALSE(rWindow.FSim.ReadFlash().empty());
}

TEST(Win32WithSimulator, FailureShowsItsTextAndBeeps) {
  // A logger that stays in its application.
  TSimWindow rWindow({"--fault", "no-bootloader"});
  TWindowSetup& rSetup = rWindow.FSetup;
  Click(rSetup.Main()->btnProg);
  ASSERT_TRUE(WaitIdle(cUPDATE_TIMEOUT_MS));
  const std::string sText = "Aborted because no update is available for this logger!";
  EXPECT_EQ(rSetup.Watcher.slSeen, TTexts{"Information: " + sText});
  EXPECT_EQ(rSetup.ReportTexts().back(), sText);
  EXPECT_EQ(rSetup.Main()->StatusText(), sText);
  EXPECT_EQ(rSetup.nBeeps, 1);
  EXPECT_TRUE(IsWindowEnabled(rSetup.Main()->btnProg));
}

TEST(Win32WithSimulator, MissingPortEndsWithItsText) {
  TWindowSetup rSetup(true, {"port:COM254"});
  gCommThreadClass = &TCommThread::Create<TTarvikCommThread>;
  Click(rSetup.Main()->btnProg);
  ASSERT_TRUE(WaitIdle(10000));
  const std::string sText = "Aborted because serial port \"COM254\" is not ready!";
  EXPECT_EQ(rSetup.ReportTexts(), (TTexts{"Start at serial port \"COM254\"", sText}));
  // Why, below the fixed text in the message window.
  std::vector<std::string> slPortsNow;
  FillPortList(slPortsNow);
  const std::string sHint = "There is no port COM254. " + PortsNowText(slPortsNow);
  EXPECT_EQ(rSetup.Watcher.slSeen, TTexts{"Information: " + sText + "\r\n\r\n" + sHint});
  EXPECT_EQ(rSetup.nBeeps, 1);
}

// A logger at the speed of a real 9600-baud line: programming takes minutes, so the window
// that handles its notifications late still cancels in the middle of it.
const std::vector<std::string> caSlowLogger{"--baud", "9600"};

TEST(Win32WithSimulator, CancelDuringProgramming) {
  TSimWindow rWindow(caSlowLogger);
  TWindowSetup& rSetup = rWindow.FSetup;
  Click(rSetup.Main()->btnProg);
  ASSERT_TRUE(
      WaitFor([&] { return Contains(rSetup.ReportTexts(), "Progress 1%"); }, cUPDATE_TIMEOUT_MS));
  Click(rSetup.Main()->btnCancel);
  ASSERT_TRUE(WaitIdle(30000));
  EXPECT_EQ(rSetup.Watcher.slSeen, TTexts{"Information: Process cancelled!"});
  EXPECT_EQ(rSetup.ReportTexts().back(), "Process cancelled!");
  EXPECT_EQ(rSetup.nBeeps, 1);
  EXPECT_LT(ProgressOf(rSetup.Main()->ProgressBar1), 100);
  EXPECT_TRUE(IsWindowEnabled(rSetup.Main()->btnProg));
}

TEST(Win32WithSimulator, RepeatAfterACommunicationFailure) {
  // The five tries of the first identification go unanswered: the run ends in a repeat, and
  // the next run, 1.5 s later, finds the logger answering.
  std::vector<std::string> aArgs;
  for (int i = 1; i <= 5; ++i)
    aArgs.insert(aArgs.end(), {"--fault", "silent:frame:" + std::to_string(i)});
  TSimWindow rWindow(aArgs);
  TWindowSetup& rSetup = rWindow.FSetup;
  Click(rSetup.Main()->btnProg);
  ASSERT_TRUE(WaitFor(
      [&] { return Contains(rSetup.ReportTexts(), "Repeat update because communication error!"); },
      cUPDATE_TIMEOUT_MS));
  EXPECT_TRUE(rSetup.Main()->IsRunning());
  ASSERT_TRUE(WaitIdle(cUPDATE_TIMEOUT_MS));
  const std::string sStart = "Start at serial port \"" + rWindow.FSim.Port() + "\"";
  EXPECT_GE(Count(rSetup.ReportTexts(), sStart), 2) << Join(rSetup.ReportTexts());
  EXPECT_EQ(rSetup.Watcher.slSeen, TTexts{"Information: " + cDONE});
  EXPECT_EQ(rSetup.nBeeps, 0);
}

TEST(Win32WithSimulator, ClosingDuringProgrammingEndsTheWorkerFirst) {
  TSimWindow rWindow(caSlowLogger);
  TWindowSetup& rSetup = rWindow.FSetup;
  Click(rSetup.Main()->btnProg);
  ASSERT_TRUE(
      WaitFor([&] { return Contains(rSetup.ReportTexts(), "Progress 1%"); }, cUPDATE_TIMEOUT_MS));
  const auto tStart = TClock::now();
  EXPECT_TRUE(CloseMain());
  // The worker saw the cancel at its next exchange, closed the port and ended.
  EXPECT_LT(TClock::now() - tStart, std::chrono::seconds(4));
  EXPECT_EQ(TCommThread::LiveWorkers(), 0);
  EXPECT_EQ(rSetup.slQuestions.size(), 1U);
  EXPECT_FALSE(rSetup.Main()->IsRunning());
  EXPECT_TRUE(rSetup.Watcher.slSeen.empty());
  EXPECT_EQ(rSetup.nBeeps, 0);
}
