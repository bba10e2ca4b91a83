#include "ui/win32/uInitForms.h"

#include "ui/win32/uInfo.h"
#include "ui/win32/uMain.h"
#include "ui/win32/uMessage.h"
#include "ui/win32/uProtocol.h"

void InitForms() {
  const HWND hMain = frmMain != nullptr ? frmMain->Handle() : nullptr;
  frmInfo = new TfrmInfo(hMain);
  frmProtocol = new TfrmProtocol(hMain);
  frmProtocol->FormCreate();
  frmMessage = new TfrmMessage(hMain);
}

void DoneForms() {
  delete frmMessage;
  frmMessage = nullptr;
  delete frmProtocol;
  frmProtocol = nullptr;
  delete frmInfo;
  frmInfo = nullptr;
}
