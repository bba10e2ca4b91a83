// The report window: one time-stamped line for every step of the current run. It hangs
// below the main window and is shown only in internal mode.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

constexpr int cID_REPORT_MEMO = 100;

class TfrmProtocol {
public:
  // Created hidden, owned by the main window hOwner.
  explicit TfrmProtocol(HWND hOwner);
  ~TfrmProtocol();
  TfrmProtocol(const TfrmProtocol&) = delete;
  TfrmProtocol& operator=(const TfrmProtocol&) = delete;

  // Appends "hh-nn-ss -> sLine".
  void Add(const std::string& sLine);
  void Clear();
  // Places the window below the main window, as wide as it, and empties the report.
  void FormCreate();
  // Shown without taking the focus from the main window.
  void Show();

  std::vector<std::string> Lines() const;
  HWND Handle() const { return FhWindow; }

  HWND Memo1 = nullptr;

private:
  static LRESULT CALLBACK WindowProc(HWND hWindow, UINT nMsg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT nMsg, WPARAM wParam, LPARAM lParam);
  void SetFontFor(UINT nDpi);

  HWND FhOwner;
  HWND FhWindow = nullptr;
  HFONT FhFont = nullptr;
  bool FbShown = false;
};

extern TfrmProtocol* frmProtocol;
