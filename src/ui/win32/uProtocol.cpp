#include "ui/win32/uProtocol.h"

#include "ui/uNotifyText.h"
#include "ui/win32/uWinKit.h"

TfrmProtocol* frmProtocol = nullptr;

namespace {

const wchar_t cCLASS_NAME[] = L"TfrmProtocol";
// The TrueType successor of "MS Sans Serif" (a bitmap font that does not scale).
const wchar_t cFONT_FACE[] = L"Microsoft Sans Serif";
constexpr int cFONT_POINTS = 8;
// No system menu: the title bar offers no close button.
constexpr DWORD cSTYLE = WS_OVERLAPPED | WS_CAPTION | WS_THICKFRAME | WS_CLIPCHILDREN;
constexpr int cDESIGN_WIDTH = 454;
constexpr int cDESIGN_HEIGHT = 141;

// Below the main window hMain, as wide as its frame.
void PlaceBelow(HWND hWindow, HWND hMain) {
  if (hMain == nullptr || !IsWindow(hMain)) return;
  const RECT rMain = VisibleFrame(hMain);
  SetVisibleWidth(hWindow, rMain.right - rMain.left);
  MoveVisibleFrameTo(hWindow, rMain.left, rMain.bottom);
}

} // namespace

TfrmProtocol::TfrmProtocol(HWND hOwner) : FhOwner(hOwner) {
  CreateForm(cCLASS_NAME, L"Report", cSTYLE, 0, cDESIGN_WIDTH, cDESIGN_HEIGHT, hOwner);
  Memo1 = CreateControl(FhWindow, L"EDIT", L"Memo1",
                        WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                            ES_AUTOHSCROLL | ES_AUTOVSCROLL,
                        cID_REPORT_MEMO, WS_EX_CLIENTEDGE);
  // No limit but memory: repeats append to one report.
  SendMessageW(Memo1, EM_SETLIMITTEXT, 0, 0);
  SetFont(cFONT_FACE, cFONT_POINTS, WindowDpi(FhWindow));
  RECT rClient{};
  GetClientRect(FhWindow, &rClient);
  MoveWindow(Memo1, 0, 0, rClient.right, rClient.bottom, FALSE);
}

TfrmProtocol::~TfrmProtocol() {
  if (frmProtocol == this) frmProtocol = nullptr;
}

void TfrmProtocol::Add(const std::string& sLine) {
  if (Memo1 == nullptr) return;
  const int nLength = GetWindowTextLengthW(Memo1);
  const std::wstring sAppend = (nLength > 0 ? L"\r\n" : L"") + Wide(TimeStampedLine(sLine));
  SendMessageW(Memo1, EM_SETSEL, static_cast<WPARAM>(nLength), static_cast<LPARAM>(nLength));
  SendMessageW(Memo1, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(sAppend.c_str()));
  // The caret goes to the index of the line count; the newest line is then scrolled into view.
  const LRESULT nLines = SendMessageW(Memo1, EM_GETLINECOUNT, 0, 0);
  SendMessageW(Memo1, EM_SETSEL, static_cast<WPARAM>(nLines), static_cast<LPARAM>(nLines));
  SendMessageW(Memo1, WM_VSCROLL, SB_BOTTOM, 0);
}

void TfrmProtocol::Clear() {
  if (Memo1 != nullptr) SetWindowTextW(Memo1, L"");
}

void TfrmProtocol::FormCreate() {
  PlaceBelow(FhWindow, FhOwner);
  Clear();
}

void TfrmProtocol::Show() {
  ShowWindow(FhWindow, SW_SHOWNOACTIVATE);
}

std::vector<std::string> TfrmProtocol::Lines() const {
  std::vector<std::string> slLines;
  const std::string sText = WindowTextUtf8(Memo1);
  if (sText.empty()) return slLines;
  std::size_t nStart = 0;
  for (;;) {
    const std::size_t nEnd = sText.find("\r\n", nStart);
    slLines.push_back(sText.substr(nStart, nEnd - nStart));
    if (nEnd == std::string::npos) break;
    nStart = nEnd + 2;
  }
  return slLines;
}

LRESULT TfrmProtocol::HandleMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) {
  const HWND hWindow = FhWindow;
  switch (nMsg) {
  case WM_SIZE:
    if (Memo1 != nullptr) MoveWindow(Memo1, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
    return 0;
  case WM_SHOWWINDOW:
    // Placed again at the first showing: only then does the system know the frame's real size.
    if (wParam != FALSE && !FbShown) {
      FbShown = true;
      PostMessageW(hWindow, WM_APP, 0, 0);
    }
    break;
  case WM_APP:
    PlaceBelow(hWindow, FhOwner);
    return 0;
  case WM_CLOSE:
    return 0; // only the program's end closes the report
  case WM_DPICHANGED: {
    SetFont(cFONT_FACE, cFONT_POINTS, HIWORD(wParam));
    TakeSuggestedRect(lParam);
    return 0;
  }
  case WM_NCDESTROY:
    Memo1 = nullptr;
    break;
  default:
    break;
  }
  return DefWindowProcW(hWindow, nMsg, wParam, lParam);
}
