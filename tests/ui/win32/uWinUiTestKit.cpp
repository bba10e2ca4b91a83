#include "uWinUiTestKit.h"

#include "catalogue/uCodeTables.h"
#include "ui/win32/uInfo.h"
#include "ui/win32/uInitForms.h"
#include "ui/win32/uMessage.h"
#include "ui/win32/uProtocol.h"
#include "ui/win32/uWinKit.h"

#include <commctrl.h>

#include <chrono>

namespace {

TModalWatcher* gpWatcher = nullptr;

std::string ClassOf(HWND hWindow) {
  wchar_t aClass[64] = {};
  GetClassNameW(hWindow, aClass, 64);
  return Utf8(aClass);
}

void CALLBACK PollTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (gpWatcher != nullptr) gpWatcher->Poll();
}

} // namespace

TModalWatcher::TModalWatcher() {
  gpWatcher = this;
  FnTimer = SetTimer(nullptr, 0, 10, &PollTimer);
}

TModalWatcher::~TModalWatcher() {
  KillTimer(nullptr, FnTimer);
  if (gpWatcher == this) gpWatcher = nullptr;
}

void TModalWatcher::Poll() {
  static bool bPolling = false;
  if (bPolling) return;
  bPolling = true;
  std::vector<HWND> aWindows;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hWindow, LPARAM nList) -> BOOL {
        if (IsWindowVisible(hWindow) && IsWindowEnabled(hWindow))
          reinterpret_cast<std::vector<HWND>*>(nList)->push_back(hWindow);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&aWindows));
  for (const HWND hWindow : aWindows) {
    const std::string sClass = ClassOf(hWindow);
    if (sClass != "TfrmMessage" && sClass != "TfrmInfo" && sClass != "#32770") continue;
    if (OnModal) OnModal(hWindow);
    rLastFrame = VisibleFrame(hWindow);
    if (sClass == "TfrmMessage") {
      slSeen.push_back(Text(hWindow) + ": " + Text(GetDlgItem(hWindow, cID_MESSAGE_MEMO)));
      Click(GetDlgItem(hWindow, IDOK));
    } else if (sClass == "TfrmInfo") {
      const HWND hList = GetDlgItem(hWindow, cID_INFO_LIST);
      slSeen.push_back(Text(hWindow) + ": " +
                       std::to_string(SendMessageW(hList, LVM_GETITEMCOUNT, 0, 0)) + " rows");
      Click(GetDlgItem(hWindow, IDOK));
    } else if (const HWND hText = GetDlgItem(hWindow, 0xFFFF); hText != nullptr) {
      // A message box: a question, or a plain message.
      slSeen.push_back(Text(hWindow) + ": " + Text(hText));
      if (GetDlgItem(hWindow, IDYES) != nullptr) {
        slButtons = {Text(GetDlgItem(hWindow, IDYES)), Text(GetDlgItem(hWindow, IDNO))};
        Click(GetDlgItem(hWindow, bAnswerYes ? IDYES : IDNO));
      } else {
        SendMessageW(hWindow, WM_COMMAND, IDOK, 0);
      }
    } else {
      slSeen.push_back(Text(hWindow));
      SendMessageW(hWindow, WM_COMMAND, IDCANCEL, 0);
    }
  }
  bPolling = false;
}

TWindowSetup::TWindowSetup(bool bInternal, const std::vector<std::string>& slArgs,
                           const std::vector<std::string>& slPortList)
    : slPorts(slPortList), FSaved{gAskQuestion, gBeep,         gOpenFileName,
                                  gShowError,   gFillPortList, gIsInternalMode} {
  StartAsFreshProcess(slArgs);
  gIsInternalMode = [bInternal] { return bInternal; };
  gFillPortList = [this](std::vector<std::string>& Strings) {
    ++nPortListFills;
    Strings = slPorts;
  };
  gBeep = [this] { ++nBeeps; };
  gShowError = [this](HWND, const std::string& sText) { slErrors.push_back(sText); };
  gOpenFileName = [this](HWND, const std::wstring&) { return sChosenFile; };
  gAskQuestion = [this](HWND, const std::string& sText) {
    slQuestions.push_back(sText);
    return bAnswerYes;
  };

  frmMain = new TfrmMain();
  frmMain->Show();
  InitForms();
}

TWindowSetup::~TWindowSetup() {
  if (frmMain != nullptr && frmMain->IsRunning()) {
    gbCancel = true;
    WaitIdle();
  }
  TCommThread::WaitForWorkers(2000);
  Pump(0);
  DoneForms();
  delete frmMain;
  frmMain = nullptr;
  gAskQuestion = FSaved.AskQuestion;
  gIsInternalMode = FSaved.IsInternalMode;
  gBeep = FSaved.Beep;
  gShowError = FSaved.ShowError;
  gOpenFileName = FSaved.OpenFileName;
  gFillPortList = FSaved.FillPortList;
}

std::vector<std::string> TWindowSetup::Report() const {
  return frmProtocol != nullptr ? frmProtocol->Lines() : std::vector<std::string>();
}

std::vector<std::string> TWindowSetup::ReportTexts() const {
  return UnstampedTexts(Report());
}

bool WaitFor(const std::function<bool()>& bDone, int nTimeoutMs) {
  const auto tEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
  for (;;) {
    // One message at a time: a worker may post faster than the window handles its messages.
    MSG rMsg{};
    const bool bGot = PeekMessageW(&rMsg, nullptr, 0, 0, PM_REMOVE) != FALSE;
    if (bGot && !HandleDialogKeys(rMsg)) {
      TranslateMessage(&rMsg);
      DispatchMessageW(&rMsg);
    }
    if (bDone()) return true;
    if (std::chrono::steady_clock::now() >= tEnd) return false;
    if (!bGot) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

void Pump(int nMs) {
  WaitFor([] { return false; }, nMs);
}

bool WaitIdle(int nTimeoutMs) {
  return WaitFor([] { return frmMain == nullptr || !frmMain->IsRunning(); }, nTimeoutMs);
}

void Click(HWND hButton) {
  SendMessageW(hButton, BM_CLICK, 0, 0);
}

void MenuCommand(int nId) {
  SendMessageW(frmMain->Handle(), WM_COMMAND, MAKEWPARAM(nId, 0), 0);
}

bool CloseMain() {
  const HWND hMain = frmMain->Handle();
  SendMessageW(hMain, WM_CLOSE, 0, 0);
  return !IsWindow(hMain);
}

std::string Text(HWND hWindow) {
  return WindowTextUtf8(hWindow);
}

int ProgressOf(HWND hBar) {
  return static_cast<int>(SendMessageW(hBar, PBM_GETPOS, 0, 0));
}

RECT ChildRect(HWND hChild) {
  RECT rRect{};
  GetWindowRect(hChild, &rRect);
  MapWindowPoints(nullptr, GetParent(hChild), reinterpret_cast<POINT*>(&rRect), 2);
  return rRect;
}

bool Contains(const std::vector<std::string>& slList, const std::string& sItem) {
  for (const std::string& s : slList)
    if (s == sItem) return true;
  return false;
}

std::string Join(const std::vector<std::string>& slList) {
  std::string sAll;
  for (const std::string& s : slList)
    sAll += s + "\n";
  return sAll;
}

std::string ClassText(std::uint16_t nClass) {
  std::string s;
  ClassName(nClass, 0xFFFF, s);
  return s;
}

std::string PlatformText(std::uint16_t nPlatform) {
  std::string s;
  PlatformName(nPlatform, s);
  return s;
}

std::string PrintText(std::uint16_t nPrint) {
  std::string s;
  PrintName(nPrint, s);
  return s;
}
