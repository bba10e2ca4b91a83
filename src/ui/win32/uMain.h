// The main window on the Win32 API: the choice of the serial port, the Update, File, Close and
// Cancel buttons, the progress bar and the status bar. A thin view over the run control; the
// worker's notifications arrive as WM_USER messages posted to its handle.
#pragma once

#include "ui/uRunControl.h"
#include "ui/win32/uWinKit.h"
#include "worker/uMessages.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Replaceable for tests: the confirmation question (true for "Yes"), the default beep, the
// open dialog (empty when cancelled), the error report of a file that cannot be used, the
// port list and the internal mode.
extern std::function<bool(HWND hOwner, const std::string& sText)> gAskQuestion;
extern std::function<void()> gBeep;
extern std::function<std::string(HWND hOwner, const std::wstring& sDir)> gOpenFileName;
extern std::function<void(HWND hOwner, const std::string& sText)> gShowError;
extern std::function<void(std::vector<std::string>& Strings)> gFillPortList;
extern std::function<bool()> gIsInternalMode;

// The question with the title "Confirm" and the buttons "Yes" and "No".
bool AskConfirm(HWND hOwner, const std::string& sText);
// The system's file-open dialog, without a file type filter, first showing sDir; the chosen
// file's name (as the firmware reader can open it), empty when cancelled.
std::string OpenFileDialog(HWND hOwner, const std::wstring& sDir);

// The window's receiver of notifications, kept by every worker: posts WM_USER to the window.
// After the window is gone, notifications are dropped.
class TWindowPoster : public TNotifyTarget {
public:
  explicit TWindowPoster(HWND hWindow) : FhWindow(hWindow) {}
  void Post(std::uint32_t nCode, std::uint32_t nValue) override;
  void Detach();

private:
  std::mutex FMutex;
  HWND FhWindow;
};

// Command identifiers of the controls and menu items.
enum : int {
  cID_PORT = 101,
  cID_PROGRESS,
  cID_PROG,
  cID_CANCEL,
  cID_CLOSE,
  cID_FILE,
  cID_READ_INFO_ONLY,
  cID_STATUS,
  cID_LABEL,
  cID_FIRMWARE = 201,
  cID_FILE_VERSION,
  cID_EXIT,
};

class TfrmMain {
public:
  // Creates the window hidden and runs FormCreate; Show() shows it.
  TfrmMain();
  ~TfrmMain();
  TfrmMain(const TfrmMain&) = delete;
  TfrmMain& operator=(const TfrmMain&) = delete;

  void Show();
  HWND Handle() const { return FhWindow; }
  // Ends the message loop when the window is destroyed (the program's main window).
  void SetQuitOnDestroy(bool bQuit) { FbQuitOnDestroy = bQuit; }

  void StartUpdate(TCmd cmd) { FRun->StartUpdate(cmd); }
  void EndUpdate() { FRun->EndUpdate(); }
  bool PrepareRun(const std::string& sFile) { return FRun->PrepareRun(sFile); }
  void SetStatus(const std::string& sText);
  void AddReport(const std::string& sText);
  void ShowFinalMessage(const std::string& sText);
  void HandleNotification(std::uint32_t nCode, std::uint32_t nValue);
  void HandleDeviceChange(bool bPortChange);
  void HandleMove();
  bool IsRunning() const { return FRun->IsRunning(); }
  std::string StatusText() const { return FsStatus; }
  std::string Hint() const { return FsHint; }
  // The DPI the window is laid out for.
  UINT Dpi() const { return FnDpi; }

  HMENU MainMenu1 = nullptr;
  HMENU menInfo = nullptr;
  HWND Label1 = nullptr;
  HWND cbxPort = nullptr;
  HWND ProgressBar1 = nullptr;
  HWND btnProg = nullptr;
  HWND btnCancel = nullptr;
  HWND btnClose = nullptr;
  HWND btnFile = nullptr;
  HWND chkReadInfoOnly = nullptr;
  HWND StatusBar1 = nullptr;
  HWND FhHint = nullptr;
  std::wstring FsOpenDir;

  // The event handlers.
  void btnProgClick() { FRun->UpdateClick(); }
  void btnFileClick() { FRun->FileClick(); }
  void btnCancelClick() { FRun->CancelClick(); }
  void btnCloseClick();
  void menFileExitClick();
  void menInfoFirmwareClick() { FRun->FirmwareClick(); }
  void menInfoFileClick() { FRun->FileVersionClick(); }
  void ApplicationEvents1Idle() { FRun->ApplicationIdle(); }

private:
  friend class TWin32RunView;
  static LRESULT CALLBACK WindowProc(HWND hWindow, UINT nMsg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT nMsg, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  void FormCreate();
  // Places every control for nDpi from its design rectangle, with a font for nDpi.
  void Layout(UINT nDpi);
  void SetRunningControls(bool bRunning);
  void OpenOverview();
  void HandleCommand(int nId, int nNotify);
  bool Close();

  HWND FhWindow = nullptr;
  HFONT FhFont = nullptr;
  UINT FnDpi = cDESIGN_DPI;
  std::shared_ptr<TWindowPoster> FhPoster;
  std::unique_ptr<TRunView> FView;
  std::unique_ptr<TRunControl> FRun;
  std::string FsStatus;
  std::string FsHint;
  bool FbFileAccess = false;
  bool FbQuitOnDestroy = false;
  HWND FhLastFocus = nullptr;
  // Design rectangles (pixels at 96 DPI) of Update and File; FormCreate sets their widths.
  RECT FrProg{40, 86, 40 + 111, 86 + 32};
  RECT FrFile{101, 86, 101 + 52, 86 + 32};
  int FnStatusHeight = 0;
};

extern TfrmMain* frmMain;
