#include "ui/uInitForms.h"

#include "ui/uInfo.h"
#include "ui/uMessage.h"
#include "ui/uProtocol.h"

void InitForms() {
  frmInfo = new TfrmInfo();
  frmProtocol = new TfrmProtocol();
  frmProtocol->FormCreate();
  frmMessage = new TfrmMessage();
}

void DoneForms() {
  delete frmMessage;
  frmMessage = nullptr;
  delete frmProtocol;
  frmProtocol = nullptr;
  delete frmInfo;
  frmInfo = nullptr;
}
