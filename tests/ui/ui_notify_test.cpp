// The handling of every worker notification: report line, status text, message window, beep,
// progress and title, and the repeats. The notifications come from a scripted worker through
// the same posted events as a real run.
#include "uUiTestKit.h"

#include "catalogue/uFWVersions.h"
#include "engine/uSwitches.h"
#include "ui/uMessage.h"
#include "ui/uProtocol.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

class TestNotifications : public QObject {
  Q_OBJECT

private slots:
  void reportOnlyNotifications_data();
  void reportOnlyNotifications();
  void programmingStartsAndProgress();
  void doneAnnouncesTheImage();
  void failureTable_data();
  void failureTable();
  void conversionErrorShowsOnlyTheMessage();
  void programmingErrorRepeatsAtOnce();
  void finalMessageFallsBackToPlainBox();
};

void TestNotifications::reportOnlyNotifications_data() {
  QTest::addColumn<uint>("nCode");
  QTest::addColumn<uint>("nValue");
  QTest::addColumn<QString>("sReport");
  QTest::newRow("class") << uint(cMSG_CLASS) << 26113u << "Class 26113 [" + ClassText(26113) + "]";
  QTest::newRow("class unknown") << uint(cMSG_CLASS) << 65535u
                                 << "Class 65535 [" + ClassText(65535) + "]";
  QTest::newRow("version") << uint(cMSG_VERSION) << 0x0512u << "Version 5.18";
  QTest::newRow("platform") << uint(cMSG_PLATFORM) << 24u
                            << "Platform 24 [" + PlatformText(24) + "]";
  QTest::newRow("print") << uint(cMSG_PRINT) << 53u << "Print 53 [" + PrintText(53) + "]";
  QTest::newRow("info") << uint(cMSG_INFO) << 7u << "Info 7";
  QTest::newRow("update class") << uint(cMSG_UPD_CLASS) << 26113u
                                << "Update class 26113 [" + ClassText(26113) + "]";
  QTest::newRow("update info") << uint(cMSG_UPD_INFO) << 0x1Au << "Update Info 001A";
  QTest::newRow("check image 12") << uint(cMSG_CHECK) << 12u
                                  << "Check Tarvik V6.20, " + PrintText(53) + ", BL3.0";
  QTest::newRow("check image 3") << uint(cMSG_CHECK) << 3u
                                 << "Check Tarvik V5.08, " + PrintText(2) + ", BL2.0";
  QTest::newRow("vector saved") << uint(cMSG_VECTOR) << 0u << "Vector table is saved.";
  QTest::newRow("vector programmed") << uint(cMSG_VECTOR) << 1u << "Vector table is programmed.";
  QTest::newRow("vector other") << uint(cMSG_VECTOR) << 2u << QString();
  QTest::newRow("conversion line")
      << uint(cMSG_CONV_ERROR) << 17u << "Aborted because conversion error at line  17 !";
  QTest::newRow("unknown code") << 99u << 1u << QString();
}

// A notification in the middle of a run: one report line, nothing else changes.
void TestNotifications::reportOnlyNotifications() {
  QFETCH(uint, nCode);
  QFETCH(uint, nValue);
  QFETCH(QString, sReport);
  TWindowSetup rSetup(true);
  TModalWatcher& rWatcher = rSetup.Watcher;
  TScriptedThread::Queue({{nCode, nValue}, {cMSG_FAILURE, 20, true}});
  rSetup.Main()->btnProg->click();
  const QString sStart = "Start at serial port \"/dev/ttyUSB0\"";
  const QStringList slExpected =
      sReport.isEmpty() ? QStringList{sStart} : QStringList{sStart, sReport};
  QTRY_COMPARE(rSetup.ReportTexts(), slExpected);
  QTest::qWait(20);
  QCOMPARE(rSetup.ReportTexts(), slExpected);
  QCOMPARE(rSetup.Main()->StatusText(), sStart);
  QVERIFY(rSetup.Main()->IsRunning());
  QVERIFY(rWatcher.slSeen.isEmpty());
  QCOMPARE(rSetup.nBeeps, 0);
  QCOMPARE(rSetup.Main()->windowTitle(), QString("Tarvik Firmware Update"));
  rSetup.Main()->btnCancel->click();
  QVERIFY(WaitIdle());
}

void TestNotifications::programmingStartsAndProgress() {
  TWindowSetup rSetup(true);
  TScriptedThread::Queue(
      {{cMSG_PROGRAM, 0, false, 12}, {cMSG_PROGRESS, 42}, {cMSG_FAILURE, 20, true}});
  rSetup.Main()->btnProg->click();
  const QString sProgram = "Update Tarvik V6.20, " + PrintText(53) + ", BL3.0";
  QTRY_COMPARE(rSetup.ReportTexts().size(), 3);
  QCOMPARE(rSetup.ReportTexts().mid(1), (QStringList{sProgram, "Progress 42%"}));
  QCOMPARE(rSetup.Main()->StatusText(), sProgram);
  QCOMPARE(rSetup.Main()->ProgressBar1->value(), 42);
  QCOMPARE(rSetup.Main()->windowTitle(), QString("42%"));

  rSetup.Main()->btnCancel->click();
  QVERIFY(WaitIdle());
  QCOMPARE(rSetup.Main()->ProgressBar1->value(), 42);
  QCOMPARE(rSetup.Main()->windowTitle(), QString("Tarvik Firmware Update"));
}

void TestNotifications::doneAnnouncesTheImage() {
  TWindowSetup rSetup(true);
  TModalWatcher& rWatcher = rSetup.Watcher;
  TScriptedThread::Queue({{cMSG_CHECK, 1}, {cMSG_PROGRESS, 99, false, 6}, {cMSG_DONE, 0}});
  rSetup.Main()->btnProg->click();
  QVERIFY(WaitIdle());
  const QString sDone = "Update Tarvik V5.126 succesfully completed.";
  QCOMPARE(rSetup.ReportTexts().last(), sDone);
  QCOMPARE(rSetup.Main()->StatusText(), sDone);
  QCOMPARE(rWatcher.slSeen, QStringList{"Information: " + sDone});
  QCOMPARE(rSetup.Main()->ProgressBar1->value(), 100);
  QCOMPARE(rSetup.Main()->windowTitle(), QString("Tarvik Firmware Update"));
  QVERIFY(rSetup.Main()->btnProg->isEnabled());
  QCOMPARE(rSetup.nBeeps, 0);
  QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void TestNotifications::failureTable_data() {
  QTest::addColumn<uint>("nCode");
  QTest::addColumn<QString>("sText");
  QTest::newRow("10") << 10u << "Aborted because serial port \"/dev/ttyUSB0\" is not ready!";
  QTest::newRow("11") << 11u << "Aborted because error when reading/writing to serial port!";
  QTest::newRow("20") << 20u << "Process cancelled!";
  QTest::newRow("40") << 40u << "Aborted because no update is available for this logger!";
  QTest::newRow("41") << 41u << "Aborted because the logger is not ready!";
  QTest::newRow("42") << 42u << "Aborted because last line is wrong !";
  QTest::newRow("45") << 45u << "Update was not successfull!";
  QTest::newRow("46") << 46u << "Aborted because the logger transmitted an invalid answer!";
  QTest::newRow("47") << 47u << "There is no update available or the logger has another update ID!";
  QTest::newRow("70") << 70u << "Only read update info!";
  QTest::newRow("0") << 0u << "Fatal Exception has occurred!";
  QTest::newRow("12 unknown") << 12u << "Fatal Exception has occurred!";
  QTest::newRow("30 as failure") << 30u << "Fatal Exception has occurred!";
}

// Announced failures: idle again, one beep, then report line, status and message window.
void TestNotifications::failureTable() {
  QFETCH(uint, nCode);
  QFETCH(QString, sText);
  TWindowSetup rSetup(true);
  TModalWatcher& rWatcher = rSetup.Watcher;
  int nBeepsAtMessage = -1;
  // The beep comes before the message.
  gBeep = [&rSetup, &rWatcher, &nBeepsAtMessage] {
    ++rSetup.nBeeps;
    nBeepsAtMessage = static_cast<int>(rWatcher.slSeen.size());
  };
  TScriptedThread::Queue({{cMSG_FAILURE, nCode}});
  rSetup.Main()->btnProg->click();
  QVERIFY(WaitIdle());
  QCOMPARE(rSetup.ReportTexts(), (QStringList{"Start at serial port \"/dev/ttyUSB0\"", sText}));
  QCOMPARE(rSetup.Main()->StatusText(), sText);
  QCOMPARE(rWatcher.slSeen, QStringList{"Information: " + sText});
  QCOMPARE(rSetup.nBeeps, 1);
  QCOMPARE(nBeepsAtMessage, 0);
  QCOMPARE(TScriptedThread::Runs(), 1);
  QVERIFY(rSetup.Main()->btnProg->isEnabled());
  QCOMPARE(rSetup.Main()->windowTitle(), QString("Tarvik Firmware Update"));
}

void TestNotifications::conversionErrorShowsOnlyTheMessage() {
  TWindowSetup rSetup(true);
  TModalWatcher& rWatcher = rSetup.Watcher;
  TScriptedThread::Queue({{cMSG_CONV_ERROR, 5}, {cMSG_FAILURE, 43}});
  rSetup.Main()->btnProg->click();
  QVERIFY(WaitIdle());
  QCOMPARE(rSetup.ReportTexts(), (QStringList{"Start at serial port \"/dev/ttyUSB0\"",
                                              "Aborted because conversion error at line  5 !"}));
  QCOMPARE(rSetup.Main()->StatusText(), QString("Start at serial port \"/dev/ttyUSB0\""));
  QCOMPARE(rWatcher.slSeen, QStringList{"Information: Aborted because conversion error!"});
  QCOMPARE(rSetup.nBeeps, 1);
}

void TestNotifications::programmingErrorRepeatsAtOnce() {
  TWindowSetup rSetup(true);
  TModalWatcher& rWatcher = rSetup.Watcher;
  TScriptedThread::Queue({{cMSG_PROG_ERROR, 33}, {cMSG_FAILURE, 44, true}});
  TScriptedThread::Queue({{cMSG_FAILURE, 20}});
  rSetup.Main()->btnProg->click();
  // Cancel during the failed try does not carry over to the repeat.
  QTRY_COMPARE(rSetup.ReportTexts().size(), 2);
  rSetup.Main()->btnCancel->click();
  QTRY_COMPARE(TScriptedThread::Runs(), 2);
  QVERIFY(WaitIdle());
  QCOMPARE(TScriptedThread::CancelAtStart(), (std::vector<bool>{false, false}));
  QCOMPARE(rSetup.ReportTexts(),
           (QStringList{"Start at serial port \"/dev/ttyUSB0\"",
                        "Aborted because programming error at line 33 !",
                        "Repeat because programming error!",
                        "Start at serial port \"/dev/ttyUSB0\"", "Process cancelled!"}));
  // Only the second try's end shows a message; both ends beep.
  QCOMPARE(rWatcher.slSeen, QStringList{"Information: Process cancelled!"});
  QCOMPARE(rSetup.nBeeps, 2);
}

void TestNotifications::finalMessageFallsBackToPlainBox() {
  TWindowSetup rSetup(true);
  TModalWatcher& rWatcher = rSetup.Watcher;
  delete frmMessage;
  frmMessage = nullptr;
  TScriptedThread::Queue({{cMSG_FAILURE, 41}});
  rSetup.Main()->btnProg->click();
  QVERIFY(WaitIdle());
  QCOMPARE(rWatcher.slSeen,
           QStringList{"Tarvik Firmware Update: Aborted because the logger is not ready!"});
}

QTEST_MAIN(TestNotifications)
#include "ui_notify_test.moc"
