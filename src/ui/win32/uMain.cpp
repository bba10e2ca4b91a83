#include "ui/win32/uMain.h"

#include "engine/uSwitches.h"
#include "engine/uTarvikCommThread.h"
#include "ui/uNotifyText.h"
#include "ui/uOptions.h"
#include "ui/uPortChange.h"
#include "ui/uPortList.h"
#include "ui/uWinTools1V4.h"
#include "ui/win32/uInfo.h"
#include "ui/win32/uMessage.h"
#include "ui/win32/uProtocol.h"
#include "ui/win32/uWinKit.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>

TfrmMain* frmMain = nullptr;

namespace {

const wchar_t cCLASS_NAME[] = L"TfrmMain";
const wchar_t cFONT_FACE[] = L"Microsoft Sans Serif";
constexpr int cFONT_POINTS = 8;

constexpr DWORD cSTYLE = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD cEX_STYLE = 0;

// The layout in pixels at 96 DPI.
constexpr int cCLIENT_WIDTH = 355;
constexpr int cPANEL_HEIGHT = 161;
constexpr int cSTATUS_HEIGHT = 15;
constexpr int cBEVEL_HEIGHT = 8;
constexpr int cFILE_GAP = 8;
constexpr RECT cLABEL{13, 14, 0, 0};              // sized to its text
constexpr RECT cPORT{77, 11, 77 + 263, 11 + 200}; // with its drop-down list
constexpr RECT cPROGRESS{13, 46, 13 + 327, 46 + 26};
constexpr RECT cCLOSE{200, 86, 200 + 111, 86 + 32};
constexpr RECT cREAD_INFO_ONLY{26, 134, 26 + 116, 134 + 14};

constexpr UINT_PTR cTIMER_REPEAT = 1;
constexpr UINT_PTR cTIMER_IDLE = 2;

const wchar_t* const cINFO_CAPTION = L"Info v2023-09-21";

int Width(const RECT& r) {
  return r.right - r.left;
}

int Height(const RECT& r) {
  return r.bottom - r.top;
}

void Place(HWND hControl, const RECT& rDesign, UINT nDpi) {
  MoveWindow(hControl, Scale(rDesign.left, nDpi), Scale(rDesign.top, nDpi),
             Scale(Width(rDesign), nDpi), Scale(Height(rDesign), nDpi), TRUE);
}

// The folder the program was started from.
std::wstring ProgramFolder() {
  std::wstring sPath(MAX_PATH, L'\0');
  for (;;) {
    const DWORD nLength =
        GetModuleFileNameW(nullptr, sPath.data(), static_cast<DWORD>(sPath.size()));
    if (nLength < sPath.size()) {
      sPath.resize(nLength);
      break;
    }
    sPath.resize(sPath.size() * 2);
  }
  const std::size_t nSlash = sPath.find_last_of(L"\\/");
  return nSlash == std::wstring::npos ? std::wstring() : sPath.substr(0, nSlash);
}

bool IsAscii(const std::wstring& s) {
  for (const wchar_t ch : s)
    if (ch >= 0x80) return false;
  return true;
}

// The name under which the firmware reader (8-bit file names) can open the file: the name
// itself when it is plain ASCII or the 8-bit code page is UTF-8 (the manifest asks for it),
// else its short form, else its spelling in the 8-bit code page.
std::string ReadableFileName(const std::wstring& sPath) {
  if (IsAscii(sPath) || GetACP() == CP_UTF8) return Utf8(sPath);
  const DWORD nLength = GetShortPathNameW(sPath.c_str(), nullptr, 0);
  if (nLength > 0) {
    std::wstring sShort(nLength, L'\0');
    const DWORD nCopied = GetShortPathNameW(sPath.c_str(), sShort.data(), nLength);
    sShort.resize(nCopied);
    if (nCopied > 0 && IsAscii(sShort)) return Utf8(sShort);
  }
  const int nBytes =
      WideCharToMultiByte(CP_ACP, 0, sPath.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string sAnsi(static_cast<std::size_t>(nBytes > 0 ? nBytes : 1), '\0');
  WideCharToMultiByte(CP_ACP, 0, sPath.c_str(), -1, sAnsi.data(), nBytes, nullptr, nullptr);
  sAnsi.resize(sAnsi.size() - 1);
  return sAnsi;
}

} // namespace

std::string OpenFileDialog(HWND hOwner, const std::wstring& sDir) {
  std::wstring sFile(32768, L'\0');
  OPENFILENAMEW rOpen{};
  rOpen.lStructSize = sizeof(rOpen);
  rOpen.hwndOwner = hOwner;
  rOpen.lpstrFile = sFile.data();
  rOpen.nMaxFile = static_cast<DWORD>(sFile.size());
  rOpen.lpstrInitialDir = sDir.c_str();
  rOpen.Flags =
      OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameW(&rOpen)) return {};
  sFile.resize(wcslen(sFile.c_str()));
  return ReadableFileName(sFile);
}

namespace {

// The question's buttons say "Yes" and "No" whatever the system's language, without
// accelerator marks: a hook renames them when the box is activated.
thread_local HHOOK ghConfirmHook = nullptr;

LRESULT CALLBACK ConfirmHook(int nCode, WPARAM wParam, LPARAM lParam) {
  const HHOOK hHook = ghConfirmHook;
  if (nCode == HCBT_ACTIVATE) {
    const HWND hBox = reinterpret_cast<HWND>(wParam);
    if (GetDlgItem(hBox, IDYES) != nullptr && GetDlgItem(hBox, IDNO) != nullptr) {
      SetDlgItemTextW(hBox, IDYES, L"Yes");
      SetDlgItemTextW(hBox, IDNO, L"No");
      UnhookWindowsHookEx(hHook);
      ghConfirmHook = nullptr;
    }
  }
  return CallNextHookEx(hHook, nCode, wParam, lParam);
}

// A control (or a part of one) that is shown and enabled, with all its parents.
bool CanTakeFocus(HWND hControl) {
  for (HWND h = hControl; h != nullptr; h = GetParent(h))
    if (!IsWindowVisible(h) || !IsWindowEnabled(h)) return false;
  return true;
}

void ShowErrorBox(HWND hOwner, const std::string& sText) {
  MessageBoxW(hOwner, Wide(sText).c_str(), Wide(cAPP_TITLE).c_str(), MB_OK | MB_ICONERROR);
}

} // namespace

bool AskConfirm(HWND hOwner, const std::string& sText) {
  ghConfirmHook = SetWindowsHookExW(WH_CBT, ConfirmHook, nullptr, GetCurrentThreadId());
  const int nAnswer =
      MessageBoxW(hOwner, Wide(sText).c_str(), L"Confirm", MB_YESNO | MB_ICONQUESTION);
  if (ghConfirmHook != nullptr) {
    UnhookWindowsHookEx(ghConfirmHook);
    ghConfirmHook = nullptr;
  }
  return nAnswer == IDYES;
}

std::function<bool(HWND, const std::string&)> gAskQuestion = AskConfirm;
std::function<void()> gBeep = [] { MessageBeep(MB_OK); };
std::function<std::string(HWND, const std::wstring&)> gOpenFileName = OpenFileDialog;
std::function<void(HWND, const std::string&)> gShowError = ShowErrorBox;
std::function<void(std::vector<std::string>&)> gFillPortList = FillPortList;
std::function<bool()> gIsInternalMode = IsInternalMode;

void TWindowPoster::Post(std::uint32_t nCode, std::uint32_t nValue) {
  const std::lock_guard<std::mutex> rLock(FMutex);
  if (FhWindow != nullptr) {
    PostMessageW(FhWindow, WM_USER, static_cast<WPARAM>(nCode), static_cast<LPARAM>(nValue));
  }
}

void TWindowPoster::Detach() {
  const std::lock_guard<std::mutex> rLock(FMutex);
  FhWindow = nullptr;
}

// The Win32 controls as the run control's view.
class TWin32RunView : public TRunView {
public:
  explicit TWin32RunView(TfrmMain& rMain) : FMain(rMain) {}

  std::string PortText() const override { return WindowTextUtf8(FMain.cbxPort); }
  bool ReadInfoOnlyChecked() const override {
    return SendMessageW(FMain.chkReadInfoOnly, BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  int ProgressPosition() const override {
    return static_cast<int>(SendMessageW(FMain.ProgressBar1, PBM_GETPOS, 0, 0));
  }
  void SetProgress(int nPercent) override {
    SendMessageW(FMain.ProgressBar1, PBM_SETPOS, static_cast<WPARAM>(nPercent), 0);
  }
  void SetTitle(const std::string& sTitle) override { SetWindowTextUtf8(FMain.FhWindow, sTitle); }
  void SetStatus(const std::string& sText) override { FMain.SetStatus(sText); }
  void AddReport(const std::string& sText) override { FMain.AddReport(sText); }
  void ClearReport() override {
    if (frmProtocol != nullptr) frmProtocol->Clear();
  }
  void ShowFinalMessage(const std::string& sText) override { FMain.ShowFinalMessage(sText); }
  void Beep() override { gBeep(); }
  void ShowRunningControls(bool bRunning) override { FMain.SetRunningControls(bRunning); }
  void SetHourglass(bool bOn) override { ::SetHourglass(bOn); }
  void ShowReportWindow() override {
    if (frmProtocol != nullptr) frmProtocol->Show();
  }
  void OpenOverview() override { FMain.OpenOverview(); }
  bool AskQuestion(const std::string& sText) override {
    return gAskQuestion(FMain.FhWindow, sText);
  }
  void ShowError(const std::string& sText) override { gShowError(FMain.FhWindow, sText); }
  std::string ChooseFile() override { return gOpenFileName(FMain.FhWindow, FMain.FsOpenDir); }
  void StartRepeatTimer(std::uint32_t nMs) override {
    SetTimer(FMain.FhWindow, cTIMER_REPEAT, nMs, nullptr);
  }
  void StopRepeatTimer() override { KillTimer(FMain.FhWindow, cTIMER_REPEAT); }
  void ProcessNotifications(std::uint32_t nMs) override {
    // Only the worker's notifications: no operator input while the program waits.
    MSG rMsg{};
    while (PeekMessageW(&rMsg, FMain.FhWindow, WM_USER, WM_USER, PM_REMOVE))
      DispatchMessageW(&rMsg);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, nMs, QS_POSTMESSAGE);
    while (PeekMessageW(&rMsg, FMain.FhWindow, WM_USER, WM_USER, PM_REMOVE))
      DispatchMessageW(&rMsg);
  }

private:
  TfrmMain& FMain;
};

TfrmMain::TfrmMain() {
  HICON hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  if (hIcon == nullptr) hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  RegisterWindowClass(cCLASS_NAME, &TfrmMain::WindowProc, hIcon);

  MainMenu1 = CreateMenu();
  menInfo = CreatePopupMenu();
  AppendMenuW(menInfo, MF_STRING, cID_FIRMWARE, L"Firmware");
  AppendMenuW(menInfo, MF_STRING, cID_FILE_VERSION, L"File version");
  AppendMenuW(menInfo, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menInfo, MF_STRING, cID_EXIT, L"Exit");
  AppendMenuW(MainMenu1, MF_POPUP, reinterpret_cast<UINT_PTR>(menInfo), L"Info");

  CreateWindowExW(cEX_STYLE, cCLASS_NAME, L"", cSTYLE, CW_USEDEFAULT, CW_USEDEFAULT,
                  Scale(cCLIENT_WIDTH, SystemDpi()), Scale(cPANEL_HEIGHT, SystemDpi()), nullptr,
                  MainMenu1, GetModuleHandleW(nullptr), this);
  FhPoster = std::make_shared<TWindowPoster>(FhWindow);
  FView = std::make_unique<TWin32RunView>(*this);
  FRun = std::make_unique<TRunControl>(*FView, FhPoster);
  CreateControls();
  FormCreate();
}

TfrmMain::~TfrmMain() {
  if (FhPoster) FhPoster->Detach();
  if (IsWindow(FhWindow)) {
    FbQuitOnDestroy = false;
    DestroyWindow(FhWindow);
  }
  ::SetHourglass(false);
  if (FhFont != nullptr) DeleteObject(FhFont);
  if (frmMain == this) frmMain = nullptr;
}

void TfrmMain::Show() {
  ShowWindow(FhWindow, SW_SHOW);
  UpdateWindow(FhWindow);
}

void TfrmMain::CreateControls() {
  const HWND h = FhWindow;
  // Created in the tab order: port box, progress bar, Update, Cancel, Close, File, check box.
  Label1 = CreateControl(h, WC_STATICW, L"Comport:", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, cID_LABEL);
  cbxPort = CreateControl(h, WC_COMBOBOXW, L"",
                          WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
                          cID_PORT);
  ProgressBar1 = CreateControl(h, PROGRESS_CLASSW, L"", WS_VISIBLE, cID_PROGRESS);
  SendMessageW(ProgressBar1, PBM_SETRANGE32, 0, 100);
  SendMessageW(ProgressBar1, PBM_SETPOS, 0, 0);
  btnProg =
      CreateControl(h, WC_BUTTONW, L"Update", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, cID_PROG);
  btnCancel = CreateControl(h, WC_BUTTONW, L"Cancel", WS_TABSTOP | BS_PUSHBUTTON, cID_CANCEL);
  btnClose =
      CreateControl(h, WC_BUTTONW, L"Close", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, cID_CLOSE);
  btnFile =
      CreateControl(h, WC_BUTTONW, L"File", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, cID_FILE);
  chkReadInfoOnly = CreateControl(h, WC_BUTTONW, L"Read info only",
                                  WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, cID_READ_INFO_ONLY);
  StatusBar1 = CreateControl(h, STATUSCLASSNAMEW, L"", WS_VISIBLE, cID_STATUS);
  SendMessageW(StatusBar1, SB_SIMPLE, TRUE, 0);

  // The status text's hint: shown while the mouse rests on the status bar.
  FhHint =
      CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                      WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, h, nullptr, GetModuleHandleW(nullptr), nullptr);
  TOOLINFOW rTool{};
  rTool.cbSize = sizeof(rTool);
  rTool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  rTool.hwnd = h;
  rTool.uId = reinterpret_cast<UINT_PTR>(StatusBar1);
  rTool.lpszText = const_cast<wchar_t*>(L"");
  SendMessageW(FhHint, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&rTool));
}

void TfrmMain::FormCreate() {
  SetWindowTextW(FhWindow, Wide(cAPP_TITLE).c_str());
  ModifyMenuW(MainMenu1, 0, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(menInfo),
              cINFO_CAPTION);
  // The questions (AskConfirm) carry the title "Confirm" and the buttons "Yes" and "No".
  // The open dialog starts in the program's folder.
  FsOpenDir = ProgramFolder();

  const bool bInternal = gIsInternalMode();
  SendMessageW(chkReadInfoOnly, BM_SETCHECK, BST_UNCHECKED, 0);
  ShowWindow(chkReadInfoOnly, gbReadInfoOnlySupported && bInternal ? SW_SHOW : SW_HIDE);
  ApplyOptions(bInternal);

  FbFileAccess = gnAccessLevel == 2;
  const int nHalf = Width(cCLOSE) / 2;
  if (FbFileAccess) {
    FrProg.right = FrProg.left + nHalf;
    FrFile.left = FrProg.right + cFILE_GAP;
    FrFile.right = FrFile.left + nHalf;
  } else {
    // Win32 menus cannot hide an item: it goes.
    DeleteMenu(menInfo, cID_FILE_VERSION, MF_BYCOMMAND);
    ShowWindow(btnFile, SW_HIDE);
    FrProg.right = FrProg.left + Width(cCLOSE);
  }
  DrawMenuBar(FhWindow);
  Layout(WindowDpi(FhWindow));

  std::vector<std::string> slPorts;
  gFillPortList(slPorts);
  for (const std::string& sPort : slPorts)
    SendMessageW(cbxPort, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(sPort).c_str()));
  if (!slPorts.empty()) SendMessageW(cbxPort, CB_SETCURSEL, 0, 0);
  // "port:NAME" opens the window on a given port (the simulated logger, for one).
  const std::string sPortOption = FindOption("port:", "");
  if (!sPortOption.empty()) SetWindowTextUtf8(cbxPort, sPortOption);

  // Centred on the screen's work area.
  MONITORINFO rMonitor{};
  rMonitor.cbSize = sizeof(rMonitor);
  GetMonitorInfoW(MonitorFromWindow(FhWindow, MONITOR_DEFAULTTOPRIMARY), &rMonitor);
  RECT rOuter{};
  GetWindowRect(FhWindow, &rOuter);
  const RECT& rWork = rMonitor.rcWork;
  SetWindowPos(FhWindow, nullptr, rWork.left + (Width(rWork) - Width(rOuter)) / 2,
               rWork.top + (Height(rWork) - Height(rOuter)) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  FRun->FormCreate();
  // At the first idle moment: timers come only when no other message waits.
  SetTimer(FhWindow, cTIMER_IDLE, USER_TIMER_MINIMUM, nullptr);
}

void TfrmMain::Layout(UINT nDpi) {
  FnDpi = nDpi;
  ReplaceChildFonts(FhWindow, FhFont, cFONT_FACE, cFONT_POINTS, nDpi);

  const SIZE rLabel = TextExtent(Label1, L"Comport:");
  MoveWindow(Label1, Scale(cLABEL.left, nDpi), Scale(cLABEL.top, nDpi), rLabel.cx, rLabel.cy, TRUE);
  Place(cbxPort, cPORT, nDpi);
  Place(ProgressBar1, cPROGRESS, nDpi);
  Place(btnProg, FrProg, nDpi);
  Place(btnCancel, cCLOSE, nDpi);
  Place(btnClose, cCLOSE, nDpi);
  Place(btnFile, FrFile, nDpi);
  Place(chkReadInfoOnly, cREAD_INFO_ONLY, nDpi);

  // The status bar takes the height its font needs, at least the design height.
  SendMessageW(StatusBar1, SB_SETMINHEIGHT, 0, 0);
  SendMessageW(StatusBar1, WM_SIZE, 0, 0);
  RECT rStatus{};
  GetWindowRect(StatusBar1, &rStatus);
  FnStatusHeight = std::max<int>(Height(rStatus), Scale(cSTATUS_HEIGHT, nDpi));

  // The client area is the panel and the status bar; the menu bar sits above it.
  const int nClientWidth = Scale(cCLIENT_WIDTH, nDpi);
  SetClientSize(FhWindow, nClientWidth, Scale(cPANEL_HEIGHT, nDpi) + FnStatusHeight);
  MoveWindow(StatusBar1, 0, Scale(cPANEL_HEIGHT, nDpi), nClientWidth, FnStatusHeight, TRUE);
  InvalidateRect(FhWindow, nullptr, TRUE);
}

void TfrmMain::SetRunningControls(bool bRunning) {
  const HWND hFocus = GetFocus();
  EnableWindow(btnProg, !bRunning);
  ShowWindow(btnClose, bRunning ? SW_HIDE : SW_SHOW);
  ShowWindow(btnCancel, bRunning ? SW_SHOW : SW_HIDE);
  EnableWindow(cbxPort, !bRunning);
  // gnFwIndex and the file image must not change under a running worker.
  EnableWindow(btnFile, !bRunning);
  EnableWindow(chkReadInfoOnly, !bRunning);
  EnableMenuItem(MainMenu1, 0, MF_BYPOSITION | (bRunning ? MF_GRAYED : MF_ENABLED));
  DrawMenuBar(FhWindow);
  // The keyboard focus stays on a control that can take it.
  if (hFocus == FhWindow || (IsChild(FhWindow, hFocus) && !CanTakeFocus(hFocus)))
    SetFocus(bRunning ? btnCancel : btnProg);
}

void TfrmMain::SetStatus(const std::string& sText) {
  FsStatus = sText;
  FsHint = sText;
  const std::wstring sWide = Wide(sText);
  SendMessageW(StatusBar1, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(sWide.c_str()));
  TOOLINFOW rTool{};
  rTool.cbSize = sizeof(rTool);
  rTool.hwnd = FhWindow;
  rTool.uId = reinterpret_cast<UINT_PTR>(StatusBar1);
  rTool.lpszText = const_cast<wchar_t*>(sWide.c_str());
  SendMessageW(FhHint, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&rTool));
}

void TfrmMain::AddReport(const std::string& sText) {
  if (frmProtocol != nullptr) frmProtocol->Add(sText);
}

void TfrmMain::ShowFinalMessage(const std::string& sText) {
  if (frmMessage != nullptr) {
    const RECT rFrame = VisibleFrame(FhWindow);
    frmMessage->showMsg(sText, rFrame.left, rFrame.top, Width(rFrame), Height(rFrame));
  } else {
    MessageBoxW(FhWindow, Wide(sText).c_str(), Wide(cAPP_TITLE).c_str(), MB_OK);
  }
}

void TfrmMain::HandleNotification(std::uint32_t nCode, std::uint32_t nValue) {
  FRun->HandleNotification(nCode, nValue);
}

void TfrmMain::OpenOverview() {
  if (frmInfo != nullptr) {
    const RECT rFrame = VisibleFrame(FhWindow);
    frmInfo->Execute(rFrame.left, rFrame.top, Width(rFrame), Height(rFrame));
  }
}

void TfrmMain::btnCloseClick() {
  Close();
}

void TfrmMain::menFileExitClick() {
  Close();
}

bool TfrmMain::Close() {
  SendMessageW(FhWindow, WM_CLOSE, 0, 0);
  return !IsWindow(FhWindow);
}

void TfrmMain::HandleMove() {
  if (frmProtocol == nullptr || frmProtocol->Handle() == nullptr) return;
  const RECT rMain = VisibleFrame(FhWindow);
  const RECT rReport = VisibleFrame(frmProtocol->Handle());
  if (rReport.top != rMain.bottom || rReport.left != rMain.left)
    MoveVisibleFrameTo(frmProtocol->Handle(), rMain.left, rMain.bottom);
}

void TfrmMain::HandleDeviceChange(bool bPortChange) {
  if (!bPortChange) return;
  const std::wstring sText = WindowTextWide(cbxPort);
  std::vector<std::string> slPorts;
  gFillPortList(slPorts);
  SendMessageW(cbxPort, CB_RESETCONTENT, 0, 0);
  for (const std::string& sPort : slPorts)
    SendMessageW(cbxPort, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(sPort).c_str()));
  SetWindowTextW(cbxPort, sText.c_str());
  // Show the new list at once, but only to an operator who is looking at this idle window.
  DWORD nForegroundProcess = 0;
  GetWindowThreadProcessId(GetForegroundWindow(), &nForegroundProcess);
  if (nForegroundProcess == GetCurrentProcessId() && IsWindowEnabled(cbxPort)) {
    SendMessageW(cbxPort, CB_SHOWDROPDOWN, FALSE, 0);
    RedrawWindow(cbxPort, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    SendMessageW(cbxPort, CB_SHOWDROPDOWN, TRUE, 0);
  }
}

void TfrmMain::HandleCommand(int nId, int nNotify) {
  if (nNotify != BN_CLICKED) return; // menu items come with 0 as well
  switch (nId) {
  case cID_PROG:
    btnProgClick();
    break;
  case cID_FILE:
    btnFileClick();
    break;
  case cID_CANCEL:
    btnCancelClick();
    break;
  case cID_CLOSE:
    btnCloseClick();
    break;
  case cID_EXIT:
    menFileExitClick();
    break;
  case cID_FIRMWARE:
    menInfoFirmwareClick();
    break;
  case cID_FILE_VERSION:
    if (FbFileAccess) menInfoFileClick();
    break;
  default:
    break;
  }
}

LRESULT CALLBACK TfrmMain::WindowProc(HWND hWindow, UINT nMsg, WPARAM wParam, LPARAM lParam) {
  if (nMsg == WM_NCCREATE) {
    auto* pMain = static_cast<TfrmMain*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    pMain->FhWindow = hWindow;
    SetWindowLongPtrW(hWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pMain));
  }
  auto* pMain = reinterpret_cast<TfrmMain*>(GetWindowLongPtrW(hWindow, GWLP_USERDATA));
  if (pMain == nullptr || pMain->FRun == nullptr)
    return DefWindowProcW(hWindow, nMsg, wParam, lParam);
  return pMain->HandleMessage(nMsg, wParam, lParam);
}

LRESULT TfrmMain::HandleMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) {
  const HWND hWindow = FhWindow;
  switch (nMsg) {
  case WM_USER:
    HandleNotification(static_cast<std::uint32_t>(wParam), static_cast<std::uint32_t>(lParam));
    return 0;
  case WM_COMMAND:
    HandleCommand(LOWORD(wParam), HIWORD(wParam));
    return 0;
  case WM_TIMER:
    KillTimer(FhWindow, wParam);
    if (wParam == cTIMER_REPEAT) FRun->RepeatTimerFired();
    if (wParam == cTIMER_IDLE) ApplicationEvents1Idle();
    return 0;
  case WM_SETCURSOR:
    if (HandleSetCursor()) return TRUE;
    break;
  case WM_ACTIVATE:
    // The focus returns to the control that had it, at first the port box.
    if (LOWORD(wParam) == WA_INACTIVE) {
      const HWND hFocus = GetFocus();
      if (IsChild(hWindow, hFocus)) FhLastFocus = hFocus;
    } else {
      for (const HWND hControl : {FhLastFocus, cbxPort, btnCancel, btnProg}) {
        if (hControl != nullptr && CanTakeFocus(hControl)) {
          SetFocus(hControl);
          break;
        }
      }
    }
    return 0;
  case WM_MOVE:
    HandleMove();
    return 0;
  case WM_DEVICECHANGE:
    HandleDeviceChange(
        IsPortChange(static_cast<std::uint32_t>(wParam), reinterpret_cast<const void*>(lParam)));
    return TRUE;
  case WM_DPICHANGED: {
    Layout(HIWORD(wParam));
    const RECT* pSuggested = reinterpret_cast<const RECT*>(lParam);
    SetWindowPos(FhWindow, nullptr, pSuggested->left, pSuggested->top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
  }
  case WM_PAINT: {
    // Bevel1: a line along the top edge.
    PAINTSTRUCT rPaint{};
    const HDC hDc = BeginPaint(FhWindow, &rPaint);
    RECT rBevel{0, 0, Scale(cCLIENT_WIDTH, FnDpi), Scale(cBEVEL_HEIGHT, FnDpi)};
    DrawEdge(hDc, &rBevel, EDGE_ETCHED, BF_TOP);
    EndPaint(FhWindow, &rPaint);
    return 0;
  }
  case WM_CLOSE:
    if ((FRun->IsClosing() && !IsRunning()) || FRun->CloseQuery()) DestroyWindow(FhWindow);
    return 0;
  case WM_DESTROY:
    FhPoster->Detach();
    KillTimer(FhWindow, cTIMER_REPEAT);
    KillTimer(FhWindow, cTIMER_IDLE);
    if (FbQuitOnDestroy) PostQuitMessage(0);
    return 0;
  case WM_NCDESTROY:
    SetWindowLongPtrW(FhWindow, GWLP_USERDATA, 0);
    FhWindow = nullptr;
    break;
  default:
    break;
  }
  return DefWindowProcW(hWindow, nMsg, wParam, lParam);
}
