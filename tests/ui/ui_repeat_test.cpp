// The repeat after a communication failure: 1.5 s later a new run starts on the same port,
// with the window alive meanwhile; a Cancel pressed before the new run starts ends it.
// Each case waits for the pause, so each is its own ctest entry and they run side by side.
#include "uUiTestKit.h"

#include "ui/uProtocol.h"

#include <QElapsedTimer>
#include <QTest>

class TestRepeat : public QObject {
  Q_OBJECT

private slots:
  void repeatAfterPauseKeepsTheWindowAlive();
  void cancelDuringRepeatPauseEndsTheNewRun();
  void cancelBeforeRepeatNotificationEndsTheNewRun();
  void closingDuringThePauseStartsNoNewRun();
};

void TestRepeat::repeatAfterPauseKeepsTheWindowAlive() {
  TWindowSetup rSetup(true);
  TModalWatcher& rWatcher = rSetup.Watcher;
  TScriptedThread::Queue({{cMSG_CLASS, 26113}, {cMSG_REPEAT, 0}});
  TScriptedThread::Queue({{cMSG_DONE, 0, false, 12}});
  QElapsedTimer rTimer;
  rTimer.start();
  rSetup.Main()->btnProg->click();
  QTRY_VERIFY(rSetup.ReportTexts().contains("Repeat update because communication error!"));
  // During the pause the window stays in its running state and keeps handling events.
  QCOMPARE(rSetup.Main()->StatusText(), QString("Repeat update because communication error!"));
  QVERIFY(rSetup.Main()->IsRunning());
  QVERIFY(rSetup.Main()->btnCancel->isVisible());
  QVERIFY(!rSetup.Main()->btnProg->isEnabled());
  QCOMPARE(TScriptedThread::Runs(), 1);
  QTest::qWait(100);
  QCOMPARE(TScriptedThread::Runs(), 1);
  QVERIFY(WaitIdle());
  QVERIFY(rTimer.elapsed() >= 1500);
  QCOMPARE(TScriptedThread::Runs(), 2);
  QCOMPARE(rSetup.ReportTexts(), (QStringList{"Start at serial port \"/dev/ttyUSB0\"",
                                              "Class 26113 [" + ClassText(26113) + "]",
                                              "Repeat update because communication error!",
                                              "Start at serial port \"/dev/ttyUSB0\"",
                                              "Update Tarvik V6.20 succesfully completed."}));
  QCOMPARE(rSetup.nBeeps, 0);
  QCOMPARE(rWatcher.slSeen.size(), 1);
}

void TestRepeat::cancelDuringRepeatPauseEndsTheNewRun() {
  TWindowSetup rSetup(true);
  TModalWatcher& rWatcher = rSetup.Watcher;
  TScriptedThread::Queue({{cMSG_REPEAT, 0}});
  TScriptedThread::Queue({{cMSG_DONE, 0}});
  rSetup.Main()->btnProg->click();
  QTRY_VERIFY(rSetup.ReportTexts().contains("Repeat update because communication error!"));
  rSetup.Main()->btnCancel->click();
  QVERIFY(WaitIdle());
  QCOMPARE(TScriptedThread::CancelAtStart(), (std::vector<bool>{false, true}));
  QCOMPARE(rSetup.ReportTexts().last(), QString("Process cancelled!"));
  QCOMPARE(rWatcher.slSeen, QStringList{"Information: Process cancelled!"});
}

void TestRepeat::cancelBeforeRepeatNotificationEndsTheNewRun() {
  TWindowSetup rSetup(true);
  TScriptedThread::Queue({{cMSG_REPEAT, 0, true}});
  rSetup.Main()->btnProg->click();
  rSetup.Main()->btnCancel->click();
  QVERIFY(WaitIdle());
  QCOMPARE(TScriptedThread::CancelAtStart(), (std::vector<bool>{false, true}));
  QCOMPARE(rSetup.ReportTexts().last(), QString("Process cancelled!"));
}

void TestRepeat::closingDuringThePauseStartsNoNewRun() {
  TWindowSetup rSetup(true);
  TScriptedThread::Queue({{cMSG_REPEAT, 0}});
  rSetup.Main()->btnProg->click();
  QTRY_VERIFY(rSetup.ReportTexts().contains("Repeat update because communication error!"));
  QVERIFY(rSetup.Main()->IsRunning());
  QVERIFY(rSetup.Main()->close());
  QCOMPARE(rSetup.slQuestions.size(), 1);
  QVERIFY(!rSetup.Main()->IsRunning());
  QTest::qWait(1700);
  QCOMPARE(TScriptedThread::Runs(), 1);
  QVERIFY(rSetup.Watcher.slSeen.isEmpty());
}

QTEST_MAIN(TestRepeat)
#include "ui_repeat_test.moc"
