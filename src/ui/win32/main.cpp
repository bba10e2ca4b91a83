// Tarvik Firmware Update: the operator's window on Windows.
#include "engine/uTarvikCommThread.h"
#include "ui/uWinTools1V4.h"
#include "ui/win32/uInitForms.h"
#include "ui/win32/uMain.h"
#include "ui/win32/uWinKit.h"

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

constexpr std::uint32_t cEXIT_WAIT_MS = 2000;

// The program's arguments as UTF-8, like everywhere else in the program.
void TakeProgramArgs() {
  int nArgs = 0;
  LPWSTR* aWide = CommandLineToArgvW(GetCommandLineW(), &nArgs);
  std::vector<std::string> slArgs;
  for (int i = 0; aWide != nullptr && i < nArgs; ++i)
    slArgs.push_back(Utf8(aWide[i]));
  if (aWide != nullptr) LocalFree(aWide);
  std::vector<const char*> aArgs;
  for (const std::string& sArg : slArgs)
    aArgs.push_back(sArg.c_str());
  SetProgramArgs(static_cast<int>(aArgs.size()), aArgs.data());
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int nShow) {
  INITCOMMONCONTROLSEX rControls{sizeof(rControls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&rControls);
  TakeProgramArgs();
  gCommThreadClass = &TCommThread::Create<TTarvikCommThread>;

  int nResult = 0;
  {
    TfrmMain rMain;
    frmMain = &rMain;
    rMain.SetQuitOnDestroy(true);
    // Shown first, so the report window is placed against the frame the main window really has.
    ShowWindow(rMain.Handle(), nShow);
    UpdateWindow(rMain.Handle());
    InitForms();
    MSG rMsg{};
    while (GetMessageW(&rMsg, nullptr, 0, 0) > 0) {
      if (!HandleDialogKeys(rMsg)) {
        TranslateMessage(&rMsg);
        DispatchMessageW(&rMsg);
      }
    }
    nResult = static_cast<int>(rMsg.wParam);
    DoneForms();
  }
  // A worker still on its way out after a close gets a moment to release the port.
  TCommThread::WaitForWorkers(cEXIT_WAIT_MS);
  return nResult;
}
