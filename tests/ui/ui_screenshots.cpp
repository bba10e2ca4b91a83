// Renders the windows for the documentation: the main window during a run, the report, the
// overview and a final message, each into a PNG file of the folder given as argument.
// The run is scripted (no logger needed); the windows are the program's own.
#include "uUiTestKit.h"

#include "ui/uInfo.h"
#include "ui/uMessage.h"
#include "ui/uProtocol.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTest>

#include <cstdio>

namespace {

bool Save(QWidget* pWindow, const QString& sFile) {
  QTest::qWait(100); // let the window paint itself once
  const bool bSaved = pWindow->grab().save(sFile, "PNG");
  std::printf("%s %s\n", bSaved ? "wrote" : "FAILED", qPrintable(sFile));
  return bSaved;
}

} // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  const QString sDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("docs");
  QDir().mkpath(sDir);
  bool bOk = true;
  {
    TWindowSetup rSetup(true, {"port:/dev/ttyUSB0"}, {"/dev/ttyUSB0", "/dev/ttyUSB1"});
    TfrmMain* pMain = rSetup.Main();
    frmProtocol->resize(frmProtocol->width(), 260);
    QTest::qWait(50);

    // The worker waits for a Cancel that the program presses last.
    TScriptedThread::Queue(RunStoppingAt42());
    pMain->btnProg->click();
    bOk &= QTest::qWaitFor([] { return frmMain->windowTitle() == "42%"; }, 5000);
    bOk &= Save(pMain, sDir + "/main-window.png");
    bOk &= Save(frmProtocol, sDir + "/report.png");
    pMain->btnCancel->click();
    bOk &= WaitIdle();

    frmInfo->Prepare(pMain->x(), pMain->y(), 330);
    frmInfo->show();
    bOk &= Save(frmInfo, sDir + "/overview.png");
    frmInfo->hide();

    const QRect rMain = pMain->frameGeometry();
    frmMessage->PlaceOver(rMain.x(), rMain.y(), rMain.width(), rMain.height());
    frmMessage->Memo1->setPlainText("Update Tarvik V6.20 succesfully completed.");
    frmMessage->show();
    bOk &= Save(frmMessage, sDir + "/final-message.png");
    frmMessage->hide();
  }
  return bOk ? 0 : 1;
}
