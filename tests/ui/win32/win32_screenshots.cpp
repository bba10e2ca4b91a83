// Renders the Win32 windows for the documentation: the main window during a run, the report,
// the overview and a final message, each into a BMP file of the folder given as argument
// (scripts/screenshots turns them into PNG). The run is scripted (no logger needed); the
// windows are the program's own, captured from the screen as the X server shows them.
#include "uWinUiTestKit.h"

#include "ui/win32/uInfo.h"
#include "ui/win32/uMessage.h"
#include "ui/win32/uProtocol.h"
#include "ui/win32/uWinKit.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

// The window's visible frame as it is on the screen, as a 24-bit BMP file.
bool Save(HWND hWindow, const std::string& sFile) {
  RedrawWindow(hWindow, nullptr, nullptr,
               RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Pump(300); // let the window and its controls paint themselves
  const RECT rFrame = VisibleFrame(hWindow);
  const int nWidth = rFrame.right - rFrame.left;
  const int nHeight = rFrame.bottom - rFrame.top;
  const HDC hScreen = GetDC(nullptr);
  const HDC hMemory = CreateCompatibleDC(hScreen);
  const HBITMAP hBitmap = CreateCompatibleBitmap(hScreen, nWidth, nHeight);
  const HGDIOBJ hOld = SelectObject(hMemory, hBitmap);
  BitBlt(hMemory, 0, 0, nWidth, nHeight, hScreen, rFrame.left, rFrame.top, SRCCOPY | CAPTUREBLT);
  SelectObject(hMemory, hOld);

  BITMAPINFOHEADER rInfo{};
  rInfo.biSize = sizeof(rInfo);
  rInfo.biWidth = nWidth;
  rInfo.biHeight = nHeight; // bottom-up, as BMP files keep their rows
  rInfo.biPlanes = 1;
  rInfo.biBitCount = 24;
  rInfo.biCompression = BI_RGB;
  const int nStride = (nWidth * 3 + 3) & ~3;
  std::vector<char> aPixels(static_cast<std::size_t>(nStride) * static_cast<std::size_t>(nHeight));
  const int nRows = GetDIBits(hMemory, hBitmap, 0, static_cast<UINT>(nHeight), aPixels.data(),
                              reinterpret_cast<BITMAPINFO*>(&rInfo), DIB_RGB_COLORS);
  DeleteObject(hBitmap);
  DeleteDC(hMemory);
  ReleaseDC(nullptr, hScreen);

  BITMAPFILEHEADER rFile{};
  rFile.bfType = 0x4D42; // "BM"
  rFile.bfOffBits = sizeof(rFile) + sizeof(rInfo);
  rFile.bfSize = rFile.bfOffBits + static_cast<DWORD>(aPixels.size());
  std::ofstream File(sFile, std::ios::binary);
  File.write(reinterpret_cast<const char*>(&rFile), sizeof(rFile));
  File.write(reinterpret_cast<const char*>(&rInfo), sizeof(rInfo));
  File.write(aPixels.data(), static_cast<std::streamsize>(aPixels.size()));
  const bool bSaved = nRows == nHeight && File.good();
  std::printf("%s %s\n", bSaved ? "wrote" : "FAILED", sFile.c_str());
  return bSaved;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  INITCOMMONCONTROLSEX rControls{sizeof(rControls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&rControls);
  const std::string sDir = argc > 1 ? Utf8(argv[1]) : std::string(".");
  CreateDirectoryW(Wide(sDir).c_str(), nullptr);
  bool bOk = true;
  {
    TWindowSetup rSetup(true, {"port:COM3"}, {"COM3", "COM4"});
    TfrmMain* pMain = rSetup.Main();
    const HWND hReport = frmProtocol->Handle();
    RECT rReport{};
    GetWindowRect(hReport, &rReport);
    SetWindowPos(hReport, nullptr, 0, 0, rReport.right - rReport.left,
                 MulDiv(260, static_cast<int>(pMain->Dpi()), 96), SWP_NOMOVE | SWP_NOZORDER);
    Pump(100);

    // The worker waits for a Cancel that the program presses last.
    TScriptedThread::Queue(RunStoppingAt42());
    Click(pMain->btnProg);
    bOk &= WaitFor([&] { return Text(rSetup.Handle()) == "42%"; });
    bOk &= Save(rSetup.Handle(), sDir + "\\win32-main-window.bmp");
    bOk &= Save(hReport, sDir + "\\win32-report.bmp");
    Click(pMain->btnCancel);
    bOk &= WaitIdle();

    RECT rMain = VisibleFrame(rSetup.Handle());
    frmInfo->Prepare(rMain.left, rMain.top, MulDiv(330, static_cast<int>(pMain->Dpi()), 96));
    ShowWindow(frmInfo->Handle(), SW_SHOW);
    bOk &= Save(frmInfo->Handle(), sDir + "\\win32-overview.bmp");
    ShowWindow(frmInfo->Handle(), SW_HIDE);

    rMain = VisibleFrame(rSetup.Handle());
    frmMessage->PlaceOver(rMain.left, rMain.top, rMain.right - rMain.left,
                          rMain.bottom - rMain.top);
    SetWindowTextW(frmMessage->Memo1, L"Update Tarvik V6.20 succesfully completed.");
    ShowWindow(frmMessage->Handle(), SW_SHOW);
    bOk &= Save(frmMessage->Handle(), sDir + "\\win32-final-message.bmp");
    ShowWindow(frmMessage->Handle(), SW_HIDE);
  }
  return bOk ? 0 : 1;
}
