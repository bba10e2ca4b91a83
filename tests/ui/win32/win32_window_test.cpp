// The Win32 main window: layout of each access level, captions, menu, tab order, the question
// before an update, the idle and running states, the File button and "File version" with
// files that cannot be used, closing during a run, the report window's first showing and its
// place below the main window, the status hint, the manifest and the layout at 150 %.
#include "uFirmwareFile.h"
#include "uWinUiTestKit.h"

#include "catalogue/uFWVersions.h"
#include "engine/uSwitches.h"
#include "engine/uTarvikCommThread.h"
#include "ui/uNotifyText.h"
#include "ui/win32/uInfo.h"
#include "ui/win32/uMessage.h"
#include "ui/win32/uProtocol.h"
#include "ui/win32/uWinKit.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

// Rectangles in failure messages: left,top widthxheight.
void PrintTo(const RECT& r, std::ostream* pOut) {
  *pOut << r.left << "," << r.top << " " << (r.right - r.left) << "x" << (r.bottom - r.top);
}

namespace {

using TArgs = std::vector<std::string>;

const std::string cSTART = "Start at serial port \"COM3\"";

// A design rectangle (left, top, width, height at 96 DPI) at the window's DPI.
RECT Scaled(int nLeft, int nTop, int nWidth, int nHeight) {
  const UINT nDpi = frmMain->Dpi();
  const int nScaledLeft = Scale(nLeft, nDpi);
  const int nScaledTop = Scale(nTop, nDpi);
  return RECT{nScaledLeft, nScaledTop, nScaledLeft + Scale(nWidth, nDpi),
              nScaledTop + Scale(nHeight, nDpi)};
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool IsVisible(HWND hWindow) {
  return (GetWindowLongPtrW(hWindow, GWL_STYLE) & WS_VISIBLE) != 0;
}

std::vector<std::string> MenuItems(HMENU hMenu) {
  std::vector<std::string> slItems;
  for (int i = 0; i < GetMenuItemCount(hMenu); ++i) {
    wchar_t aText[64] = {};
    MENUITEMINFOW rItem{};
    rItem.cbSize = sizeof(rItem);
    rItem.fMask = MIIM_FTYPE | MIIM_STRING;
    rItem.dwTypeData = aText;
    rItem.cch = 64;
    GetMenuItemInfoW(hMenu, static_cast<UINT>(i), TRUE, &rItem);
    slItems.push_back((rItem.fType & MFT_SEPARATOR) != 0 ? std::string("-") : Utf8(aText));
  }
  return slItems;
}

bool MenuBarEnabled() {
  return (GetMenuState(frmMain->MainMenu1, 0, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) == 0;
}

// The cursor the main window chooses for its client area.
HCURSOR CursorOverMain() {
  SendMessageW(frmMain->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(frmMain->Handle()),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  return GetCursor();
}

const std::string cGOOD_HEAD = "bootloader=3\r\nbootloader version=0\r\nclass=26113\r\n"
                               "versionH=6\r\nversionL=20\r\nplatform=24\r\nprint=53\r\n"
                               "date=21.09.2023\r\n";
const std::string cBAD_HEAD = "bootloader=3\r\nbootloader version=zero\r\nclass=26113\r\n"
                              "versionH=6\r\nversionL=20\r\nplatform=24\r\nprint=53\r\ndate=x\r\n";

struct TLevelCase {
  const char* sName;
  bool bInternal;
  TArgs aArgs;
  std::int32_t nLevel;
  bool bFileAccess;
};

class Win32Layout : public ::testing::TestWithParam<TLevelCase> {};

} // namespace

TEST_P(Win32Layout, OfEachAccessLevel) {
  const TLevelCase& rCase = GetParam();
  TWindowSetup rSetup(rCase.bInternal, rCase.aArgs);
  TfrmMain* pMain = rSetup.Main();
  const UINT nDpi = pMain->Dpi();

  EXPECT_EQ(gnAccessLevel, rCase.nLevel);
  EXPECT_EQ(Text(rSetup.Handle()), "Tarvik Firmware Update");
  EXPECT_EQ(MenuItems(pMain->MainMenu1), TArgs{"Info v2023-09-21"});
  RECT rClient{};
  GetClientRect(rSetup.Handle(), &rClient);
  EXPECT_EQ(rClient.right, Scale(355, nDpi));
  const RECT rStatus = ChildRect(pMain->StatusBar1);
  // The client area is the panel and the status bar below it, across the whole width.
  EXPECT_EQ(rStatus.top, Scale(161, nDpi));
  EXPECT_EQ(rStatus.bottom, rClient.bottom);
  EXPECT_EQ(rStatus.right - rStatus.left, rClient.right);
  EXPECT_GE(rStatus.bottom - rStatus.top, Scale(15, nDpi));
  const RECT rPort = ChildRect(pMain->cbxPort);
  EXPECT_EQ(rPort.left, Scale(77, nDpi));
  EXPECT_EQ(rPort.top, Scale(11, nDpi));
  EXPECT_EQ(rPort.right - rPort.left, Scale(263, nDpi));
  EXPECT_PRED2(SameRect, ChildRect(pMain->ProgressBar1), Scaled(13, 46, 327, 26));
  EXPECT_PRED2(SameRect, ChildRect(pMain->btnClose), Scaled(200, 86, 111, 32));
  EXPECT_PRED2(SameRect, ChildRect(pMain->btnCancel), Scaled(200, 86, 111, 32));
  EXPECT_FALSE(IsVisible(pMain->btnCancel));
  EXPECT_TRUE(IsVisible(pMain->btnClose));
  EXPECT_EQ(IsVisible(pMain->chkReadInfoOnly), rCase.bInternal && gbReadInfoOnlySupported);
  EXPECT_EQ(SendMessageW(pMain->chkReadInfoOnly, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(Contains(MenuItems(pMain->menInfo), "File version"), rCase.bFileAccess);
  EXPECT_EQ(IsVisible(pMain->btnFile), rCase.bFileAccess);
  if (rCase.bFileAccess) {
    EXPECT_PRED2(SameRect, ChildRect(pMain->btnProg), Scaled(40, 86, 55, 32));
    EXPECT_PRED2(SameRect, ChildRect(pMain->btnFile), Scaled(103, 86, 55, 32));
  } else {
    EXPECT_PRED2(SameRect, ChildRect(pMain->btnProg), Scaled(40, 86, 111, 32));
  }
  EXPECT_EQ(pMain->StatusText(), "");
  EXPECT_EQ(Text(pMain->cbxPort), "COM3");
}

INSTANTIATE_TEST_SUITE_P(
    Levels, Win32Layout,
    ::testing::Values(TLevelCase{"Normal", false, {}, 0, false},
                      TLevelCase{"NormalFileOptionIgnored", false, {"f:+"}, 0, false},
                      TLevelCase{"Internal", true, {}, 1, false},
                      TLevelCase{"InternalWithoutFiles", true, {"f:-"}, 1, false},
                      TLevelCase{"InternalWithFiles", true, {"f:+"}, 2, true}),
    [](const ::testing::TestParamInfo<TLevelCase>& rInfo) { return rInfo.param.sName; });

TEST(Win32MainWindow, CaptionsMenuFixedSizeAndTabOrder) {
  TWindowSetup rSetup(true, {"f:+"});
  TfrmMain* pMain = rSetup.Main();
  EXPECT_EQ(Text(pMain->Label1), "Comport:");
  const RECT rLabel = ChildRect(pMain->Label1);
  EXPECT_EQ(rLabel.left, Scale(13, pMain->Dpi()));
  EXPECT_EQ(rLabel.top, Scale(14, pMain->Dpi()));
  EXPECT_EQ(Text(pMain->btnProg), "Update");
  EXPECT_EQ(Text(pMain->btnFile), "File");
  EXPECT_EQ(Text(pMain->btnClose), "Close");
  EXPECT_EQ(Text(pMain->btnCancel), "Cancel");
  EXPECT_EQ(Text(pMain->chkReadInfoOnly), "Read info only");
  EXPECT_PRED2(SameRect, ChildRect(pMain->chkReadInfoOnly), Scaled(26, 134, 116, 14));
  // An editable port box; a progress bar from 0 to 100.
  EXPECT_EQ(GetWindowLongPtrW(pMain->cbxPort, GWL_STYLE) & 3, CBS_DROPDOWN);
  EXPECT_EQ(SendMessageW(pMain->ProgressBar1, PBM_GETRANGE, TRUE, 0), 0);
  EXPECT_EQ(SendMessageW(pMain->ProgressBar1, PBM_GETRANGE, FALSE, 0), 100);
  // Fixed size, minimise button, no maximise button.
  const LONG_PTR nStyle = GetWindowLongPtrW(rSetup.Handle(), GWL_STYLE);
  EXPECT_EQ(nStyle & WS_THICKFRAME, 0);
  EXPECT_NE(nStyle & WS_MINIMIZEBOX, 0);
  EXPECT_EQ(nStyle & WS_MAXIMIZEBOX, 0);

  EXPECT_EQ(MenuItems(pMain->menInfo), (TArgs{"Firmware", "File version", "-", "Exit"}));

  // Port box, progress bar, Update, Cancel, Close, File, check box: the order of the controls.
  const std::vector<HWND> aOrder{pMain->cbxPort,        pMain->ProgressBar1, pMain->btnProg,
                                 pMain->btnCancel,      pMain->btnClose,     pMain->btnFile,
                                 pMain->chkReadInfoOnly};
  std::vector<HWND> aChain;
  for (HWND h = GetWindow(rSetup.Handle(), GW_CHILD); h != nullptr; h = GetWindow(h, GW_HWNDNEXT))
    if (std::find(aOrder.begin(), aOrder.end(), h) != aOrder.end()) aChain.push_back(h);
  EXPECT_EQ(aChain, aOrder);

  // The Tab key walks the controls that can take the focus, in that order.
  SetFocus(pMain->cbxPort);
  std::vector<HWND> aVisited;
  for (int i = 0; i < 5; ++i) {
    const HWND hFocus = GetFocus();
    aVisited.push_back(hFocus == pMain->cbxPort || IsChild(pMain->cbxPort, hFocus) ? pMain->cbxPort
                                                                                   : hFocus);
    MSG rTab{hFocus, WM_KEYDOWN, VK_TAB, 0, 0, {}};
    EXPECT_TRUE(HandleDialogKeys(rTab));
  }
  EXPECT_EQ(aVisited, (std::vector<HWND>{pMain->cbxPort, pMain->btnProg, pMain->btnClose,
                                         pMain->btnFile, pMain->chkReadInfoOnly}));
  EXPECT_TRUE(GetFocus() == pMain->cbxPort || IsChild(pMain->cbxPort, GetFocus()));

  // Enter presses the focused button.
  SetFocus(pMain->btnProg);
  MSG rEnter{pMain->btnProg, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
  EXPECT_TRUE(HandleDialogKeys(rEnter));
  EXPECT_EQ(TScriptedThread::Runs(), 1);
}

struct TQuestionCase {
  const char* sName;
  bool bInternal;
  TArgs aArgs;
  const char* sQuestion; // nullptr: none
  const char* sStatus;
};

class Win32Question : public ::testing::TestWithParam<TQuestionCase> {};

TEST_P(Win32Question, BeforeUpdate) {
  const TQuestionCase& rCase = GetParam();
  TWindowSetup rSetup(rCase.bInternal, rCase.aArgs);
  TfrmMain* pMain = rSetup.Main();
  EXPECT_EQ(pMain->StatusText(), rCase.sStatus);
  frmProtocol->Add("earlier run");

  // "No" changes nothing: no run, the report stays.
  rSetup.bAnswerYes = false;
  Click(pMain->btnProg);
  if (rCase.sQuestion != nullptr) {
    EXPECT_EQ(rSetup.slQuestions, TArgs{rCase.sQuestion});
    EXPECT_EQ(TScriptedThread::Runs(), 0);
    EXPECT_EQ(rSetup.ReportTexts(), TArgs{"earlier run"});
    EXPECT_FALSE(pMain->IsRunning());
    EXPECT_EQ(pMain->StatusText(), rCase.sStatus);
  } else {
    EXPECT_TRUE(rSetup.slQuestions.empty());
    EXPECT_EQ(TScriptedThread::Runs(), 1);
  }
  ASSERT_TRUE(WaitIdle());

  // "Yes" clears the report and starts a run on the port of the box.
  rSetup.bAnswerYes = true;
  rSetup.slQuestions.clear();
  const int nRunsBefore = TScriptedThread::Runs();
  Click(pMain->btnProg);
  EXPECT_EQ(rSetup.slQuestions.size(), rCase.sQuestion != nullptr ? 1U : 0U);
  EXPECT_EQ(TScriptedThread::Runs(), nRunsBefore + 1);
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(rSetup.ReportTexts().at(0), cSTART);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, Win32Question,
    ::testing::Values(
        TQuestionCase{"Normal", false, {}, cQUESTION_SAVE, ""},
        TQuestionCase{"InternalAsksNothing", true, {}, nullptr, ""},
        TQuestionCase{"NormalClearing", false, {"mf:+"}, cQUESTION_CLEARS, "F"},
        TQuestionCase{"InternalClearing", true, {"mf:+"}, cQUESTION_CLEARS, "F"},
        TQuestionCase{"FileAccessClearing", true, {"f:+", "MF:+", "mf:-"}, cQUESTION_CLEARS, "F"},
        TQuestionCase{"ClearingSwitchedOff", false, {"mf:-"}, cQUESTION_SAVE, ""}),
    [](const ::testing::TestParamInfo<TQuestionCase>& rInfo) { return rInfo.param.sName; });

// The real question box: titled "Confirm", with the buttons "Yes" and "No" in any language.
TEST(Win32MainWindow, QuestionBoxSaysConfirmYesNo) {
  TWindowSetup rSetup(false);
  gAskQuestion = AskConfirm;
  TModalWatcher& rWatcher = rSetup.Watcher;
  rWatcher.bAnswerYes = false;
  Click(rSetup.Main()->btnProg);
  EXPECT_EQ(rWatcher.slSeen, TArgs{"Confirm: " + std::string(cQUESTION_SAVE)});
  EXPECT_EQ(rWatcher.slButtons, (TArgs{"Yes", "No"}));
  EXPECT_EQ(TScriptedThread::Runs(), 0);

  rWatcher.bAnswerYes = true;
  Click(rSetup.Main()->btnProg);
  EXPECT_EQ(TScriptedThread::Runs(), 1);
}

TEST(Win32MainWindow, RunningAndIdleStates) {
  TWindowSetup rSetup(true, {"f:+"});
  TfrmMain* pMain = rSetup.Main();
  const HCURSOR hArrow = CursorOverMain();
  TScriptedThread::Queue({{cMSG_PROGRESS, 42}, {cMSG_FAILURE, 20, true}});
  Click(pMain->btnProg);

  EXPECT_TRUE(pMain->IsRunning());
  EXPECT_FALSE(IsWindowEnabled(pMain->btnProg));
  EXPECT_FALSE(IsVisible(pMain->btnClose));
  EXPECT_TRUE(IsVisible(pMain->btnCancel));
  EXPECT_FALSE(IsWindowEnabled(pMain->cbxPort));
  EXPECT_FALSE(IsWindowEnabled(pMain->btnFile));
  EXPECT_FALSE(IsWindowEnabled(pMain->chkReadInfoOnly));
  EXPECT_FALSE(MenuBarEnabled());
  EXPECT_TRUE(IsHourglass());
  EXPECT_EQ(CursorOverMain(), LoadCursorW(nullptr, IDC_WAIT));
  EXPECT_EQ(pMain->StatusText(), cSTART);
  EXPECT_TRUE(WaitFor([&] { return Text(rSetup.Handle()) == "42%"; }));
  EXPECT_EQ(ProgressOf(pMain->ProgressBar1), 42);
  EXPECT_TRUE(pMain->IsRunning());

  Click(pMain->btnCancel);
  EXPECT_TRUE(gbCancel);
  ASSERT_TRUE(WaitIdle());
  EXPECT_TRUE(IsWindowEnabled(pMain->btnProg));
  EXPECT_TRUE(IsVisible(pMain->btnClose));
  EXPECT_FALSE(IsVisible(pMain->btnCancel));
  EXPECT_TRUE(IsWindowEnabled(pMain->cbxPort));
  EXPECT_TRUE(IsWindowEnabled(pMain->btnFile));
  EXPECT_TRUE(IsWindowEnabled(pMain->chkReadInfoOnly));
  EXPECT_TRUE(MenuBarEnabled());
  EXPECT_FALSE(IsHourglass());
  EXPECT_EQ(CursorOverMain(), hArrow);
  EXPECT_EQ(Text(rSetup.Handle()), "Tarvik Firmware Update");
  EXPECT_EQ(pMain->StatusText(), "Process cancelled!");
  EXPECT_EQ(ProgressOf(pMain->ProgressBar1), 42);
  EXPECT_EQ(rSetup.Watcher.slSeen, TArgs{"Information: Process cancelled!"});
  EXPECT_EQ(rSetup.nBeeps, 1);
}

TEST(Win32MainWindow, StatusTextIsItsOwnHint) {
  TWindowSetup rSetup(false, {"mf:+"});
  TfrmMain* pMain = rSetup.Main();
  auto Hint = [pMain] {
    wchar_t aText[256] = {};
    TOOLINFOW rTool{};
    rTool.cbSize = sizeof(rTool);
    rTool.hwnd = pMain->Handle();
    rTool.uId = reinterpret_cast<UINT_PTR>(pMain->StatusBar1);
    rTool.lpszText = aText;
    SendMessageW(pMain->FhHint, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&rTool));
    return Utf8(aText);
  };
  auto Shown = [pMain] {
    wchar_t aText[256] = {};
    SendMessageW(pMain->StatusBar1, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(aText));
    return Utf8(aText);
  };
  EXPECT_EQ(Shown(), "F");
  EXPECT_EQ(Hint(), "F");
  pMain->SetStatus("Start at serial port \"COM7\"");
  EXPECT_EQ(Shown(), "Start at serial port \"COM7\"");
  EXPECT_EQ(Hint(), "Start at serial port \"COM7\"");
}

TEST(Win32MainWindow, ReadInfoOnlyBoxReachesTheEngine) {
  TWindowSetup rSetup(true);
  for (const bool bChecked : {true, false}) {
    SendMessageW(rSetup.Main()->chkReadInfoOnly, BM_SETCHECK, bChecked ? BST_CHECKED : 0, 0);
    Click(rSetup.Main()->btnProg);
    EXPECT_EQ(gbReadInfoOnly, bChecked);
    ASSERT_TRUE(WaitIdle());
  }
}

TEST(Win32MainWindow, TypedPortAndPortOption) {
  {
    TWindowSetup rSetup(true, {"port:COM12"}, {"COM3", "COM4"});
    EXPECT_EQ(SendMessageW(rSetup.Main()->cbxPort, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(Text(rSetup.Main()->cbxPort), "COM12");
    SetWindowTextW(rSetup.Main()->cbxPort, L"\\\\.\\COM21");
    Click(rSetup.Main()->btnProg);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(TScriptedThread::Ports(), TArgs{"\\\\.\\COM21"});
    EXPECT_EQ(rSetup.ReportTexts().at(0), "Start at serial port \"\\\\.\\COM21\"");
  }
  {
    TWindowSetup rSetup(false, {}, {});
    EXPECT_EQ(SendMessageW(rSetup.Main()->cbxPort, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(Text(rSetup.Main()->cbxPort), "");
  }
}

TEST(Win32MainWindow, FileButtonWithUnreadableHeaderStartsNoRun) {
  const TFirmwareFile rBad("bad", cBAD_HEAD);
  TWindowSetup rSetup(true, {"f:+"});
  rSetup.sChosenFile = rBad.Path();
  gnFwIndex = 7;
  Click(rSetup.Main()->btnFile);
  EXPECT_EQ(TScriptedThread::Runs(), 0);
  EXPECT_FALSE(rSetup.Main()->IsRunning());
  EXPECT_TRUE(IsWindowEnabled(rSetup.Main()->btnProg));
  EXPECT_EQ(gnFwIndex, -1);
  ASSERT_EQ(rSetup.slErrors.size(), 1U);
  EXPECT_NE(rSetup.slErrors[0].find(rBad.Path()), std::string::npos) << rSetup.slErrors[0];
  EXPECT_EQ(rSetup.Main()->StatusText(), rSetup.slErrors[0]);

  // A cancelled dialog does nothing at all.
  rSetup.sChosenFile.clear();
  Click(rSetup.Main()->btnFile);
  EXPECT_EQ(rSetup.slErrors.size(), 1U);
  EXPECT_EQ(TScriptedThread::Runs(), 0);
}

TEST(Win32MainWindow, FileButtonRunsTheFileImage) {
  const TFirmwareFile rGood("good", cGOOD_HEAD);
  TWindowSetup rSetup(true, {"f:+"});
  rSetup.sChosenFile = rGood.Path();
  Click(rSetup.Main()->btnFile);
  EXPECT_EQ(gnFwIndex, 0);
  EXPECT_EQ(gslFwFileLines.size(), 2U);
  EXPECT_EQ(TScriptedThread::Runs(), 1);
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(rSetup.Watcher.slSeen,
            TArgs{"Information: Update Tarvik V6.20 succesfully completed."});
}

// The system's open dialog; cancelled, it starts nothing.
TEST(Win32MainWindow, FileButtonOpensTheSystemDialog) {
  TWindowSetup rSetup(true, {"f:+"});
  gOpenFileName = OpenFileDialog;
  Click(rSetup.Main()->btnFile);
  ASSERT_EQ(rSetup.Watcher.slSeen.size(), 1U);
  EXPECT_EQ(rSetup.Watcher.slSeen[0], "Open");
  EXPECT_EQ(TScriptedThread::Runs(), 0);
  EXPECT_TRUE(rSetup.slErrors.empty());
  // It starts in the program's folder.
  wchar_t aProgram[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, aProgram, MAX_PATH);
  const std::wstring sProgram(aProgram);
  EXPECT_EQ(rSetup.Main()->FsOpenDir, sProgram.substr(0, sProgram.find_last_of(L'\\')));
}

TEST(Win32MainWindow, FileVersionMenu) {
  const TFirmwareFile rBad("bad", cBAD_HEAD);
  const TFirmwareFile rGood("good", cGOOD_HEAD);
  TWindowSetup rSetup(true, {"f:+"});

  gnFwIndex = 5;
  rSetup.sChosenFile = rBad.Path();
  MenuCommand(cID_FILE_VERSION);
  EXPECT_EQ(rSetup.slErrors.size(), 1U);
  EXPECT_EQ(gnFwIndex, 5);
  EXPECT_TRUE(rSetup.Watcher.slSeen.empty());

  rSetup.sChosenFile = rGood.Path() + ".missing";
  MenuCommand(cID_FILE_VERSION);
  EXPECT_EQ(rSetup.slErrors.size(), 1U);
  EXPECT_EQ(gnFwIndex, 5);

  rSetup.sChosenFile = rGood.Path();
  MenuCommand(cID_FILE_VERSION);
  EXPECT_EQ(gnFwIndex, 0);
  EXPECT_EQ(rSetup.Watcher.slSeen, TArgs{"Overview: 13 rows"});
  EXPECT_EQ(TScriptedThread::Runs(), 0);
}

TEST(Win32MainWindow, ClosingIdleAsksNothing) {
  TWindowSetup rSetup(false);
  EXPECT_TRUE(CloseMain());
  EXPECT_TRUE(rSetup.slQuestions.empty());
}

TEST(Win32MainWindow, ClosingDuringRunWaitsForTheWorker) {
  TWindowSetup rSetup(true);
  TScriptedThread::Queue({{cMSG_CLASS, 26113}, {cMSG_FAILURE, 20, true}});
  Click(rSetup.Main()->btnProg);
  EXPECT_TRUE(rSetup.Main()->IsRunning());

  rSetup.bAnswerYes = false;
  EXPECT_FALSE(CloseMain());
  EXPECT_EQ(rSetup.slQuestions, TArgs{cQUESTION_CLOSE});
  EXPECT_TRUE(rSetup.Main()->IsRunning());
  EXPECT_FALSE(gbCancel);

  rSetup.bAnswerYes = true;
  const auto tStart = std::chrono::steady_clock::now();
  EXPECT_TRUE(CloseMain());
  // Only proves that the close did not sit out its whole wait for a worker that ended.
  EXPECT_LT(std::chrono::steady_clock::now() - tStart, std::chrono::seconds(3));
  EXPECT_TRUE(gbCancel);
  EXPECT_FALSE(rSetup.Main()->IsRunning());
  EXPECT_EQ(TCommThread::LiveWorkers(), 0);
  // The program is ending: no message window for the cancelled run.
  Pump(50);
  EXPECT_TRUE(rSetup.Watcher.slSeen.empty());
  EXPECT_EQ(rSetup.nBeeps, 0);
}

TEST(Win32MainWindow, ReportWindowShownOnceAtFirstIdle) {
  {
    TWindowSetup rSetup(false);
    Pump(100);
    EXPECT_FALSE(IsWindowVisible(frmProtocol->Handle()));
  }
  {
    TWindowSetup rSetup(true);
    EXPECT_TRUE(WaitFor([] { return IsWindowVisible(frmProtocol->Handle()) != FALSE; }));
    // Shown without taking the focus from the main window.
    EXPECT_NE(GetActiveWindow(), frmProtocol->Handle());
    ShowWindow(frmProtocol->Handle(), SW_HIDE);
    rSetup.Main()->ApplicationEvents1Idle();
    EXPECT_FALSE(IsWindowVisible(frmProtocol->Handle()));
  }
}

TEST(Win32MainWindow, ReportWindowHangsBelowTheMainWindow) {
  TWindowSetup rSetup(true);
  const HWND hReport = frmProtocol->Handle();
  ASSERT_TRUE(WaitFor([hReport] { return IsWindowVisible(hReport) != FALSE; }));
  Pump(50);
  RECT rMain = VisibleFrame(rSetup.Handle());
  RECT rReport = VisibleFrame(hReport);
  EXPECT_EQ(rReport.right - rReport.left, rMain.right - rMain.left);
  EXPECT_EQ(rReport.left, rMain.left);
  EXPECT_EQ(rReport.top, rMain.bottom);

  // Moving the main window takes the report along; its size stays.
  SetWindowPos(hReport, nullptr, 0, 0, 500, 120, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(rSetup.Handle(), nullptr, 123, 45, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  rMain = VisibleFrame(rSetup.Handle());
  rReport = VisibleFrame(hReport);
  EXPECT_EQ(rReport.left, rMain.left);
  EXPECT_EQ(rReport.top, rMain.bottom);
  RECT rOuter{};
  GetWindowRect(hReport, &rOuter);
  EXPECT_EQ(rOuter.right - rOuter.left, 500);
  EXPECT_EQ(rOuter.bottom - rOuter.top, 120);
}

// The program's manifest asks for the common controls 6 and per-monitor DPI awareness; the test
// programs carry the same manifest, so the process shows what it gives.
TEST(Win32MainWindow, ManifestGivesCommonControls6AndPerMonitorDpi) {
  EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(GetThreadDpiAwarenessContext()),
            DPI_AWARENESS_PER_MONITOR_AWARE);
  // Only the buttons of the common controls 6 know their ideal size.
  TWindowSetup rSetup(false);
  SIZE rIdeal{};
  EXPECT_TRUE(
      SendMessageW(rSetup.Main()->btnProg, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&rIdeal)));
  EXPECT_GT(rIdeal.cx, 0);

  std::string sProgram = "Z:" TARVIK_UPDATE_EXE;
  std::replace(sProgram.begin(), sProgram.end(), '/', '\\');
  const HMODULE hProgram =
      LoadLibraryExW(Wide(sProgram).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(hProgram, nullptr) << sProgram;
  const HRSRC hManifest = FindResourceW(hProgram, MAKEINTRESOURCEW(1), RT_MANIFEST);
  ASSERT_NE(hManifest, nullptr);
  const std::string sManifest(
      static_cast<const char*>(LockResource(LoadResource(hProgram, hManifest))),
      SizeofResource(hProgram, hManifest));
  FreeLibrary(hProgram);
  EXPECT_NE(sManifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
            std::string::npos);
  EXPECT_NE(sManifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);
  EXPECT_NE(sManifest.find(">true/pm</dpiAware>"), std::string::npos);
}

namespace {

// The text of a control fits into the space its control gives it.
void ExpectFits(HWND hControl, int nSpareWidth) {
  const std::wstring sText = WindowTextWide(hControl);
  const SIZE rText = TextExtent(hControl, sText);
  RECT rClient{};
  GetClientRect(hControl, &rClient);
  EXPECT_LE(rText.cx + nSpareWidth, rClient.right) << Utf8(sText) << " at " << frmMain->Dpi();
  EXPECT_LE(rText.cy, rClient.bottom) << Utf8(sText) << " at " << frmMain->Dpi();
}

// The height of the letters of a control's font, in pixels.
int EmHeight(HWND hControl) {
  TEXTMETRICW rMetrics{};
  const HDC hDc = GetDC(hControl);
  const HGDIOBJ hOld =
      SelectObject(hDc, reinterpret_cast<HGDIOBJ>(SendMessageW(hControl, WM_GETFONT, 0, 0)));
  GetTextMetricsW(hDc, &rMetrics);
  SelectObject(hDc, hOld);
  ReleaseDC(hControl, hDc);
  return rMetrics.tmHeight - rMetrics.tmInternalLeading;
}

class Win32Scaling : public ::testing::TestWithParam<UINT> {};

} // namespace

// At 100 % and 150 % every control scales with its font, and no text is clipped.
TEST_P(Win32Scaling, NothingClipped) {
  const UINT nDpi = GetParam();
  TWindowSetup rSetup(true, {"f:+", "mf:+"});
  TfrmMain* pMain = rSetup.Main();
  if (pMain->Dpi() != nDpi) {
    // What the system sends when the window moves to a monitor of another scale.
    RECT rSuggested = VisibleFrame(rSetup.Handle());
    SendMessageW(rSetup.Handle(), WM_DPICHANGED, MAKEWPARAM(nDpi, nDpi),
                 reinterpret_cast<LPARAM>(&rSuggested));
  }
  ASSERT_EQ(pMain->Dpi(), nDpi);
  RECT rClient{};
  GetClientRect(rSetup.Handle(), &rClient);
  EXPECT_EQ(rClient.right, Scale(355, nDpi));
  EXPECT_PRED2(SameRect, ChildRect(pMain->ProgressBar1), Scaled(13, 46, 327, 26));
  EXPECT_PRED2(SameRect, ChildRect(pMain->btnClose), Scaled(200, 86, 111, 32));
  EXPECT_PRED2(SameRect, ChildRect(pMain->btnFile), Scaled(103, 86, 55, 32));

  // The font follows the scale: 8 points.
  EXPECT_EQ(EmHeight(pMain->btnProg), MulDiv(8, static_cast<int>(nDpi), 72));

  for (const HWND hButton : {pMain->btnProg, pMain->btnFile, pMain->btnClose, pMain->btnCancel})
    ExpectFits(hButton, 2 * GetSystemMetrics(SM_CXEDGE));
  ExpectFits(pMain->Label1, 0);
  // The check box's text stands right of its box.
  ExpectFits(pMain->chkReadInfoOnly, Scale(13 + 4, nDpi));
  // The status text fits the bar's height.
  RECT rStatus{};
  GetClientRect(pMain->StatusBar1, &rStatus);
  EXPECT_LE(TextExtent(pMain->StatusBar1, L"F").cy, rStatus.bottom);
  // The port box shows its text in full height.
  const SIZE rPort = TextExtent(pMain->cbxPort, L"COM3");
  COMBOBOXINFO rCombo{};
  rCombo.cbSize = sizeof(rCombo);
  GetComboBoxInfo(pMain->cbxPort, &rCombo);
  EXPECT_LE(rPort.cy, rCombo.rcItem.bottom - rCombo.rcItem.top);

  // The message and overview windows follow the scale as well.
  for (const HWND hWindow : {frmMessage->Handle(), frmInfo->Handle()}) {
    if (WindowDpi(hWindow) == nDpi) continue;
    RECT rSuggested{};
    GetWindowRect(hWindow, &rSuggested);
    SendMessageW(hWindow, WM_DPICHANGED, MAKEWPARAM(nDpi, nDpi),
                 reinterpret_cast<LPARAM>(&rSuggested));
  }
  // (within a pixel: the font that stands in for the face asked for may round its size.)
  EXPECT_NEAR(EmHeight(frmMessage->Button1), MulDiv(8, static_cast<int>(nDpi), 72), 1);
  EXPECT_NEAR(EmHeight(frmInfo->Button1), MulDiv(10, static_cast<int>(nDpi), 96), 1);
  ExpectFits(frmMessage->Button1, 2 * GetSystemMetrics(SM_CXEDGE));
  ExpectFits(frmInfo->Button1, 2 * GetSystemMetrics(SM_CXEDGE));
  RECT rMessage{};
  GetClientRect(frmMessage->Handle(), &rMessage);
  EXPECT_EQ(rMessage.bottom, Scale(101, nDpi));
  EXPECT_EQ(ChildRect(frmMessage->Button1).right - ChildRect(frmMessage->Button1).left,
            Scale(93, nDpi));
}

INSTANTIATE_TEST_SUITE_P(Dpi, Win32Scaling, ::testing::Values(96U, 144U),
                         [](const ::testing::TestParamInfo<UINT>& rInfo) {
                           return "At" + std::to_string(rInfo.param * 100 / 96) + "Percent";
                         });

// The program itself: it opens its window with the options of its command line, per-monitor
// DPI aware by its manifest, and ends when the window is closed.
TEST(Win32Program, StartsWithItsWindowAndEndsWhenItCloses) {
  std::string sProgram = "Z:" TARVIK_UPDATE_EXE;
  std::replace(sProgram.begin(), sProgram.end(), '/', '\\');
  std::wstring sCommand = L"\"" + Wide(sProgram) + L"\" port:COM77";
  STARTUPINFOW rStartup{};
  rStartup.cb = sizeof(rStartup);
  PROCESS_INFORMATION rProcess{};
  ASSERT_TRUE(CreateProcessW(nullptr, sCommand.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &rStartup, &rProcess));
  struct TSearch {
    DWORD nProcess;
    HWND hFound;
  } rSearch{rProcess.dwProcessId, nullptr};
  const bool bShown = WaitFor(
      [&rSearch] {
        EnumWindows(
            [](HWND hWindow, LPARAM nSearch) -> BOOL {
              auto* pSearch = reinterpret_cast<TSearch*>(nSearch);
              DWORD nOwner = 0;
              GetWindowThreadProcessId(hWindow, &nOwner);
              wchar_t aClass[32] = {};
              GetClassNameW(hWindow, aClass, 32);
              if (nOwner == pSearch->nProcess && std::wstring(aClass) == L"TfrmMain" &&
                  IsWindowVisible(hWindow)) {
                pSearch->hFound = hWindow;
                return FALSE;
              }
              return TRUE;
            },
            reinterpret_cast<LPARAM>(&rSearch));
        return rSearch.hFound != nullptr;
      },
      30000);
  EXPECT_TRUE(bShown);
  if (bShown) {
    EXPECT_EQ(Text(rSearch.hFound), "Tarvik Firmware Update");
    // Another process's control tells its text only when asked with WM_GETTEXT.
    wchar_t aPort[64] = {};
    SendMessageW(GetDlgItem(rSearch.hFound, cID_PORT), WM_GETTEXT, 64,
                 reinterpret_cast<LPARAM>(aPort));
    EXPECT_EQ(Utf8(aPort), "COM77");
    EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(GetWindowDpiAwarenessContext(rSearch.hFound)),
              DPI_AWARENESS_PER_MONITOR_AWARE);
    PostMessageW(rSearch.hFound, WM_CLOSE, 0, 0);
  } else {
    TerminateProcess(rProcess.hProcess, 1);
  }
  EXPECT_EQ(WaitForSingleObject(rProcess.hProcess, 30000), WAIT_OBJECT_0);
  DWORD nExitCode = 1;
  GetExitCodeProcess(rProcess.hProcess, &nExitCode);
  EXPECT_EQ(nExitCode, 0U);
  CloseHandle(rProcess.hThread);
  CloseHandle(rProcess.hProcess);
}
