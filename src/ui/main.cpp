// Tarvik Firmware Update: the operator's window.
#include "engine/uTarvikCommThread.h"
#include "ui/uInitForms.h"
#include "ui/uMain.h"
#include "ui/uWinTools1V4.h"

#include <QApplication>

namespace {
constexpr std::uint32_t cEXIT_WAIT_MS = 2000;
}

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  SetProgramArgs(argc, argv);
  gCommThreadClass = &TCommThread::Create<TTarvikCommThread>;

  int nResult = 0;
  {
    TfrmMain rMain;
    frmMain = &rMain;
    // Shown first, so the report window is placed against the frame the main window really has.
    rMain.show();
    InitForms();
    nResult = QApplication::exec();
    DoneForms();
  }
  // A worker still on its way out after a close gets a moment to release the port.
  TCommThread::WaitForWorkers(cEXIT_WAIT_MS);
  return nResult;
}
