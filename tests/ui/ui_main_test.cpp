// The main window: layout of each access level, the question before an update, the idle and
// running states, the File button and "File version" with files that cannot be used, closing
// during a run, the report window's first showing and its place below the main window.
#include "uUiTestKit.h"

#include "catalogue/uFWVersions.h"
#include "engine/uSwitches.h"
#include "engine/uTarvikCommThread.h"
#include "ui/uNotifyText.h"
#include "ui/uProtocol.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>

using TArgs = std::vector<std::string>;
Q_DECLARE_METATYPE(TArgs)

namespace {

// A firmware file with a readable header and a two-line image.
QString WriteFirmwareFile(const QTemporaryDir& rDir, const QString& sName,
                          const QByteArray& sHead) {
  QFile rFile(rDir.filePath(sName));
  if (!rFile.open(QIODevice::WriteOnly)) {
    return {};
  }
  rFile.write(sHead);
  rFile.write(":40000000" + QByteArray(128, '0') + "C0\r\n:00000001FF\r\n");
  return rFile.fileName();
}

const QByteArray cGOOD_HEAD =
    "bootloader=3\r\nbootloader version=0\r\nclass=26113\r\nversionH=6\r\n"
    "versionL=20\r\nplatform=24\r\nprint=53\r\ndate=21.09.2023\r\n";
// The questions, as the operator reads them.
const QString cSAVE = "Do you save your measurements ?\r\nDo you really continue without saving ?";
const QString cCLEARS = "This update clears all measurements!\r\nDo you really continue ?";
const QString cCLOSE = "The update is not finished!\r\nDo you really close the program ?";

const QByteArray cBAD_HEAD = "bootloader=3\r\nbootloader version=zero\r\nclass=26113\r\n"
                             "versionH=6\r\nversionL=20\r\nplatform=24\r\nprint=53\r\ndate=x\r\n";

} // namespace

class TestMainWindow : public QObject {
  Q_OBJECT

private slots:
  void layoutOfEachAccessLevel_data();
  void layoutOfEachAccessLevel();
  void captionsMenuAndTabOrder();
  void questionBeforeUpdate_data();
  void questionBeforeUpdate();
  void questionDialogSaysConfirmYesNo();
  void runningAndIdleStates();
  void readInfoOnlyBoxReachesTheEngine();
  void typedPortAndPortOption();
  void fileButtonWithUnreadableHeaderStartsNoRun();
  void fileButtonRunsTheFileImage();
  void fileVersionMenu();
  void closingIdleAsksNothing();
  void closingDuringRunWaitsForTheWorker();
  void reportWindowShownOnceAtFirstIdle();
  void reportWindowFollowsTheMainWindow();
};

void TestMainWindow::layoutOfEachAccessLevel_data() {
  QTest::addColumn<bool>("bInternal");
  QTest::addColumn<TArgs>("aArgs");
  QTest::addColumn<int>("nLevel");
  QTest::addColumn<bool>("bFileAccess");
  QTest::newRow("normal") << false << TArgs{} << 0 << false;
  QTest::newRow("normal f:+ ignored") << false << TArgs{"f:+"} << 0 << false;
  QTest::newRow("internal") << true << TArgs{} << 1 << false;
  QTest::newRow("internal f:-") << true << TArgs{"f:-"} << 1 << false;
  QTest::newRow("internal f:+") << true << TArgs{"f:+"} << 2 << true;
}

void TestMainWindow::layoutOfEachAccessLevel() {
  QFETCH(bool, bInternal);
  QFETCH(TArgs, aArgs);
  QFETCH(int, nLevel);
  QFETCH(bool, bFileAccess);
  TWindowSetup rSetup(bInternal, aArgs);
  TfrmMain* pMain = rSetup.Main();

  QCOMPARE(gnAccessLevel, nLevel);
  QCOMPARE(pMain->windowTitle(), QString("Tarvik Firmware Update"));
  QCOMPARE(pMain->menInfo->title(), QString("Info v2023-09-21"));
  QCOMPARE(pMain->width(), 355);
  QCOMPARE(pMain->Panel1->height(), 161);
  QCOMPARE(pMain->StatusBar1->height(), 15);
  QCOMPARE(pMain->height() - pMain->menuBar()->sizeHint().height(), 161 + 15);
  QCOMPARE(pMain->StatusBar1->y(), pMain->Panel1->y() + 161);
  QCOMPARE(pMain->cbxPort->geometry().topLeft(), QPoint(77, 11));
  QCOMPARE(pMain->cbxPort->width(), 263);
  QCOMPARE(pMain->ProgressBar1->geometry(), QRect(13, 46, 327, 26));
  QCOMPARE(pMain->btnClose->geometry(), QRect(200, 86, 111, 32));
  QCOMPARE(pMain->btnCancel->geometry(), QRect(200, 86, 111, 32));
  QVERIFY(pMain->btnCancel->isHidden());
  QVERIFY(!pMain->btnClose->isHidden());
  QCOMPARE(pMain->chkReadInfoOnly->isHidden(), !(bInternal && gbReadInfoOnlySupported));
  QVERIFY(!pMain->chkReadInfoOnly->isChecked());
  QCOMPARE(pMain->menInfoFile->isVisible(), bFileAccess);
  QCOMPARE(pMain->btnFile->isHidden(), !bFileAccess);
  if (bFileAccess) {
    QCOMPARE(pMain->btnProg->geometry(), QRect(40, 86, 55, 32));
    QCOMPARE(pMain->btnFile->geometry(), QRect(103, 86, 55, 32));
  } else {
    QCOMPARE(pMain->btnProg->geometry(), QRect(40, 86, 111, 32));
  }
  QCOMPARE(pMain->StatusText(), QString());
  QCOMPARE(pMain->cbxPort->currentText(), QString("/dev/ttyUSB0"));
}

void TestMainWindow::captionsMenuAndTabOrder() {
  TWindowSetup rSetup(true, {"f:+"});
  TfrmMain* pMain = rSetup.Main();
  QCOMPARE(pMain->Label1->text(), QString("Comport:"));
  QCOMPARE(pMain->Label1->pos(), QPoint(13, 14));
  QCOMPARE(pMain->btnProg->text(), QString("Update"));
  QCOMPARE(pMain->btnFile->text(), QString("File"));
  QCOMPARE(pMain->btnClose->text(), QString("Close"));
  QCOMPARE(pMain->btnCancel->text(), QString("Cancel"));
  QCOMPARE(pMain->chkReadInfoOnly->text(), QString("Read info only"));
  QCOMPARE(pMain->chkReadInfoOnly->geometry(), QRect(26, 134, 116, 14));
  QCOMPARE(pMain->Bevel1->geometry(), QRect(0, 0, 355, 8));
  QVERIFY(pMain->cbxPort->isEditable());
  QCOMPARE(pMain->ProgressBar1->minimum(), 0);
  QCOMPARE(pMain->ProgressBar1->maximum(), 100);
  // Fixed size, minimise button, no maximise button.
  QCOMPARE(pMain->minimumSize(), pMain->maximumSize());
  QVERIFY(pMain->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
  QVERIFY(!pMain->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));

  // "Firmware", "File version", a separator, "Exit".
  QStringList slItems;
  for (const QAction* pAction : pMain->menInfo->actions()) {
    slItems << (pAction->isSeparator() ? QString("-") : pAction->text());
  }
  QCOMPARE(slItems, (QStringList{"Firmware", "File version", "-", "Exit"}));
  QCOMPARE(pMain->menuBar()->actions(), QList<QAction*>{pMain->menInfo->menuAction()});

  // Port box, progress bar, Update, Cancel, Close, File, check box.
  const QList<QWidget*> aOrder{pMain->cbxPort,        pMain->ProgressBar1, pMain->btnProg,
                               pMain->btnCancel,      pMain->btnClose,     pMain->btnFile,
                               pMain->chkReadInfoOnly};
  QList<QWidget*> aChain;
  QWidget* pWidget = pMain->cbxPort;
  do {
    if (aOrder.contains(pWidget)) {
      aChain << pWidget;
    }
    pWidget = pWidget->nextInFocusChain();
  } while (pWidget != pMain->cbxPort && aChain.size() < aOrder.size());
  QCOMPARE(aChain, aOrder);
}

void TestMainWindow::questionBeforeUpdate_data() {
  QTest::addColumn<bool>("bInternal");
  QTest::addColumn<TArgs>("aArgs");
  QTest::addColumn<QString>("sQuestion");
  QTest::addColumn<QString>("sStatus");
  QTest::newRow("normal") << false << TArgs{} << cSAVE << QString();
  QTest::newRow("internal asks nothing") << true << TArgs{} << QString() << QString();
  QTest::newRow("normal clearing") << false << TArgs{"mf:+"} << cCLEARS << QString("F");
  QTest::newRow("internal clearing") << true << TArgs{"mf:+"} << cCLEARS << QString("F");
  QTest::newRow("file access clearing")
      << true << TArgs{"f:+", "MF:+", "mf:-"} << cCLEARS << QString("F");
  QTest::newRow("clearing switched off") << false << TArgs{"mf:-"} << cSAVE << QString();
}

void TestMainWindow::questionBeforeUpdate() {
  QFETCH(bool, bInternal);
  QFETCH(TArgs, aArgs);
  QFETCH(QString, sQuestion);
  QFETCH(QString, sStatus);
  TWindowSetup rSetup(bInternal, aArgs);
  TfrmMain* pMain = rSetup.Main();
  QCOMPARE(pMain->StatusText(), sStatus);
  frmProtocol->Add("earlier run");

  // "No" changes nothing: no run, the report stays.
  rSetup.bAnswerYes = false;
  pMain->btnProg->click();
  if (!sQuestion.isEmpty()) {
    QCOMPARE(rSetup.slQuestions, QStringList{sQuestion});
    QCOMPARE(TScriptedThread::Runs(), 0);
    QCOMPARE(rSetup.ReportTexts(), QStringList{"earlier run"});
    QVERIFY(!pMain->IsRunning());
    QCOMPARE(pMain->StatusText(), sStatus);
  } else {
    QVERIFY(rSetup.slQuestions.isEmpty());
    QCOMPARE(TScriptedThread::Runs(), 1);
  }
  QVERIFY(WaitIdle());

  // "Yes" clears the report and starts a run on the port of the box.
  rSetup.bAnswerYes = true;
  rSetup.slQuestions.clear();
  const int nRunsBefore = TScriptedThread::Runs();
  pMain->btnProg->click();
  QCOMPARE(rSetup.slQuestions.size(), sQuestion.isEmpty() ? 0 : 1);
  QCOMPARE(TScriptedThread::Runs(), nRunsBefore + 1);
  QVERIFY(WaitIdle());
  QCOMPARE(rSetup.ReportTexts().value(0), QString("Start at serial port \"/dev/ttyUSB0\""));
}

void TestMainWindow::questionDialogSaysConfirmYesNo() {
  TWindowSetup rSetup(false);
  gAskQuestion = AskConfirm;
  TModalWatcher& rWatcher = rSetup.Watcher;
  rWatcher.bAnswerYes = false;
  rSetup.Main()->btnProg->click();
  QCOMPARE(rWatcher.sLastTitle, QString("Confirm"));
  QStringList slButtons = rWatcher.slButtons;
  slButtons.sort();
  QCOMPARE(slButtons, (QStringList{"No", "Yes"}));
  QCOMPARE(rWatcher.slSeen.value(0),
           QString("Confirm: Do you save your measurements ?\nDo you really continue without "
                   "saving ?"));
  QCOMPARE(TScriptedThread::Runs(), 0);

  rWatcher.bAnswerYes = true;
  rSetup.Main()->btnProg->click();
  QCOMPARE(TScriptedThread::Runs(), 1);
}

void TestMainWindow::runningAndIdleStates() {
  TWindowSetup rSetup(true, {"f:+"});
  TfrmMain* pMain = rSetup.Main();
  TModalWatcher& rWatcher = rSetup.Watcher;
  TScriptedThread::Queue({{cMSG_PROGRESS, 42}, {cMSG_FAILURE, 20, true}});
  pMain->btnProg->click();

  QVERIFY(pMain->IsRunning());
  QVERIFY(!pMain->btnProg->isEnabled());
  QVERIFY(pMain->btnClose->isHidden());
  QVERIFY(!pMain->btnCancel->isHidden());
  QVERIFY(!pMain->cbxPort->isEnabled());
  QVERIFY(!pMain->btnFile->isEnabled());
  QVERIFY(!pMain->chkReadInfoOnly->isEnabled());
  QVERIFY(!pMain->menInfo->menuAction()->isEnabled());
  QVERIFY(QApplication::overrideCursor() != nullptr);
  QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  QCOMPARE(pMain->StatusText(), QString("Start at serial port \"/dev/ttyUSB0\""));
  QTRY_COMPARE(pMain->windowTitle(), QString("42%"));
  QVERIFY(pMain->IsRunning());

  pMain->btnCancel->click();
  QVERIFY(gbCancel);
  QVERIFY(WaitIdle());
  QVERIFY(pMain->btnProg->isEnabled());
  QVERIFY(!pMain->btnClose->isHidden());
  QVERIFY(pMain->btnCancel->isHidden());
  QVERIFY(pMain->cbxPort->isEnabled());
  QVERIFY(pMain->btnFile->isEnabled());
  QVERIFY(pMain->chkReadInfoOnly->isEnabled());
  QVERIFY(pMain->menInfo->menuAction()->isEnabled());
  QCOMPARE(QApplication::overrideCursor(), nullptr);
  QCOMPARE(pMain->windowTitle(), QString("Tarvik Firmware Update"));
  QCOMPARE(pMain->StatusText(), QString("Process cancelled!"));
  QCOMPARE(pMain->ProgressBar1->value(), 42);
  QCOMPARE(rWatcher.slSeen, QStringList{"Information: Process cancelled!"});
  QCOMPARE(rSetup.nBeeps, 1);
}

void TestMainWindow::readInfoOnlyBoxReachesTheEngine() {
  TWindowSetup rSetup(true);
  rSetup.Main()->chkReadInfoOnly->setChecked(true);
  rSetup.Main()->btnProg->click();
  QVERIFY(gbReadInfoOnly);
  QVERIFY(WaitIdle());
  rSetup.Main()->chkReadInfoOnly->setChecked(false);
  rSetup.Main()->btnProg->click();
  QVERIFY(!gbReadInfoOnly);
  QVERIFY(WaitIdle());
}

void TestMainWindow::typedPortAndPortOption() {
  {
    TWindowSetup rSetup(true, {"port:/dev/pts/9"}, {"/dev/ttyUSB0", "/dev/ttyUSB1"});
    QCOMPARE(rSetup.Main()->cbxPort->count(), 2);
    QCOMPARE(rSetup.Main()->cbxPort->currentText(), QString("/dev/pts/9"));
    rSetup.Main()->cbxPort->setEditText("/dev/typed");
    rSetup.Main()->btnProg->click();
    QVERIFY(WaitIdle());
    QCOMPARE(TScriptedThread::Ports(), std::vector<std::string>{"/dev/typed"});
    QCOMPARE(rSetup.ReportTexts().value(0), QString("Start at serial port \"/dev/typed\""));
  }
  {
    TWindowSetup rSetup(false, {}, {});
    QCOMPARE(rSetup.Main()->cbxPort->count(), 0);
    QCOMPARE(rSetup.Main()->cbxPort->currentText(), QString());
  }
}

void TestMainWindow::fileButtonWithUnreadableHeaderStartsNoRun() {
  QTemporaryDir rDir;
  const QString sFile = WriteFirmwareFile(rDir, "bad.txt", cBAD_HEAD);
  TWindowSetup rSetup(true, {"f:+"});
  QStringList& slErrors = rSetup.slErrors;
  gOpenFileName = [sFile](QWidget*, const QString&) { return sFile; };
  gnFwIndex = 7;
  rSetup.Main()->btnFile->click();
  QCOMPARE(TScriptedThread::Runs(), 0);
  QVERIFY(!rSetup.Main()->IsRunning());
  QVERIFY(rSetup.Main()->btnProg->isEnabled());
  QCOMPARE(gnFwIndex, -1);
  QCOMPARE(slErrors.size(), 1);
  QVERIFY2(slErrors[0].contains("bad.txt"), qPrintable(slErrors[0]));
  QCOMPARE(rSetup.Main()->StatusText(), slErrors[0]);

  // A cancelled dialog does nothing at all.
  gOpenFileName = [](QWidget*, const QString&) { return QString(); };
  rSetup.Main()->btnFile->click();
  QCOMPARE(slErrors.size(), 1);
  QCOMPARE(TScriptedThread::Runs(), 0);
}

void TestMainWindow::fileButtonRunsTheFileImage() {
  QTemporaryDir rDir;
  const QString sFile = WriteFirmwareFile(rDir, "good.txt", cGOOD_HEAD);
  TWindowSetup rSetup(true, {"f:+"});
  TModalWatcher& rWatcher = rSetup.Watcher;
  gOpenFileName = [sFile](QWidget*, const QString&) { return sFile; };
  rSetup.Main()->btnFile->click();
  QCOMPARE(gnFwIndex, 0);
  QCOMPARE(gslFwFileLines.size(), std::size_t{2});
  QCOMPARE(TScriptedThread::Runs(), 1);
  QVERIFY(WaitIdle());
  QCOMPARE(rWatcher.slSeen, QStringList{"Information: Update Tarvik V6.20 succesfully completed."});
}

void TestMainWindow::fileVersionMenu() {
  QTemporaryDir rDir;
  const QString sBad = WriteFirmwareFile(rDir, "bad.txt", cBAD_HEAD);
  const QString sGood = WriteFirmwareFile(rDir, "good.txt", cGOOD_HEAD);
  TWindowSetup rSetup(true, {"f:+"});
  QStringList& slErrors = rSetup.slErrors;
  TModalWatcher& rWatcher = rSetup.Watcher;

  gnFwIndex = 5;
  gOpenFileName = [sBad](QWidget*, const QString&) { return sBad; };
  rSetup.Main()->menInfoFile->trigger();
  QCOMPARE(slErrors.size(), 1);
  QCOMPARE(gnFwIndex, 5);
  QVERIFY(rWatcher.slSeen.isEmpty());

  gOpenFileName = [&rDir](QWidget*, const QString&) { return rDir.filePath("missing.txt"); };
  rSetup.Main()->menInfoFile->trigger();
  QCOMPARE(slErrors.size(), 1);
  QCOMPARE(gnFwIndex, 5);

  gOpenFileName = [sGood](QWidget*, const QString&) { return sGood; };
  rSetup.Main()->menInfoFile->trigger();
  QCOMPARE(gnFwIndex, 0);
  QCOMPARE(rWatcher.slSeen, QStringList{"Overview"});
  QCOMPARE(TScriptedThread::Runs(), 0);
}

void TestMainWindow::closingIdleAsksNothing() {
  TWindowSetup rSetup(false);
  QVERIFY(rSetup.Main()->close());
  QVERIFY(rSetup.slQuestions.isEmpty());
  QVERIFY(!rSetup.Main()->isVisible());
}

void TestMainWindow::closingDuringRunWaitsForTheWorker() {
  TWindowSetup rSetup(true);
  TModalWatcher& rWatcher = rSetup.Watcher;
  TScriptedThread::Queue({{cMSG_CLASS, 26113}, {cMSG_FAILURE, 20, true}});
  rSetup.Main()->btnProg->click();
  QVERIFY(rSetup.Main()->IsRunning());

  rSetup.bAnswerYes = false;
  QVERIFY(!rSetup.Main()->close());
  QCOMPARE(rSetup.slQuestions, QStringList{cCLOSE});
  QVERIFY(rSetup.Main()->IsRunning());
  QVERIFY(!gbCancel);

  rSetup.bAnswerYes = true;
  QElapsedTimer rTimer;
  rTimer.start();
  QVERIFY(rSetup.Main()->close());
  QVERIFY(rTimer.elapsed() < 3000);
  QVERIFY(gbCancel);
  QVERIFY(!rSetup.Main()->IsRunning());
  QCOMPARE(TCommThread::LiveWorkers(), 0);
  // The program is ending: no message window for the cancelled run.
  QTest::qWait(50);
  QVERIFY(rWatcher.slSeen.isEmpty());
  QCOMPARE(rSetup.nBeeps, 0);
}

void TestMainWindow::reportWindowShownOnceAtFirstIdle() {
  {
    TWindowSetup rSetup(false);
    QTest::qWait(50);
    QVERIFY(!frmProtocol->isVisible());
  }
  {
    TWindowSetup rSetup(true);
    QTRY_VERIFY(frmProtocol->isVisible());
    frmProtocol->hide();
    rSetup.Main()->ApplicationEvents1Idle();
    QVERIFY(!frmProtocol->isVisible());
  }
}

void TestMainWindow::reportWindowFollowsTheMainWindow() {
  TWindowSetup rSetup(true);
  TfrmMain* pMain = rSetup.Main();
  QTRY_VERIFY(frmProtocol->isVisible());
  QCOMPARE(frmProtocol->frameGeometry().width(), pMain->frameGeometry().width());
  QCOMPARE(frmProtocol->pos(),
           QPoint(pMain->frameGeometry().left(),
                  pMain->frameGeometry().top() + pMain->frameGeometry().height()));
  frmProtocol->resize(500, 120);
  pMain->move(123, 45);
  QTRY_COMPARE(frmProtocol->pos(),
               QPoint(123 + pMain->frameGeometry().left() - pMain->x(),
                      pMain->frameGeometry().top() + pMain->frameGeometry().height()));
  QCOMPARE(frmProtocol->width(), 500);
}

QTEST_MAIN(TestMainWindow)
#include "ui_main_test.moc"
