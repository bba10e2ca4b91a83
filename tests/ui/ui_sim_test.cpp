// The real window drives a complete update of the simulated logger: Update, identification,
// programming, the final message, and the report's lines in their order.
#include "uSimLogger.h"
#include "uUiTestKit.h"

#include "engine/uTarvikCommThread.h"
#include "ui/uPortHint.h"
#include "ui/uPortList.h"
#include "ui/uProtocol.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>

class TestWindowWithSimulator : public QObject {
  Q_OBJECT

private slots:
  // A failed check prints what the simulator saw.
  void initTestCase() {
    gpSimTestFailed = [] { return QTest::currentTestFailed(); };
  }
  void updateRunsToItsSuccessMessage();
  void missingPortEndsWithItsText();
  void closingDuringProgrammingEndsTheWorkerFirst();
};

void TestWindowWithSimulator::updateRunsToItsSuccessMessage() {
  TSimLogger rSim;
  const QString sPort = QString::fromStdString(rSim.Port());
  TWindowSetup rSetup(false, {"port:" + rSim.Port()});
  gCommThreadClass = &TCommThread::Create<TTarvikCommThread>;
  TfrmMain* pMain = rSetup.Main();
  QCOMPARE(pMain->cbxPort->currentText(), sPort);
  QStringList slTitles;
  connect(pMain, &QWidget::windowTitleChanged,
          [&slTitles](const QString& sTitle) { slTitles << sTitle; });

  pMain->btnProg->click();
  QCOMPARE(rSetup.slQuestions.size(), 1);
  QVERIFY(pMain->IsRunning());
  QVERIFY(WaitIdle(90000));

  const QString sDone = "Update Tarvik V6.20 succesfully completed.";
  QCOMPARE(rSetup.Watcher.slSeen, QStringList{"Information: " + sDone});
  QCOMPARE(pMain->StatusText(), sDone);
  QCOMPARE(pMain->ProgressBar1->value(), 100);
  QCOMPARE(pMain->windowTitle(), QString("Tarvik Firmware Update"));
  QCOMPARE(rSetup.nBeeps, 0);
  QVERIFY(slTitles.contains("50%"));
  QCOMPARE(slTitles.last(), QString("Tarvik Firmware Update"));

  // The report in its order: start, identification, hardware, choice, programming with
  // rising progress, the held-back vector table, the check after the restart, success.
  const QStringList slReport = rSetup.ReportTexts();
  const QStringList slInOrder = {"Start at serial port \"" + sPort + "\"",
                                 "Class 26113 [Tarvik]",
                                 "Version 6.20",
                                 "Update Info 0000",
                                 "Check Tarvik V6.20, A9g, BL3.0",
                                 "Update Tarvik V6.20, A9g, BL3.0",
                                 "Progress 1%",
                                 "Vector table is saved.",
                                 "Progress 98%",
                                 "Vector table is programmed.",
                                 "Class 26113 [Tarvik]",
                                 sDone};
  qsizetype nAt = 0;
  for (const QString& sLine : slInOrder) {
    const qsizetype nFound = slReport.indexOf(sLine, nAt);
    QVERIFY2(nFound >= 0, qPrintable("missing in order: " + sLine + "\n" + slReport.join('\n')));
    nAt = nFound + 1;
  }
  QCOMPARE(slReport.first(), slInOrder.first());
  QCOMPARE(slReport.last(), sDone);
  int nLastPercent = 0;
  static const QRegularExpression rProgress("^Progress (\\d+)%$");
  for (const QString& sLine : slReport) {
    QVERIFY2(!sLine.startsWith("BAD STAMP"), qPrintable(sLine));
    const QRegularExpressionMatch rMatch = rProgress.match(sLine);
    if (rMatch.hasMatch()) {
      QVERIFY(rMatch.captured(1).toInt() > nLastPercent);
      nLastPercent = rMatch.captured(1).toInt();
    }
  }
  QVERIFY(!rSim.ReadFlash().empty());
}

void TestWindowWithSimulator::missingPortEndsWithItsText() {
  TWindowSetup rSetup(true, {"port:/dev/tarvik-no-such-port"});
  gCommThreadClass = &TCommThread::Create<TTarvikCommThread>;
  rSetup.Main()->btnProg->click();
  QVERIFY(WaitIdle(10000));
  const QString sText = "Aborted because serial port \"/dev/tarvik-no-such-port\" is not ready!";
  QCOMPARE(rSetup.ReportTexts(),
           (QStringList{"Start at serial port \"/dev/tarvik-no-such-port\"", sText}));
  // Why, below the fixed text in the message window.
  std::vector<std::string> slPortsNow;
  FillPortList(slPortsNow);
  const QString sHint = QString::fromStdString("There is no device /dev/tarvik-no-such-port. " +
                                               PortsNowText(slPortsNow));
  QCOMPARE(rSetup.Watcher.slSeen, QStringList{"Information: " + sText + "\n\n" + sHint});
  QCOMPARE(rSetup.nBeeps, 1);
}

void TestWindowWithSimulator::closingDuringProgrammingEndsTheWorkerFirst() {
  TSimLogger rSim;
  TWindowSetup rSetup(true, {"port:" + rSim.Port()});
  gCommThreadClass = &TCommThread::Create<TTarvikCommThread>;
  TfrmMain* pMain = rSetup.Main();
  pMain->btnProg->click();
  QTRY_VERIFY_WITH_TIMEOUT(rSetup.ReportTexts().contains("Progress 5%"), 30000);
  QElapsedTimer rTimer;
  rTimer.start();
  QVERIFY(pMain->close());
  // The worker saw the cancel at its next exchange, closed the port and ended.
  QVERIFY(rTimer.elapsed() < 3000);
  QCOMPARE(TCommThread::LiveWorkers(), 0);
  QVERIFY(!pMain->IsRunning());
  QVERIFY(rSetup.Watcher.slSeen.isEmpty());
  QCOMPARE(rSetup.nBeeps, 0);
}

QTEST_MAIN(TestWindowWithSimulator)
#include "ui_sim_test.moc"
