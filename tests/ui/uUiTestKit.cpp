#include "uUiTestKit.h"

#include "catalogue/uCodeTables.h"
#include "ui/uInitForms.h"
#include "ui/uMessage.h"
#include "ui/uProtocol.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTest>

TModalWatcher::TModalWatcher() {
  QObject::connect(&FTimer, &QTimer::timeout, [this] { Poll(); });
  FTimer.start(10);
}

TModalWatcher::~TModalWatcher() {
  FTimer.stop();
}

void TModalWatcher::Poll() {
  QWidget* pModal = QApplication::activeModalWidget();
  if (pModal == nullptr || !pModal->isVisible()) {
    return;
  }
  rLastGeometry = pModal->frameGeometry();
  if (auto* pMessage = qobject_cast<TfrmMessage*>(pModal)) {
    slSeen << pMessage->windowTitle() + ": " + pMessage->Memo1->toPlainText();
    pMessage->Button1->click();
  } else if (auto* pBox = qobject_cast<QMessageBox*>(pModal)) {
    sLastTitle = pBox->windowTitle();
    slSeen << pBox->windowTitle() + ": " + pBox->text();
    slButtons.clear();
    for (QAbstractButton* pButton : pBox->buttons()) {
      slButtons << pButton->text();
    }
    QAbstractButton* pAnswer = pBox->button(bAnswerYes ? QMessageBox::Yes : QMessageBox::No);
    if (pAnswer == nullptr) {
      pAnswer = pBox->buttons().value(0);
    }
    if (pAnswer != nullptr) {
      pAnswer->click();
    }
  } else if (auto* pDialog = qobject_cast<QDialog*>(pModal)) {
    slSeen << pDialog->windowTitle();
    pDialog->accept();
  }
}

TWindowSetup::TWindowSetup(bool bInternal, const std::vector<std::string>& slArgs,
                           const std::vector<std::string>& slPorts) {
  FbHadConfig = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
  FsOldConfig = qgetenv("XDG_CONFIG_HOME");
  QDir(FConfig.path()).mkpath("Corvane");
  if (bInternal) {
    QFile rFile(FConfig.path() + "/Corvane/Tarv.conf");
    if (rFile.open(QIODevice::WriteOnly)) {
      rFile.write("[General]\nintern=3904\n");
    }
  }
  qputenv("XDG_CONFIG_HOME", FConfig.path().toLocal8Bit());

  StartAsFreshProcess(slArgs);
  gFillPortList = [slPorts](std::vector<std::string>& Strings) { Strings = slPorts; };
  gBeep = [this] { ++nBeeps; };
  gShowError = [this](QWidget*, const QString& sText) { slErrors << sText; };
  gOpenFileName = [](QWidget*, const QString&) { return QString(); };
  gAskQuestion = [this](QWidget*, const QString& sText) {
    slQuestions << sText;
    return bAnswerYes;
  };

  frmMain = new TfrmMain();
  frmMain->SetPortWatch(-1);
  frmMain->show();
  InitForms();
}

TWindowSetup::~TWindowSetup() {
  if (frmMain != nullptr && frmMain->IsRunning()) {
    gbCancel = true;
    WaitIdle();
  }
  TCommThread::WaitForWorkers(2000);
  QCoreApplication::sendPostedEvents();
  DoneForms();
  delete frmMain;
  frmMain = nullptr;
  gAskQuestion = AskConfirm;
  if (FbHadConfig) {
    qputenv("XDG_CONFIG_HOME", FsOldConfig);
  } else {
    qunsetenv("XDG_CONFIG_HOME");
  }
}

QStringList TWindowSetup::Report() const {
  return frmProtocol != nullptr ? frmProtocol->Lines() : QStringList();
}

QStringList TWindowSetup::ReportTexts() const {
  std::vector<std::string> slReport;
  for (const QString& sLine : Report()) {
    slReport.push_back(sLine.toStdString());
  }
  QStringList slTexts;
  for (const std::string& sText : UnstampedTexts(slReport)) {
    slTexts << QString::fromStdString(sText);
  }
  return slTexts;
}

bool WaitIdle(int nTimeoutMs) {
  return QTest::qWaitFor([] { return frmMain == nullptr || !frmMain->IsRunning(); }, nTimeoutMs);
}

QString ClassText(std::uint16_t nClass) {
  std::string s;
  ClassName(nClass, 0xFFFF, s);
  return QString::fromStdString(s);
}

QString PlatformText(std::uint16_t nPlatform) {
  std::string s;
  PlatformName(nPlatform, s);
  return QString::fromStdString(s);
}

QString PrintText(std::uint16_t nPrint) {
  std::string s;
  PrintName(nPrint, s);
  return QString::fromStdString(s);
}
