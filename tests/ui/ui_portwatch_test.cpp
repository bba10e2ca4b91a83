// The port box follows arrivals and removals of adapters: kernel uevents (synthetic
// datagrams here) make the window refill the list from a fake sysfs tree.
#include "uUiTestKit.h"

#include "ui/uPortList_posix.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QTest>

#include <filesystem>

#include <sys/socket.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Uevent(const char* sAction, const char* sSubsystem, const char* sName) {
  std::string sData = std::string(sAction) + "@/devices/usb1/1-1/" + sName;
  sData += '\0';
  sData += std::string("ACTION=") + sAction;
  sData += '\0';
  sData += std::string("SUBSYSTEM=") + sSubsystem;
  sData += '\0';
  sData += std::string("DEVNAME=") + sName;
  sData += '\0';
  return sData;
}

} // namespace

class TestPortWatch : public QObject {
  Q_OBJECT

private slots:
  void init();
  void cleanup();
  void arrivalRefillsAndOpensTheListWhenActiveAndIdle();
  void otherDevicesLeaveTheListAlone();
  void duringRunTheListIsRefilledOnly();
  void inactiveApplicationRefillsOnly();
  void removalOfTheLastAdapterKeepsTheText();

private:
  void AddAdapter(const std::string& sName, const std::string& sDriver = "ftdi_sio");
  void Send(const std::string& sData);
  std::unique_ptr<TWindowSetup> FpSetup;
  fs::path FRoot;
  int FnPeer = -1;
};

void TestPortWatch::init() {
  FpSetup.reset(); // the previous window, when its test ended early
  FRoot = fs::temp_directory_path() / ("tarvik-ui-sysfs-" + std::to_string(::getpid()));
  fs::remove_all(FRoot);
  fs::create_directories(FRoot / "class" / "tty");
  AddAdapter("ttyUSB0");
  FpSetup = std::make_unique<TWindowSetup>(false);
  const std::string sRoot = FRoot.string();
  gFillPortList = [sRoot](std::vector<std::string>& Strings) { FillPortListFrom(sRoot, Strings); };
  int aFd[2];
  QVERIFY(::socketpair(AF_UNIX, SOCK_DGRAM, 0, aFd) == 0);
  FpSetup->Main()->SetPortWatch(aFd[0]); // the window owns and closes its end
  FnPeer = aFd[1];
  FpSetup->Main()->cbxPort->setEditText("typed by the operator");
  FpSetup->Main()->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(FpSetup->Main()));
}

void TestPortWatch::cleanup() {
  if (FpSetup) {
    FpSetup->Main()->cbxPort->hidePopup();
  }
  FpSetup.reset();
  ::close(FnPeer);
  fs::remove_all(FRoot);
}

void TestPortWatch::AddAdapter(const std::string& sName, const std::string& sDriver) {
  const fs::path pathDriver = FRoot / "bus" / "usb-serial" / "drivers" / sDriver;
  fs::create_directories(pathDriver);
  fs::create_directories(FRoot / "class" / "tty" / sName / "device");
  fs::create_directory_symlink(pathDriver, FRoot / "class" / "tty" / sName / "device" / "driver");
}

void TestPortWatch::Send(const std::string& sData) {
  QVERIFY(::send(FnPeer, sData.data(), sData.size(), 0) == static_cast<ssize_t>(sData.size()));
}

void TestPortWatch::arrivalRefillsAndOpensTheListWhenActiveAndIdle() {
  QComboBox* pBox = FpSetup->Main()->cbxPort;
  QCOMPARE(pBox->count(), 1);
  AddAdapter("ttyUSB1");
  Send(Uevent("add", "tty", "ttyUSB1"));
  QTRY_COMPARE(pBox->count(), 2);
  QCOMPARE(pBox->itemText(1), QString("/dev/ttyUSB1"));
  QCOMPARE(pBox->currentText(), QString("typed by the operator"));
  QCOMPARE(pBox->currentIndex(), -1);
  QTRY_VERIFY(pBox->view()->isVisible());
}

void TestPortWatch::otherDevicesLeaveTheListAlone() {
  QComboBox* pBox = FpSetup->Main()->cbxPort;
  AddAdapter("ttyUSB1");
  Send(Uevent("add", "usb", "1-1"));
  Send(Uevent("bind", "usb-serial", "ttyUSB1"));
  Send(Uevent("change", "tty", "ttyUSB1"));
  QTest::qWait(100);
  QCOMPARE(pBox->count(), 1);
  QVERIFY(!pBox->view()->isVisible());
}

void TestPortWatch::duringRunTheListIsRefilledOnly() {
  TfrmMain* pMain = FpSetup->Main();
  TScriptedThread::Queue({{cMSG_FAILURE, 20, true}});
  FpSetup->bAnswerYes = true;
  pMain->btnProg->click();
  QVERIFY(pMain->IsRunning());
  AddAdapter("ttyUSB7");
  Send(Uevent("add", "tty", "ttyUSB7"));
  QTRY_COMPARE(pMain->cbxPort->count(), 2);
  QTest::qWait(50);
  QVERIFY(!pMain->cbxPort->view()->isVisible());
  QVERIFY(!pMain->cbxPort->isEnabled());
  pMain->btnCancel->click();
  QVERIFY(WaitIdle());
}

void TestPortWatch::inactiveApplicationRefillsOnly() {
  QT_WARNING_PUSH
  QT_WARNING_DISABLE_DEPRECATED
  QApplication::setActiveWindow(nullptr);
  QT_WARNING_POP
  if (QApplication::activeWindow() != nullptr) {
    QSKIP("this platform keeps a window active");
  }
  AddAdapter("ttyUSB1");
  Send(Uevent("add", "tty", "ttyUSB1"));
  QTRY_COMPARE(FpSetup->Main()->cbxPort->count(), 2);
  QTest::qWait(50);
  QVERIFY(!FpSetup->Main()->cbxPort->view()->isVisible());
}

void TestPortWatch::removalOfTheLastAdapterKeepsTheText() {
  QComboBox* pBox = FpSetup->Main()->cbxPort;
  pBox->setCurrentIndex(0);
  QCOMPARE(pBox->currentText(), QString("/dev/ttyUSB0"));
  fs::remove_all(FRoot / "class" / "tty" / "ttyUSB0");
  Send(Uevent("remove", "tty", "ttyUSB0"));
  QTRY_COMPARE(pBox->count(), 0);
  QCOMPARE(pBox->currentText(), QString("/dev/ttyUSB0"));
}

QTEST_MAIN(TestPortWatch)
#include "ui_portwatch_test.moc"
