#include "ui/win32/uInfo.h"

#include "catalogue/uCodeTables.h"
#include "catalogue/uFWVersions.h"
#include "ui/win32/uWinKit.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

TfrmInfo* frmInfo = nullptr;

namespace {

const wchar_t cCLASS_NAME[] = L"TfrmInfo";
// The TrueType successor of "MS Sans Serif" (a bitmap font that does not scale), with a
// character height of 10 design pixels.
const wchar_t cFONT_FACE[] = L"Microsoft Sans Serif";
constexpr int cFONT_HEIGHT = -10;
constexpr DWORD cSTYLE = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN;
// The layout in pixels at 96 DPI.
constexpr int cDESIGN_WIDTH = 318;
constexpr int cDESIGN_HEIGHT = 209;
constexpr int cPANEL_HEIGHT = 37;
constexpr RECT cBUTTON{13, 7, 13 + 98, 7 + 24}; // on the panel
constexpr int cDESIGN_COLUMN_WIDTH = 41;
constexpr int cCOLUMN_SPARE = 5;
constexpr int cWINDOW_SPARE = 30;

const wchar_t* const caCOLUMNS[] = {L"Firmware", L"Version", L"Platform", L"Print", L"Date", L"BL"};
constexpr int cCOLUMNS = 6;

std::string Version(unsigned nMajor, unsigned nMinor) {
  char aText[32];
  std::snprintf(aText, sizeof aText, "%u.%.2u", nMajor, nMinor);
  return aText;
}

std::string Bootloader(unsigned nGeneration, unsigned nVersion) {
  char aText[32];
  std::snprintf(aText, sizeof aText, "%u.%u", nGeneration, nVersion);
  return aText;
}

int ColumnWidth(HWND hList, int nColumn) {
  return static_cast<int>(SendMessageW(hList, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(nColumn), 0));
}

void SetColumnWidth(HWND hList, int nColumn, int nWidth) {
  SendMessageW(hList, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(nColumn),
               MAKELPARAM(static_cast<short>(nWidth), 0));
}

void InsertColumn(HWND hList, int nColumn, const wchar_t* sText, int nWidth) {
  LVCOLUMNW rColumn{};
  rColumn.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  rColumn.pszText = const_cast<wchar_t*>(sText);
  rColumn.cx = nWidth;
  rColumn.iSubItem = nColumn;
  SendMessageW(hList, LVM_INSERTCOLUMNW, static_cast<WPARAM>(nColumn),
               reinterpret_cast<LPARAM>(&rColumn));
}

} // namespace

TfrmInfo::TfrmInfo(HWND hOwner) {
  CreateForm(cCLASS_NAME, L"Overview", cSTYLE, 0, cDESIGN_WIDTH, cDESIGN_HEIGHT, hOwner);
  FnDpi = WindowDpi(FhWindow);
  // Read-only; a click on a column header does nothing.
  ListView1 = CreateControl(FhWindow, WC_LISTVIEWW, L"",
                            WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                                LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
                            cID_INFO_LIST, WS_EX_CLIENTEDGE);
  SendMessageW(ListView1, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  for (int i = 0; i < cCOLUMNS; ++i)
    InsertColumn(ListView1, i, caCOLUMNS[i],
                 Scale(i < cCOLUMNS - 1 ? cDESIGN_COLUMN_WIDTH : 50, FnDpi));
  Button1 =
      CreateControl(FhWindow, WC_BUTTONW, L"OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK);
  MarkAsDialog(FhWindow);
  SetFont(cFONT_FACE, cFONT_HEIGHT, FnDpi);
  PlaceControls();
}

TfrmInfo::~TfrmInfo() {
  if (frmInfo == this) frmInfo = nullptr;
}

void TfrmInfo::PlaceControls() {
  if (ListView1 == nullptr || Button1 == nullptr) return;
  RECT rClient{};
  GetClientRect(FhWindow, &rClient);
  const int nPanelTop = rClient.bottom - Scale(cPANEL_HEIGHT, FnDpi);
  MoveWindow(ListView1, 0, 0, rClient.right, std::max(0, static_cast<int>(nPanelTop)), TRUE);
  MoveWindow(Button1, Scale(cBUTTON.left, FnDpi), nPanelTop + Scale(cBUTTON.top, FnDpi),
             Scale(cBUTTON.right - cBUTTON.left, FnDpi), Scale(cBUTTON.bottom - cBUTTON.top, FnDpi),
             TRUE);
}

void TfrmInfo::AddRow(const TBl3FileHeader& header) {
  std::string sClass;
  std::string sPlatform;
  std::string sPrint;
  ClassName(header.tarv_class, header.tarv_print, sClass);
  PlatformName(header.tarv_platform, sPlatform);
  PrintName(header.tarv_print, sPrint);
  const std::wstring aCells[cCOLUMNS] = {
      Wide(sClass),           Wide(Version(header.tarv_verH, header.tarv_verL)),
      Wide(sPlatform),        Wide(sPrint),
      Wide(header.tarv_date), Wide(Bootloader(header.tarv_bl, header.tarv_bl_ver))};
  LVITEMW rItem{};
  rItem.mask = LVIF_TEXT;
  rItem.iItem = static_cast<int>(SendMessageW(ListView1, LVM_GETITEMCOUNT, 0, 0));
  rItem.pszText = const_cast<wchar_t*>(aCells[0].c_str());
  const int nRow = static_cast<int>(
      SendMessageW(ListView1, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&rItem)));
  for (int i = 1; i < cCOLUMNS; ++i) {
    LVITEMW rCell{};
    rCell.iSubItem = i;
    rCell.pszText = const_cast<wchar_t*>(aCells[i].c_str());
    SendMessageW(ListView1, LVM_SETITEMTEXTW, static_cast<WPARAM>(nRow),
                 reinterpret_cast<LPARAM>(&rCell));
  }
}

int TfrmInfo::FitColumns(HWND list) {
  const HWND hHeader = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  const int nColumns = static_cast<int>(SendMessageW(hHeader, HDM_GETITEMCOUNT, 0, 0));
  const int nSpare = Scale(cCOLUMN_SPARE, WindowDpi(list));
  // The list view gives its last column the rest of the list's width when asked to size it to
  // its header: a spare column behind the others lets each be sized to its texts alone.
  InsertColumn(list, nColumns, L"", 0);
  int nSum = 0;
  for (int nColumn = 0; nColumn < nColumns; ++nColumn) {
    SetColumnWidth(list, nColumn, LVSCW_AUTOSIZE_USEHEADER);
    const int nHeaderWidth = ColumnWidth(list, nColumn);
    SetColumnWidth(list, nColumn, LVSCW_AUTOSIZE);
    const int nContentsWidth = ColumnWidth(list, nColumn);
    SetColumnWidth(list, nColumn, std::max(nHeaderWidth, nContentsWidth) + nSpare);
    nSum += ColumnWidth(list, nColumn);
  }
  SendMessageW(list, LVM_DELETECOLUMN, static_cast<WPARAM>(nColumns), 0);
  return nSum;
}

void TfrmInfo::Prepare(int ALeft, int ATop, int AHeight) {
  SendMessageW(ListView1, LVM_DELETEALLITEMS, 0, 0);
  TBl3FileHeader rHeader;
  if (gnFwIndex == 0) {
    GetFwHeader(0, rHeader);
    AddRow(rHeader);
  }
  for (int i = GetFwCount(); i >= 1; --i) {
    GetFwHeader(i, rHeader);
    AddRow(rHeader);
  }
  // Outer height AHeight, client width the columns' sum and the spare.
  const int nClientWidth = FitColumns(ListView1) + Scale(cWINDOW_SPARE, FnDpi);
  RECT rOuter{};
  GetWindowRect(FhWindow, &rOuter);
  RECT rClient{};
  GetClientRect(FhWindow, &rClient);
  const RECT rVisible = VisibleFrame(FhWindow);
  // The frame's height as seen is AHeight.
  const int nFrameHeight = (rVisible.bottom - rVisible.top) - rClient.bottom;
  SetClientSize(FhWindow, nClientWidth, std::max(0, AHeight - nFrameHeight));
  MoveVisibleFrameTo(FhWindow, ALeft, ATop);
}

int TfrmInfo::Execute(int ALeft, int ATop, int AWidth, int AHeight) {
  (void)AWidth;
  Prepare(ALeft, ATop, AHeight);
  FnResult = IDCANCEL;
  FbDone = false;
  RunModal(FhWindow, FbDone);
  return FnResult;
}

LRESULT TfrmInfo::HandleMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) {
  const HWND hWindow = FhWindow;
  switch (nMsg) {
  case WM_COMMAND:
    if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
      FnResult = LOWORD(wParam);
      FbDone = true;
    }
    return 0;
  case WM_CLOSE:
    FnResult = IDCANCEL;
    FbDone = true;
    return 0;
  case WM_ACTIVATE:
    // The OK button is the active control.
    if (LOWORD(wParam) != WA_INACTIVE && Button1 != nullptr) {
      SetFocus(Button1);
      return 0;
    }
    break;
  case WM_SIZE:
    PlaceControls();
    return 0;
  case WM_DPICHANGED: {
    FnDpi = HIWORD(wParam);
    SetFont(cFONT_FACE, cFONT_HEIGHT, FnDpi);
    TakeSuggestedRect(lParam);
    return 0;
  }
  case WM_NCDESTROY:
    ListView1 = nullptr;
    Button1 = nullptr;
    break;
  default:
    break;
  }
  return DefWindowProcW(hWindow, nMsg, wParam, lParam);
}
