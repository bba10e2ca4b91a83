#include "uUiTestKit.h"

#include "catalogue/uCodeTables.h"
#include "catalogue/uFWVersions.h"
#include "engine/uSwitches.h"
#include "engine/uTarvikCommThread.h"
#include "ui/uInitForms.h"
#include "ui/uMessage.h"
#include "ui/uProtocol.h"
#include "ui/uWinTools1V4.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTest>

#include <chrono>
#include <deque>
#include <mutex>
#include <thread>

namespace {

std::mutex gScriptMutex;
std::deque<std::vector<TScriptStep>> gaScripts;
int gnRuns = 0;
std::vector<std::string> gslPorts;
std::vector<bool> gabCancelAtStart;

} // namespace

TScriptedThread::TScriptedThread(TWindowHandle hWindow, TCmd cmd, std::string sPort)
    : TCommThread(std::move(hWindow), cmd, sPort) {
  const std::lock_guard<std::mutex> rLock(gScriptMutex);
  ++gnRuns;
  gslPorts.push_back(sPort);
  FbCancelled = gbCancel;
  gabCancelAtStart.push_back(FbCancelled);
  if (!gaScripts.empty()) {
    FaScript = std::move(gaScripts.front());
    gaScripts.pop_front();
  } else {
    FaScript = {{cMSG_DONE, static_cast<std::uint32_t>(cmd)}};
  }
}

void TScriptedThread::Queue(std::vector<TScriptStep> aScript) {
  const std::lock_guard<std::mutex> rLock(gScriptMutex);
  gaScripts.push_back(std::move(aScript));
}

void TScriptedThread::Reset() {
  const std::lock_guard<std::mutex> rLock(gScriptMutex);
  gaScripts.clear();
  gnRuns = 0;
  gslPorts.clear();
  gabCancelAtStart.clear();
}

int TScriptedThread::Runs() {
  const std::lock_guard<std::mutex> rLock(gScriptMutex);
  return gnRuns;
}

std::vector<std::string> TScriptedThread::Ports() {
  const std::lock_guard<std::mutex> rLock(gScriptMutex);
  return gslPorts;
}

std::vector<bool> TScriptedThread::CancelAtStart() {
  const std::lock_guard<std::mutex> rLock(gScriptMutex);
  return gabCancelAtStart;
}

void TScriptedThread::Execute() {
  if (FbCancelled) {
    Post(cMSG_FAILURE, 20);
    return;
  }
  for (const TScriptStep& rStep : FaScript) {
    if (rStep.bWaitForCancel) {
      for (int i = 0; i < 1000 && !gbCancel; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }
    if (rStep.nChooseImage >= -1) {
      gnFwIndex = rStep.nChooseImage;
    }
    Post(rStep.nCode, rStep.nValue);
  }
}

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
  // Switches as a fresh process has them.
  gnAccessLevel = 0;
  gbMatchClass = true;
  gbRequireServedClass = true;
  gbMatchPlatform = true;
  gbClearsMeasurements = false;
  gbReadInfoOnly = false;
  gbCancel = false;
  gnFwIndex = -1;
  TScriptedThread::Reset();

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

  std::vector<const char*> aArgv{"tarvik-update"};
  for (const std::string& s : slArgs) {
    aArgv.push_back(s.c_str());
  }
  SetProgramArgs(static_cast<int>(aArgv.size()), aArgv.data());

  gCommThreadClass = &TCommThread::Create<TScriptedThread>;
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
  static const QRegularExpression rStamp("^([01][0-9]|2[0-3])-[0-5][0-9]-[0-5][0-9] -> ");
  QStringList slTexts;
  for (const QString& sLine : Report()) {
    if (rStamp.match(sLine).hasMatch()) {
      slTexts << sLine.mid(12);
    } else {
      slTexts << "BAD STAMP: " + sLine;
    }
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
