// The report window: one time-stamped line for every step of the current run. It hangs
// below the main window and is shown only in internal mode.
#pragma once

#include "ui/win32/uWinKit.h"

#include <windows.h>

#include <string>
#include <vector>

constexpr int cID_REPORT_MEMO = 100;

class TfrmProtocol : public TWinForm {
public:
  // Created hidden, owned by the main window hOwner.
  explicit TfrmProtocol(HWND hOwner);
  ~TfrmProtocol() override;

  // Appends "hh-nn-ss -> sLine".
  void Add(const std::string& sLine);
  void Clear();
  // Places the window below the main window, as wide as it, and empties the report.
  void FormCreate();
  // Shown without taking the focus from the main window.
  void Show();

  std::vector<std::string> Lines() const;

  HWND Memo1 = nullptr;

private:
  LRESULT HandleMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) override;

  HWND FhOwner;
  bool FbShown = false;
};

extern TfrmProtocol* frmProtocol;
