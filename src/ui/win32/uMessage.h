// The message window: the final message of a run, placed over the main window, modal until
// the operator presses OK.
#pragma once

#include "ui/win32/uWinKit.h"

#include <windows.h>

#include <string>

// Command identifiers of the controls (the OK button is IDOK).
constexpr int cID_MESSAGE_MEMO = 100;

class TfrmMessage : public TWinForm {
public:
  // Created hidden, owned by the main window hOwner.
  explicit TfrmMessage(HWND hOwner);
  ~TfrmMessage() override;

  // Sits inside the window x, y, w, h (its visible frame): 10 pixels in from its left and
  // right edges, the lower edge 10 pixels above its lower edge. Returns when it is closed.
  void showMsg(const std::string& sMsg, int x, int y, int w, int h);
  // The placement alone, without showing.
  void PlaceOver(int x, int y, int w, int h);
  void Button1Click();

  HWND Memo1 = nullptr;
  HWND Button1 = nullptr;

private:
  LRESULT HandleMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) override;
  // The font, the client height and the controls for nDpi.
  void Layout(UINT nDpi);
  void PlaceControls();

  UINT FnDpi = 96;
  bool FbDone = true;
};

extern TfrmMessage* frmMessage;
