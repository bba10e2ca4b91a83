// The Win32 report window's time-stamped lines, the message window's place over the main
// window, and the overview's rows and column fitting.
#include "uWinUiTestKit.h"

#include "catalogue/uFWVersions.h"
#include "ui/win32/uInfo.h"
#include "ui/win32/uMessage.h"
#include "ui/win32/uProtocol.h"
#include "ui/win32/uWinKit.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <regex>

namespace {

using TTexts = std::vector<std::string>;

int Seconds(const SYSTEMTIME& rTime) {
  return rTime.wHour * 3600 + rTime.wMinute * 60 + rTime.wSecond;
}

std::string Cell(HWND hList, int nRow, int nColumn) {
  wchar_t aText[256] = {};
  LVITEMW rItem{};
  rItem.iSubItem = nColumn;
  rItem.pszText = aText;
  rItem.cchTextMax = 256;
  SendMessageW(hList, LVM_GETITEMTEXTW, static_cast<WPARAM>(nRow),
               reinterpret_cast<LPARAM>(&rItem));
  return Utf8(aText);
}

TTexts Row(HWND hList, int nRow) {
  TTexts slCells;
  for (int i = 0; i < 6; ++i)
    slCells.push_back(Cell(hList, nRow, i));
  return slCells;
}

int Rows(HWND hList) {
  return static_cast<int>(SendMessageW(hList, LVM_GETITEMCOUNT, 0, 0));
}

int ColumnWidth(HWND hList, int nColumn) {
  return static_cast<int>(SendMessageW(hList, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(nColumn), 0));
}

TTexts Headers(HWND hList) {
  TTexts slHeaders;
  for (int i = 0; i < 6; ++i) {
    wchar_t aText[64] = {};
    LVCOLUMNW rColumn{};
    rColumn.mask = LVCF_TEXT;
    rColumn.pszText = aText;
    rColumn.cchTextMax = 64;
    SendMessageW(hList, LVM_GETCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&rColumn));
    slHeaders.push_back(Utf8(aText));
  }
  return slHeaders;
}

int StringWidth(HWND hList, const std::string& sText) {
  return static_cast<int>(
      SendMessageW(hList, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(Wide(sText).c_str())));
}

int ClientWidth(HWND hWindow) {
  RECT rClient{};
  GetClientRect(hWindow, &rClient);
  return rClient.right;
}

} // namespace

TEST(Win32Report, LinesCarryTheTime) {
  TWindowSetup rSetup(true);
  EXPECT_TRUE(rSetup.Report().empty()); // the layout's placeholder is gone
  SYSTEMTIME rBefore{};
  GetLocalTime(&rBefore);
  frmProtocol->Add("Process cancelled!");
  frmProtocol->Add("");
  SYSTEMTIME rAfter{};
  GetLocalTime(&rAfter);
  const TTexts slLines = rSetup.Report();
  ASSERT_EQ(slLines.size(), 2U);
  const std::regex rLine("^(\\d\\d)-(\\d\\d)-(\\d\\d) -> (.*)$");
  for (const std::string& sLine : slLines) {
    std::smatch rMatch;
    ASSERT_TRUE(std::regex_match(sLine, rMatch, rLine)) << sLine;
    const int nStamp =
        std::stoi(rMatch[1]) * 3600 + std::stoi(rMatch[2]) * 60 + std::stoi(rMatch[3]);
    // The stamp is the local time of the call (midnight between the two reads aside).
    if (Seconds(rBefore) <= Seconds(rAfter)) {
      EXPECT_GE(nStamp, Seconds(rBefore));
      EXPECT_LE(nStamp, Seconds(rAfter));
    }
  }
  EXPECT_EQ(slLines[0].substr(8), " -> Process cancelled!");
  EXPECT_EQ(slLines[1].substr(8), " -> ");
  // The caret stands, without a selection, at the index that equals the number of lines.
  frmProtocol->Add("third");
  DWORD nStart = 0;
  DWORD nEnd = 0;
  SendMessageW(frmProtocol->Memo1, EM_GETSEL, reinterpret_cast<WPARAM>(&nStart),
               reinterpret_cast<LPARAM>(&nEnd));
  EXPECT_EQ(nStart, 3U);
  EXPECT_EQ(nEnd, 3U);

  frmProtocol->Clear();
  EXPECT_TRUE(rSetup.Report().empty());
}

TEST(Win32Report, KeepsLongLinesOnOneLineAndTheNewestInView) {
  TWindowSetup rSetup(true);
  ASSERT_TRUE(WaitFor([] { return IsWindowVisible(frmProtocol->Handle()) != FALSE; }));
  const std::string sLong(600, 'x');
  frmProtocol->Add(sLong);
  for (int i = 0; i < 30; ++i)
    frmProtocol->Add("line " + std::to_string(i));
  EXPECT_EQ(rSetup.Report().size(), 31U);
  EXPECT_EQ(rSetup.ReportTexts().at(0), sLong);
  // No word wrap: each report line is one line of the memo, reached by scrolling sideways.
  EXPECT_EQ(SendMessageW(frmProtocol->Memo1, EM_GETLINECOUNT, 0, 0), 31);
  const LONG_PTR nMemoStyle = GetWindowLongPtrW(frmProtocol->Memo1, GWL_STYLE);
  EXPECT_NE(nMemoStyle & ES_READONLY, 0);
  EXPECT_NE(nMemoStyle & ES_AUTOHSCROLL, 0);
  EXPECT_NE(nMemoStyle & WS_HSCROLL, 0);
  EXPECT_NE(nMemoStyle & WS_VSCROLL, 0);
  // Captioned "Report"; its title bar offers no close button.
  EXPECT_EQ(Text(frmProtocol->Handle()), "Report");
  EXPECT_EQ(GetWindowLongPtrW(frmProtocol->Handle(), GWL_STYLE) & WS_SYSMENU, 0);
  SendMessageW(frmProtocol->Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindowVisible(frmProtocol->Handle()));
  // The newest line is in view.
  EXPECT_GT(SendMessageW(frmProtocol->Memo1, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  Pump(20);
  SCROLLINFO rScroll{};
  rScroll.cbSize = sizeof(rScroll);
  rScroll.fMask = SIF_ALL;
  GetScrollInfo(frmProtocol->Memo1, SB_VERT, &rScroll);
  EXPECT_EQ(rScroll.nPos + static_cast<int>(rScroll.nPage), rScroll.nMax + 1);
}

TEST(Win32Message, SitsOverTheMainWindow) {
  TWindowSetup rSetup(false);
  ASSERT_EQ(rSetup.Main()->Dpi(), 96U) << "the design's pixels";
  const HWND hMessage = frmMessage->Handle();
  RECT rOuter{};
  GetWindowRect(hMessage, &rOuter);
  const RECT rVisible = VisibleFrame(hMessage);
  // 130 pixels high, as seen.
  SetWindowPos(hMessage, nullptr, 0, 0, rOuter.right - rOuter.left,
               130 + (rOuter.bottom - rOuter.top) - (rVisible.bottom - rVisible.top),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  frmMessage->PlaceOver(500, 300, 361, 230);
  const RECT rPlaced = VisibleFrame(hMessage);
  EXPECT_EQ(rPlaced.left, 510);
  EXPECT_EQ(rPlaced.top, 390);
  EXPECT_EQ(rPlaced.right - rPlaced.left, 341);
  EXPECT_EQ(rPlaced.bottom - rPlaced.top, 130);

  // Shown by the main window: inside its frame, 10 pixels from its edges.
  SetWindowPos(rSetup.Handle(), nullptr, 200, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  rSetup.Main()->ShowFinalMessage("Update Tarvik V6.20 succesfully completed.");
  const RECT rMain = VisibleFrame(rSetup.Handle());
  const RECT rShown = rSetup.Watcher.rLastFrame;
  EXPECT_EQ(rSetup.Watcher.slSeen,
            TTexts{"Information: Update Tarvik V6.20 succesfully completed."});
  EXPECT_EQ(rShown.left, rMain.left + 10);
  EXPECT_EQ(rShown.right, rMain.right - 10);
  EXPECT_EQ(rShown.bottom, rMain.bottom - 10);
  EXPECT_EQ(Text(hMessage), "Information");
  EXPECT_EQ(Text(frmMessage->Button1), "OK");
  EXPECT_EQ(ChildRect(frmMessage->Button1).right - ChildRect(frmMessage->Button1).left, 93);
  // A fixed dialog frame without title-bar buttons; a read-only memo whose lines wrap.
  const LONG_PTR nStyle = GetWindowLongPtrW(hMessage, GWL_STYLE);
  EXPECT_EQ(nStyle & (WS_SYSMENU | WS_THICKFRAME), 0);
  EXPECT_NE(nStyle & WS_CAPTION, 0);
  const LONG_PTR nMemoStyle = GetWindowLongPtrW(frmMessage->Memo1, GWL_STYLE);
  EXPECT_NE(nMemoStyle & ES_READONLY, 0);
  EXPECT_EQ(nMemoStyle & (ES_AUTOHSCROLL | WS_HSCROLL), 0);
  EXPECT_FALSE(IsWindowVisible(hMessage));
}

TEST(Win32Message, IsModalAndReplacesTheLastText) {
  TWindowSetup rSetup(false);
  bool bMainDisabled = false;
  rSetup.Watcher.OnModal = [&](HWND) { bMainDisabled = !IsWindowEnabled(rSetup.Handle()); };
  rSetup.Main()->ShowFinalMessage("first message");
  EXPECT_TRUE(bMainDisabled);
  EXPECT_TRUE(IsWindowEnabled(rSetup.Handle()));
  rSetup.Main()->ShowFinalMessage("second");
  EXPECT_EQ(rSetup.Watcher.slSeen, (TTexts{"Information: first message", "Information: second"}));
  EXPECT_EQ(Text(frmMessage->Memo1), "second");
}

TEST(Win32Message, PlainBoxWhenTheMessageWindowIsGone) {
  TWindowSetup rSetup(true);
  delete frmMessage;
  frmMessage = nullptr;
  TScriptedThread::Queue({{cMSG_FAILURE, 41}});
  Click(rSetup.Main()->btnProg);
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(rSetup.Watcher.slSeen,
            TTexts{"Tarvik Firmware Update: Aborted because the logger is not ready!"});
}

TEST(Win32Overview, ListsTheCarriedImagesFromTheHighest) {
  TWindowSetup rSetup(false);
  gnFwIndex = -1;
  frmInfo->Prepare(10, 20, 300);
  const HWND hList = frmInfo->ListView1;
  EXPECT_EQ(Text(frmInfo->Handle()), "Overview");
  EXPECT_EQ(Headers(hList), (TTexts{"Firmware", "Version", "Platform", "Print", "Date", "BL"}));
  ASSERT_EQ(Rows(hList), 12);
  EXPECT_EQ(Row(hList, 0), (TTexts{"Tarvik", "6.20", PlatformText(24), PrintText(53),
                                   "21.09.2023 16:19:36", "3.0"}));
  EXPECT_EQ(Row(hList, 6), (TTexts{"Tarvik", "5.126", PlatformText(12), PrintText(18),
                                   "12.04.2019 08:56:26", "3.0"}));
  EXPECT_EQ(Cell(hList, 7, 5), "2.1");  // image 5
  EXPECT_EQ(Cell(hList, 9, 1), "5.08"); // image 3
  EXPECT_EQ(Row(hList, 11), (TTexts{"Tarvik", "3.20", PlatformText(0), PrintText(0),
                                    "18.06.2009 16:27:52", "2.0"}));
  // Opening again shows the same rows, not twice as many.
  frmInfo->Prepare(10, 20, 300);
  EXPECT_EQ(Rows(hList), 12);
  // Read-only, and its column headers sort nothing.
  EXPECT_NE(GetWindowLongPtrW(hList, GWL_STYLE) & LVS_NOSORTHEADER, 0);
  EXPECT_EQ(GetWindowLongPtrW(hList, GWL_STYLE) & LVS_EDITLABELS, 0);
}

TEST(Win32Overview, ListsTheFileImageFirst) {
  TWindowSetup rSetup(false);
  grFwFileHeader = TBl3FileHeader{26113, 6, 20, 24, 53, "from a file", 3, 0};
  gnFwIndex = 0;
  frmInfo->Prepare(10, 20, 300);
  const HWND hList = frmInfo->ListView1;
  ASSERT_EQ(Rows(hList), 13);
  EXPECT_EQ(Row(hList, 0),
            (TTexts{"Tarvik", "6.20", PlatformText(24), PrintText(53), "from a file", "3.0"}));
  grFwFileHeader = TBl3FileHeader{0xFFFF, 5, 5, 0xFFFF, 0xFFFF, "", 0xFFFF, 2};
  frmInfo->Prepare(10, 20, 300);
  EXPECT_EQ(Rows(hList), 13);
  EXPECT_EQ(Cell(hList, 0, 1), "5.05");
  EXPECT_EQ(Cell(hList, 0, 5), "65535.2");
  grFwFileHeader = TBl3FileHeader{};
}

TEST(Win32Overview, ColumnsFitTheirTextsAndTheWindowItsColumns) {
  TWindowSetup rSetup(false);
  const UINT nDpi = WindowDpi(frmInfo->Handle());
  grFwFileHeader = TBl3FileHeader{26113, 6, 20, 24, 53, "21.09.2023", 3, 0};
  gnFwIndex = 0;
  frmInfo->Prepare(10, 20, 300);
  const HWND hList = frmInfo->ListView1;
  const TTexts slHeaders = Headers(hList);
  int nSum = 0;
  for (int nColumn = 0; nColumn < 6; ++nColumn) {
    const int nWidth = ColumnWidth(hList, nColumn);
    nSum += nWidth;
    // Header and every cell fit, with the spare pixels.
    EXPECT_GE(nWidth, StringWidth(hList, slHeaders[nColumn]) + Scale(5, nDpi)) << nColumn;
    for (int nRow = 0; nRow < Rows(hList); ++nRow)
      EXPECT_GE(nWidth, StringWidth(hList, Cell(hList, nRow, nColumn)) + Scale(5, nDpi))
          << nColumn << " " << nRow;
  }
  EXPECT_EQ(ClientWidth(frmInfo->Handle()), nSum + Scale(30, nDpi));
  EXPECT_EQ(TfrmInfo::FitColumns(hList), nSum);
  // The window does not grow from one opening to the next.
  frmInfo->Prepare(10, 20, 300);
  EXPECT_EQ(ClientWidth(frmInfo->Handle()), nSum + Scale(30, nDpi));

  // A long date in the file header widens its column and the window.
  const int nDateWidth = ColumnWidth(hList, 4);
  const int nWindowWidth = ClientWidth(frmInfo->Handle());
  grFwFileHeader.tarv_date = std::string(80, 'D');
  frmInfo->Prepare(10, 20, 300);
  EXPECT_GT(ColumnWidth(hList, 4), nDateWidth);
  EXPECT_EQ(ClientWidth(frmInfo->Handle()) - nWindowWidth, ColumnWidth(hList, 4) - nDateWidth);
  grFwFileHeader = TBl3FileHeader{};
}

TEST(Win32Overview, OpensBesideTheMainWindowFromTheMenu) {
  TWindowSetup rSetup(false);
  SetWindowPos(rSetup.Handle(), nullptr, 240, 130, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  MenuCommand(cID_FIRMWARE);
  const RECT rMain = VisibleFrame(rSetup.Handle());
  EXPECT_EQ(rSetup.Watcher.slSeen, TTexts{"Overview: 12 rows"});
  EXPECT_EQ(rSetup.Watcher.rLastFrame.left, rMain.left);
  EXPECT_EQ(rSetup.Watcher.rLastFrame.top, rMain.top);
  EXPECT_EQ(rSetup.Watcher.rLastFrame.bottom - rSetup.Watcher.rLastFrame.top,
            rMain.bottom - rMain.top);
  EXPECT_EQ(Text(frmInfo->Button1), "OK");
  // OK on its panel along the bottom edge, 37 high.
  const UINT nDpi = WindowDpi(frmInfo->Handle());
  RECT rClient{};
  GetClientRect(frmInfo->Handle(), &rClient);
  const RECT rButton = ChildRect(frmInfo->Button1);
  EXPECT_EQ(rButton.left, Scale(13, nDpi));
  EXPECT_EQ(rButton.top, rClient.bottom - Scale(37, nDpi) + Scale(7, nDpi));
  EXPECT_EQ(rButton.right - rButton.left, Scale(98, nDpi));
  EXPECT_EQ(rButton.bottom - rButton.top, Scale(24, nDpi));
  EXPECT_EQ(ChildRect(frmInfo->ListView1).bottom, rClient.bottom - Scale(37, nDpi));
  EXPECT_FALSE(IsWindowVisible(frmInfo->Handle()));
}
