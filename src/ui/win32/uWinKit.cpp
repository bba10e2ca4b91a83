#include "ui/win32/uWinKit.h"

#include <dwmapi.h>

namespace {

// The DPI functions of Windows 10, looked up at run time so the program still starts on
// older systems (which then scale by the system DPI).
using TGetDpiForWindow = UINT(WINAPI*)(HWND);
using TGetDpiForSystem = UINT(WINAPI*)();
using TAdjustWindowRectExForDpi = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

template <class TFunction> TFunction User32Function(const char* sName) {
  const HMODULE hUser = GetModuleHandleW(L"user32.dll");
  if (hUser == nullptr) return nullptr;
  return reinterpret_cast<TFunction>(reinterpret_cast<void*>(GetProcAddress(hUser, sName)));
}

const wchar_t cDIALOG_PROP[] = L"TarvikDialogKeys";

bool gbHourglass = false;

bool IsPushButton(HWND hWindow) {
  wchar_t aClass[16] = {};
  GetClassNameW(hWindow, aClass, 16);
  if (lstrcmpiW(aClass, L"Button") != 0) return false;
  const LONG_PTR nType = GetWindowLongPtrW(hWindow, GWL_STYLE) & BS_TYPEMASK;
  return nType == BS_PUSHBUTTON || nType == BS_DEFPUSHBUTTON;
}

// Lets the window under the mouse choose its cursor again, so a change shows at once.
void RefreshCursor() {
  POINT rPoint{};
  if (!GetCursorPos(&rPoint)) return;
  const HWND hUnder = WindowFromPoint(rPoint);
  if (hUnder == nullptr || GetWindowThreadProcessId(hUnder, nullptr) != GetCurrentThreadId())
    return;
  const LRESULT nHit = SendMessageW(hUnder, WM_NCHITTEST, 0, MAKELPARAM(rPoint.x, rPoint.y));
  SendMessageW(hUnder, WM_SETCURSOR, reinterpret_cast<WPARAM>(hUnder),
               MAKELPARAM(static_cast<WORD>(nHit), WM_MOUSEMOVE));
}

} // namespace

std::wstring WindowTextWide(HWND hWindow) {
  const int nLength = GetWindowTextLengthW(hWindow);
  if (nLength <= 0) return {};
  std::wstring sText(static_cast<std::size_t>(nLength) + 1, L'\0');
  const int nCopied = GetWindowTextW(hWindow, sText.data(), nLength + 1);
  sText.resize(static_cast<std::size_t>(nCopied > 0 ? nCopied : 0));
  return sText;
}

std::string WindowTextUtf8(HWND hWindow) {
  return Utf8(WindowTextWide(hWindow));
}

void SetWindowTextUtf8(HWND hWindow, const std::string& sText) {
  SetWindowTextW(hWindow, Wide(sText).c_str());
}

UINT SystemDpi() {
  static const TGetDpiForSystem GetDpiForSystemFn =
      User32Function<TGetDpiForSystem>("GetDpiForSystem");
  if (GetDpiForSystemFn != nullptr) return GetDpiForSystemFn();
  const HDC hScreen = GetDC(nullptr);
  const int nDpi = GetDeviceCaps(hScreen, LOGPIXELSY);
  ReleaseDC(nullptr, hScreen);
  return nDpi > 0 ? static_cast<UINT>(nDpi) : cDESIGN_DPI;
}

UINT WindowDpi(HWND hWindow) {
  static const TGetDpiForWindow GetDpiForWindowFn =
      User32Function<TGetDpiForWindow>("GetDpiForWindow");
  if (GetDpiForWindowFn != nullptr && hWindow != nullptr) {
    const UINT nDpi = GetDpiForWindowFn(hWindow);
    if (nDpi > 0) return nDpi;
  }
  return SystemDpi();
}

int Scale(int nDesign, UINT nDpi) {
  return MulDiv(nDesign, static_cast<int>(nDpi), static_cast<int>(cDESIGN_DPI));
}

SIZE OuterSize(int nClientWidth, int nClientHeight, DWORD nStyle, DWORD nExStyle, bool bMenu,
               UINT nDpi) {
  static const TAdjustWindowRectExForDpi AdjustForDpi =
      User32Function<TAdjustWindowRectExForDpi>("AdjustWindowRectExForDpi");
  RECT rRect{0, 0, nClientWidth, nClientHeight};
  if (AdjustForDpi == nullptr || !AdjustForDpi(&rRect, nStyle, bMenu, nExStyle, nDpi))
    AdjustWindowRectEx(&rRect, nStyle, bMenu, nExStyle);
  return SIZE{rRect.right - rRect.left, rRect.bottom - rRect.top};
}

void SetClientSize(HWND hWindow, int nWidth, int nHeight) {
  // A second pass when the frame changed with the size (a menu bar that wraps or unwraps).
  for (int nPass = 0; nPass < 2; ++nPass) {
    RECT rOuter{};
    GetWindowRect(hWindow, &rOuter);
    RECT rClient{};
    GetClientRect(hWindow, &rClient);
    if (rClient.right == nWidth && rClient.bottom == nHeight) return;
    SetWindowPos(hWindow, nullptr, 0, 0, nWidth + (rOuter.right - rOuter.left) - rClient.right,
                 nHeight + (rOuter.bottom - rOuter.top) - rClient.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

HFONT CreateDesignFont(const wchar_t* sFace, int nPoints, UINT nDpi) {
  LOGFONTW rFont{};
  rFont.lfHeight = nPoints > 0 ? -MulDiv(nPoints, static_cast<int>(nDpi), 72)
                               : -MulDiv(-nPoints, static_cast<int>(nDpi), cDESIGN_DPI);
  rFont.lfWeight = FW_NORMAL;
  rFont.lfCharSet = DEFAULT_CHARSET;
  rFont.lfQuality = CLEARTYPE_QUALITY;
  lstrcpynW(rFont.lfFaceName, sFace, LF_FACESIZE);
  return CreateFontIndirectW(&rFont);
}

void SetChildFonts(HWND hWindow, HFONT hFont) {
  EnumChildWindows(
      hWindow,
      [](HWND hChild, LPARAM nFont) -> BOOL {
        SendMessageW(hChild, WM_SETFONT, static_cast<WPARAM>(nFont), TRUE);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(hFont));
}

void ReplaceChildFonts(HWND hWindow, HFONT& rhFont, const wchar_t* sFace, int nPoints, UINT nDpi) {
  const HFONT hOld = rhFont;
  rhFont = CreateDesignFont(sFace, nPoints, nDpi);
  SetChildFonts(hWindow, rhFont);
  if (hOld != nullptr) DeleteObject(hOld);
}

void RegisterWindowClass(const wchar_t* sClass, WNDPROC pWindowProc, HICON hIcon) {
  const HINSTANCE hInstance = GetModuleHandleW(nullptr);
  WNDCLASSEXW rClass{};
  rClass.cbSize = sizeof(rClass);
  if (GetClassInfoExW(hInstance, sClass, &rClass)) return;
  rClass.lpfnWndProc = pWindowProc;
  rClass.hInstance = hInstance;
  rClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  rClass.hIcon = hIcon;
  rClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  rClass.lpszClassName = sClass;
  RegisterClassExW(&rClass);
}

TWinForm::~TWinForm() {
  if (FhWindow != nullptr && IsWindow(FhWindow)) {
    SetWindowLongPtrW(FhWindow, GWLP_USERDATA, 0);
    DestroyWindow(FhWindow);
  }
  if (FhFont != nullptr) DeleteObject(FhFont);
}

void TWinForm::CreateForm(const wchar_t* sClass, const wchar_t* sCaption, DWORD nStyle,
                          DWORD nExStyle, int nDesignWidth, int nDesignHeight, HWND hOwner) {
  RegisterWindowClass(sClass, &TWinForm::WindowProc);
  const UINT nDpi = hOwner != nullptr ? WindowDpi(hOwner) : SystemDpi();
  const SIZE rOuter = OuterSize(Scale(nDesignWidth, nDpi), Scale(nDesignHeight, nDpi), nStyle,
                                nExStyle, false, nDpi);
  CreateWindowExW(nExStyle, sClass, sCaption, nStyle, CW_USEDEFAULT, CW_USEDEFAULT, rOuter.cx,
                  rOuter.cy, hOwner, nullptr, GetModuleHandleW(nullptr), this);
}

void TWinForm::SetFont(const wchar_t* sFace, int nPoints, UINT nDpi) {
  ReplaceChildFonts(FhWindow, FhFont, sFace, nPoints, nDpi);
}

void TWinForm::TakeSuggestedRect(LPARAM lParam) {
  const RECT* pSuggested = reinterpret_cast<const RECT*>(lParam);
  SetWindowPos(FhWindow, nullptr, pSuggested->left, pSuggested->top,
               pSuggested->right - pSuggested->left, pSuggested->bottom - pSuggested->top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK TWinForm::WindowProc(HWND hWindow, UINT nMsg, WPARAM wParam, LPARAM lParam) {
  if (nMsg == WM_NCCREATE) {
    auto* pForm = static_cast<TWinForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    pForm->FhWindow = hWindow;
    SetWindowLongPtrW(hWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pForm));
  }
  auto* pForm = reinterpret_cast<TWinForm*>(GetWindowLongPtrW(hWindow, GWLP_USERDATA));
  if (pForm == nullptr) return DefWindowProcW(hWindow, nMsg, wParam, lParam);
  if (nMsg == WM_SETCURSOR && HandleSetCursor()) return TRUE;
  const LRESULT nResult = pForm->HandleMessage(nMsg, wParam, lParam);
  if (nMsg == WM_NCDESTROY) {
    SetWindowLongPtrW(hWindow, GWLP_USERDATA, 0);
    pForm->FhWindow = nullptr;
  }
  return nResult;
}

HWND CreateControl(HWND hParent, const wchar_t* sClass, const wchar_t* sText, DWORD nStyle, int nId,
                   DWORD nExStyle) {
  return CreateWindowExW(nExStyle, sClass, sText, WS_CHILD | nStyle, 0, 0, 0, 0, hParent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(nId)),
                         GetModuleHandleW(nullptr), nullptr);
}

SIZE TextExtent(HWND hControl, const std::wstring& sText) {
  SIZE rSize{};
  const HDC hDc = GetDC(hControl);
  const HGDIOBJ hOld =
      SelectObject(hDc, reinterpret_cast<HGDIOBJ>(SendMessageW(hControl, WM_GETFONT, 0, 0)));
  GetTextExtentPoint32W(hDc, sText.c_str(), static_cast<int>(sText.size()), &rSize);
  SelectObject(hDc, hOld);
  ReleaseDC(hControl, hDc);
  return rSize;
}

RECT VisibleFrame(HWND hWindow) {
  RECT rFrame{};
  if (FAILED(
          DwmGetWindowAttribute(hWindow, DWMWA_EXTENDED_FRAME_BOUNDS, &rFrame, sizeof(rFrame))) ||
      rFrame.right <= rFrame.left)
    GetWindowRect(hWindow, &rFrame);
  return rFrame;
}

void MoveVisibleFrameTo(HWND hWindow, int x, int y) {
  RECT rOuter{};
  GetWindowRect(hWindow, &rOuter);
  const RECT rVisible = VisibleFrame(hWindow);
  SetWindowPos(hWindow, nullptr, x - (rVisible.left - rOuter.left), y - (rVisible.top - rOuter.top),
               0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetVisibleWidth(HWND hWindow, int nWidth) {
  RECT rOuter{};
  GetWindowRect(hWindow, &rOuter);
  const RECT rVisible = VisibleFrame(hWindow);
  const int nInvisible = (rOuter.right - rOuter.left) - (rVisible.right - rVisible.left);
  SetWindowPos(hWindow, nullptr, 0, 0, nWidth + nInvisible, rOuter.bottom - rOuter.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void RunModal(HWND hWindow, const bool& bDone) {
  // The thread's other windows are disabled, as a modal window of a toolkit does.
  std::vector<HWND> aDisabled;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hOther, LPARAM nList) -> BOOL {
        auto* pList = reinterpret_cast<std::vector<HWND>*>(nList);
        if (IsWindowVisible(hOther) && IsWindowEnabled(hOther)) pList->push_back(hOther);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&aDisabled));
  std::erase(aDisabled, hWindow);
  for (const HWND hOther : aDisabled)
    EnableWindow(hOther, FALSE);

  ShowWindow(hWindow, SW_SHOW);
  SetForegroundWindow(hWindow);
  bool bQuit = false;
  int nQuitCode = 0;
  MSG rMsg{};
  while (!bDone && IsWindow(hWindow)) {
    const BOOL nGot = GetMessageW(&rMsg, nullptr, 0, 0);
    if (nGot <= 0) {
      bQuit = nGot == 0;
      nQuitCode = static_cast<int>(rMsg.wParam);
      break;
    }
    if (!HandleDialogKeys(rMsg)) {
      TranslateMessage(&rMsg);
      DispatchMessageW(&rMsg);
    }
  }
  // Enabled again before the modal window goes, so the activation returns to them.
  for (const HWND hOther : aDisabled)
    if (IsWindow(hOther)) EnableWindow(hOther, TRUE);
  if (IsWindow(hWindow)) ShowWindow(hWindow, SW_HIDE);
  if (bQuit) PostQuitMessage(nQuitCode);
}

void MarkAsDialog(HWND hWindow) {
  SetPropW(hWindow, cDIALOG_PROP, reinterpret_cast<HANDLE>(1));
}

bool HandleDialogKeys(MSG& rMsg) {
  if (rMsg.hwnd == nullptr) return false;
  const HWND hRoot = GetAncestor(rMsg.hwnd, GA_ROOT);
  if (hRoot == nullptr) return false;
  if (GetPropW(hRoot, cDIALOG_PROP) != nullptr) return IsDialogMessageW(hRoot, &rMsg) != FALSE;
  // The main window receives the worker's notifications as WM_USER, which the dialog manager
  // uses itself (DM_GETDEFID): its keys are handled here instead.
  if (rMsg.message != WM_KEYDOWN || hRoot == rMsg.hwnd) return false;
  if (rMsg.wParam == VK_TAB) {
    const bool bBack = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    const HWND hNext = GetNextDlgTabItem(hRoot, GetFocus(), bBack ? TRUE : FALSE);
    if (hNext != nullptr) SetFocus(hNext);
    return true;
  }
  if (rMsg.wParam == VK_RETURN && IsPushButton(rMsg.hwnd)) {
    SendMessageW(rMsg.hwnd, BM_CLICK, 0, 0);
    return true;
  }
  return false;
}

void SetHourglass(bool bOn) {
  if (gbHourglass == bOn) return;
  gbHourglass = bOn;
  RefreshCursor();
}

bool IsHourglass() {
  return gbHourglass;
}

bool HandleSetCursor() {
  if (!gbHourglass) return false;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  return true;
}
