#include "ui/win32/uMessage.h"

#include "ui/win32/uWinKit.h"

TfrmMessage* frmMessage = nullptr;

namespace {

const wchar_t cCLASS_NAME[] = L"TfrmMessage";
const wchar_t cFONT_FACE[] = L"Tahoma";
constexpr int cFONT_POINTS = 8;
// A fixed dialog frame with a caption and no title-bar buttons.
constexpr DWORD cSTYLE = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
constexpr DWORD cEX_STYLE = WS_EX_DLGMODALFRAME;
// The layout in pixels at 96 DPI.
constexpr int cDESIGN_WIDTH = 435;
constexpr int cDESIGN_HEIGHT = 101;
constexpr int cPANEL_HEIGHT = 45;
constexpr int cBUTTON_WIDTH = 93;
constexpr int cMARGIN = 3;
constexpr int cINSET = 10;

} // namespace

TfrmMessage::TfrmMessage(HWND hOwner) {
  CreateForm(cCLASS_NAME, L"Information", cSTYLE, cEX_STYLE, cDESIGN_WIDTH, cDESIGN_HEIGHT, hOwner);
  Memo1 = CreateControl(FhWindow, L"EDIT", L"",
                        WS_VISIBLE | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, cID_MESSAGE_MEMO,
                        WS_EX_CLIENTEDGE);
  Button1 =
      CreateControl(FhWindow, L"BUTTON", L"OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK);
  MarkAsDialog(FhWindow);
  Layout(WindowDpi(FhWindow));
}

TfrmMessage::~TfrmMessage() {
  if (frmMessage == this) frmMessage = nullptr;
}

void TfrmMessage::Layout(UINT nDpi) {
  FnDpi = nDpi;
  SetFont(cFONT_FACE, cFONT_POINTS, nDpi);
  RECT rClient{};
  GetClientRect(FhWindow, &rClient);
  SetClientSize(FhWindow, rClient.right, Scale(cDESIGN_HEIGHT, nDpi));
  PlaceControls();
}

void TfrmMessage::PlaceControls() {
  RECT rClient{};
  GetClientRect(FhWindow, &rClient);
  const int nMargin = Scale(cMARGIN, FnDpi);
  const int nPanelTop = rClient.bottom - Scale(cPANEL_HEIGHT, FnDpi);
  MoveWindow(Memo1, nMargin, nMargin, rClient.right - 2 * nMargin, nPanelTop - 2 * nMargin, TRUE);
  MoveWindow(Button1, nMargin, nPanelTop + nMargin, Scale(cBUTTON_WIDTH, FnDpi),
             Scale(cPANEL_HEIGHT, FnDpi) - 2 * nMargin, TRUE);
}

void TfrmMessage::PlaceOver(int x, int y, int w, int h) {
  const int nInset = Scale(cINSET, FnDpi);
  const RECT rVisible = VisibleFrame(FhWindow);
  SetVisibleWidth(FhWindow, w - 2 * nInset);
  MoveVisibleFrameTo(FhWindow, x + nInset, y + h - (rVisible.bottom - rVisible.top) - nInset);
}

void TfrmMessage::showMsg(const std::string& sMsg, int x, int y, int w, int h) {
  PlaceOver(x, y, w, h);
  SetWindowTextW(Memo1, L"");
  SetWindowTextUtf8(Memo1, sMsg);
  FbDone = false;
  RunModal(FhWindow, FbDone);
}

void TfrmMessage::Button1Click() {
  FbDone = true;
}

LRESULT TfrmMessage::HandleMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) {
  const HWND hWindow = FhWindow;
  switch (nMsg) {
  case WM_COMMAND:
    // OK, Enter and Escape all close the message.
    if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) Button1Click();
    return 0;
  case WM_CLOSE:
    Button1Click();
    return 0;
  case WM_ACTIVATE:
    if (LOWORD(wParam) != WA_INACTIVE && Button1 != nullptr) {
      SetFocus(Button1);
      return 0;
    }
    break;
  case WM_SIZE:
    if (Button1 != nullptr) PlaceControls();
    return 0;
  case WM_DPICHANGED: {
    TakeSuggestedRect(lParam);
    Layout(HIWORD(wParam));
    return 0;
  }
  case WM_NCDESTROY:
    Memo1 = nullptr;
    Button1 = nullptr;
    break;
  default:
    break;
  }
  return DefWindowProcW(hWindow, nMsg, wParam, lParam);
}
