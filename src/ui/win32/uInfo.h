// The firmware overview: one row per image the program can put on a logger, the file image
// (when one was read) above the carried images from the highest index down.
#pragma once

#include "catalogue/uFwHeader.h"

#include "ui/win32/uWinKit.h"

#include <windows.h>

// Command identifiers of the controls (the OK button is IDOK).
constexpr int cID_INFO_LIST = 100;

class TfrmInfo : public TWinForm {
public:
  // Created hidden, owned by the main window hOwner.
  explicit TfrmInfo(HWND hOwner);
  ~TfrmInfo() override;

  // Fills the list, places the window at ALeft, ATop with the outer height AHeight, fits its
  // width to the columns and shows it modally; IDOK when closed with OK. AWidth is not used.
  int Execute(int ALeft, int ATop, int AWidth, int AHeight);
  // The same without showing: what Execute prepares.
  void Prepare(int ALeft, int ATop, int AHeight);
  void AddRow(const TBl3FileHeader& header);
  // Sizes every column to the larger of its header and its contents, plus 5 (design pixels);
  // the sum of the widths.
  static int FitColumns(HWND list);

  HWND ListView1 = nullptr;
  HWND Button1 = nullptr;

private:
  LRESULT HandleMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) override;
  void PlaceControls();

  UINT FnDpi = 96;
  bool FbDone = true;
  int FnResult = 0;
};

extern TfrmInfo* frmInfo;
