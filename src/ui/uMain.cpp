#include "ui/uMain.h"

#include "catalogue/uFWVersions.h"
#include "catalogue/uFwHeader.h"
#include "engine/uSwitches.h"
#include "engine/uTarvikCommThread.h"
#include "ui/uInfo.h"
#include "ui/uMessage.h"
#include "ui/uNotifyText.h"
#include "ui/uOptions.h"
#include "ui/uPortList.h"
#include "ui/uProtocol.h"
#include "ui/uWinTools1V4.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QMoveEvent>
#include <QScreen>

#include <exception>

TfrmMain* frmMain = nullptr;

namespace {

constexpr int cCLIENT_WIDTH = 355;
constexpr int cPANEL_HEIGHT = 161;
constexpr int cSTATUS_HEIGHT = 15;
constexpr int cFILE_GAP = 8;

QString Text(const std::string& s) {
  return QString::fromStdString(s);
}

std::string Utf8(const QString& s) {
  return s.toStdString();
}

QPushButton* NewButton(QWidget* pParent, const char* sName, const char* sCaption,
                       const QRect& rPlace) {
  auto* pButton = new QPushButton(sCaption, pParent);
  pButton->setObjectName(sName);
  pButton->setGeometry(rPlace);
  return pButton;
}

} // namespace

const QEvent::Type TNotifyEvent::cType = static_cast<QEvent::Type>(QEvent::registerEventType());

bool AskConfirm(QWidget* pParent, const QString& sText) {
  QString sShown = sText;
  sShown.replace("\r\n", "\n");
  QMessageBox rBox(QMessageBox::Question, "Confirm", sShown, QMessageBox::Yes | QMessageBox::No,
                   pParent);
  rBox.setObjectName("Confirm");
  rBox.button(QMessageBox::Yes)->setText("Yes");
  rBox.button(QMessageBox::No)->setText("No");
  return rBox.exec() == QMessageBox::Yes;
}

std::function<bool(QWidget*, const QString&)> gAskQuestion = AskConfirm;
std::function<void()> gBeep = [] { QApplication::beep(); };
std::function<QString(QWidget*, const QString&)> gOpenFileName = [](QWidget* pParent,
                                                                    const QString& sDir) {
  return QFileDialog::getOpenFileName(pParent, QString(), sDir);
};
std::function<void(QWidget*, const QString&)> gShowError = [](QWidget* pParent,
                                                              const QString& sText) {
  QMessageBox::critical(pParent, cAPP_TITLE, sText);
};
std::function<void(std::vector<std::string>&)> gFillPortList = FillPortList;

void TWindowNotifier::Post(std::uint32_t nCode, std::uint32_t nValue) {
  const std::lock_guard<std::mutex> rLock(FMutex);
  if (FpTarget != nullptr) {
    QCoreApplication::postEvent(FpTarget, new TNotifyEvent(nCode, nValue));
  }
}

void TWindowNotifier::Detach() {
  const std::lock_guard<std::mutex> rLock(FMutex);
  FpTarget = nullptr;
}

// The Qt widgets as the run control's view.
class TQtRunView : public TRunView {
public:
  explicit TQtRunView(TfrmMain& rMain) : FMain(rMain) {}

  std::string PortText() const override { return Utf8(FMain.cbxPort->currentText()); }
  bool ReadInfoOnlyChecked() const override { return FMain.chkReadInfoOnly->isChecked(); }
  int ProgressPosition() const override { return FMain.ProgressBar1->value(); }
  void SetProgress(int nPercent) override { FMain.ProgressBar1->setValue(nPercent); }
  void SetTitle(const std::string& sTitle) override { FMain.setWindowTitle(Text(sTitle)); }
  void SetStatus(const std::string& sText) override { FMain.SetStatus(Text(sText)); }
  void AddReport(const std::string& sText) override { FMain.AddReport(Text(sText)); }
  void ClearReport() override {
    if (frmProtocol != nullptr) {
      frmProtocol->Clear();
    }
  }
  void ShowFinalMessage(const std::string& sText) override { FMain.ShowFinalMessage(Text(sText)); }
  void Beep() override { gBeep(); }
  void ShowRunningControls(bool bRunning) override { FMain.SetRunningControls(bRunning); }
  void SetHourglass(bool bOn) override {
    if (bOn && !FMain.FbCursorSet) {
      QApplication::setOverrideCursor(Qt::WaitCursor);
      FMain.FbCursorSet = true;
    } else if (!bOn && FMain.FbCursorSet) {
      QApplication::restoreOverrideCursor();
      FMain.FbCursorSet = false;
    }
  }
  void ShowReportWindow() override {
    if (frmProtocol != nullptr) {
      frmProtocol->show();
    }
  }
  void OpenOverview() override { FMain.OpenOverview(); }
  bool AskQuestion(const std::string& sText) override { return gAskQuestion(&FMain, Text(sText)); }
  void ShowError(const std::string& sText) override { gShowError(&FMain, Text(sText)); }
  std::string ChooseFile() override { return Utf8(gOpenFileName(&FMain, FMain.FsOpenDir)); }
  void StartRepeatTimer(std::uint32_t nMs) override {
    FMain.FRepeatTimer.start(static_cast<int>(nMs));
  }
  void StopRepeatTimer() override { FMain.FRepeatTimer.stop(); }
  void ProcessNotifications(std::uint32_t nMs) override {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, static_cast<int>(nMs));
  }

private:
  TfrmMain& FMain;
};

TfrmMain::TfrmMain(QWidget* pParent)
    : QMainWindow(pParent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      FhWindow(std::make_shared<TWindowNotifier>(this)), FView(std::make_unique<TQtRunView>(*this)),
      FRun(std::make_unique<TRunControl>(*FView, FhWindow)) {
  setObjectName("frmMain");
  QFont rFont = font();
  rFont.setFamily("Microsoft Sans Serif");
  rFont.setPointSize(8);
  setFont(rFont);

  menInfo = menuBar()->addMenu("Info");
  menInfo->setObjectName("menInfo");
  menInfoFirmware = menInfo->addAction("Firmware");
  menInfoFirmware->setObjectName("menInfoFirmware");
  menInfoFile = menInfo->addAction("File version");
  menInfoFile->setObjectName("menInfoFile");
  menInfo->addSeparator();
  menFileExit = menInfo->addAction("Exit");
  menFileExit->setObjectName("menFileExit");

  Panel1 = new QWidget(this);
  Panel1->setObjectName("Panel1");
  Panel1->setFixedSize(cCLIENT_WIDTH, cPANEL_HEIGHT);
  setCentralWidget(Panel1);

  Bevel1 = new QFrame(Panel1);
  Bevel1->setObjectName("Bevel1");
  Bevel1->setFrameShape(QFrame::HLine);
  Bevel1->setFrameShadow(QFrame::Sunken);
  Bevel1->setGeometry(0, 0, cCLIENT_WIDTH, 8);

  Label1 = new QLabel("Comport:", Panel1);
  Label1->setObjectName("Label1");
  Label1->move(13, 14);

  cbxPort = new QComboBox(Panel1);
  cbxPort->setObjectName("cbxPort");
  cbxPort->setEditable(true);
  cbxPort->setInsertPolicy(QComboBox::NoInsert);
  cbxPort->move(77, 11);
  cbxPort->resize(263, cbxPort->sizeHint().height());

  ProgressBar1 = new QProgressBar(Panel1);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setGeometry(13, 46, 327, 26);

  btnProg = NewButton(Panel1, "btnProg", "Update", QRect(40, 86, 111, 32));
  btnFile = NewButton(Panel1, "btnFile", "File", QRect(101, 86, 52, 32));
  btnClose = NewButton(Panel1, "btnClose", "Close", QRect(200, 86, 111, 32));
  btnCancel = NewButton(Panel1, "btnCancel", "Cancel", btnClose->geometry());
  btnCancel->hide();

  chkReadInfoOnly = new QCheckBox("Read info only", Panel1);
  chkReadInfoOnly->setObjectName("chkReadInfoOnly");
  chkReadInfoOnly->setGeometry(26, 134, 116, 14);

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName("StatusBar1");
  StatusBar1->setSizeGripEnabled(false);
  StatusBar1->setFixedHeight(cSTATUS_HEIGHT);
  FStatusLabel = new QLabel(StatusBar1);
  FStatusLabel->setObjectName("StatusPanel");
  FStatusLabel->setContentsMargins(2, 0, 2, 0);
  StatusBar1->addWidget(FStatusLabel, 1);
  setStatusBar(StatusBar1);

  setTabOrder(cbxPort, ProgressBar1);
  setTabOrder(ProgressBar1, btnProg);
  setTabOrder(btnProg, btnCancel);
  setTabOrder(btnCancel, btnClose);
  setTabOrder(btnClose, btnFile);
  setTabOrder(btnFile, chkReadInfoOnly);

  FRepeatTimer.setSingleShot(true);
  // A coarse timer may fire up to 5 % early; the logger gets its full pause.
  FRepeatTimer.setTimerType(Qt::PreciseTimer);
  connect(&FRepeatTimer, &QTimer::timeout, this, [this] { FRun->RepeatTimerFired(); });
  connect(btnProg, &QPushButton::clicked, this, &TfrmMain::btnProgClick);
  connect(btnFile, &QPushButton::clicked, this, &TfrmMain::btnFileClick);
  connect(btnCancel, &QPushButton::clicked, this, &TfrmMain::btnCancelClick);
  connect(btnClose, &QPushButton::clicked, this, &TfrmMain::btnCloseClick);
  connect(menFileExit, &QAction::triggered, this, &TfrmMain::menFileExitClick);
  connect(menInfoFirmware, &QAction::triggered, this, &TfrmMain::menInfoFirmwareClick);
  connect(menInfoFile, &QAction::triggered, this, &TfrmMain::menInfoFileClick);

  FormCreate();
}

TfrmMain::~TfrmMain() {
  FhWindow->Detach();
  SetPortWatch(-1);
  if (FbCursorSet) {
    QApplication::restoreOverrideCursor();
  }
  if (frmMain == this) {
    frmMain = nullptr;
  }
}

void TfrmMain::FormCreate() {
  setWindowTitle(cAPP_TITLE);
  menInfo->setTitle("Info v2023-09-21");
  // The questions (AskConfirm) carry the title "Confirm" and the buttons "Yes" and "No".
  // The open dialog starts in the program's folder.
  FsOpenDir = QFileInfo(QCoreApplication::applicationFilePath()).absolutePath();

  const bool bInternal = IsInternalMode();
  chkReadInfoOnly->setChecked(false);
  chkReadInfoOnly->setVisible(gbReadInfoOnlySupported && bInternal);
  ApplyOptions(bInternal);

  if (gnAccessLevel == 2) {
    menInfoFile->setVisible(true);
    btnFile->setVisible(true);
    const int nHalf = btnClose->width() / 2;
    btnProg->resize(nHalf, btnProg->height());
    btnFile->setGeometry(btnProg->x() + btnProg->width() + cFILE_GAP, btnFile->y(), nHalf,
                         btnFile->height());
  } else {
    menInfoFile->setVisible(false);
    btnFile->setVisible(false);
    btnProg->resize(btnClose->width(), btnProg->height());
  }

  // The client area is the panel and the status bar; the menu bar sits above it.
  setFixedSize(cCLIENT_WIDTH,
               menuBar()->sizeHint().height() + Panel1->height() + StatusBar1->height());

  std::vector<std::string> slPorts;
  gFillPortList(slPorts);
  for (const std::string& sPort : slPorts) {
    cbxPort->addItem(Text(sPort));
  }
  if (cbxPort->count() > 0) {
    cbxPort->setCurrentIndex(0);
  }
  // "port:NAME" opens the window on a given port (the simulated logger, for one).
  const std::string sPortOption = FindOption("port:", "");
  if (!sPortOption.empty()) {
    cbxPort->setEditText(Text(sPortOption));
  }

  if (const QScreen* pScreen = screen()) {
    move(pScreen->availableGeometry().center() - rect().center());
  }
  FRun->FormCreate();
  InstallPortWatch();
  QTimer::singleShot(0, this, &TfrmMain::ApplicationEvents1Idle);
}

void TfrmMain::SetRunningControls(bool bRunning) {
  btnProg->setEnabled(!bRunning);
  btnClose->setVisible(!bRunning);
  btnCancel->setVisible(bRunning);
  cbxPort->setEnabled(!bRunning);
  // gnFwIndex and the file image must not change under a running worker.
  btnFile->setEnabled(!bRunning);
  chkReadInfoOnly->setEnabled(!bRunning);
  menInfo->setEnabled(!bRunning);
  menInfo->menuAction()->setEnabled(!bRunning);
}

void TfrmMain::StartUpdate(TCmd cmd) {
  FRun->StartUpdate(cmd);
}

void TfrmMain::EndUpdate() {
  FRun->EndUpdate();
}

bool TfrmMain::PrepareRun(const QString& sFile) {
  return FRun->PrepareRun(Utf8(sFile));
}

void TfrmMain::SetStatus(const QString& sText) {
  FStatusLabel->setText(sText);
  FStatusLabel->setToolTip(sText);
  StatusBar1->setToolTip(sText);
}

void TfrmMain::AddReport(const QString& sText) {
  if (frmProtocol != nullptr) {
    frmProtocol->Add(sText);
  }
}

void TfrmMain::ShowFinalMessage(const QString& sText) {
  if (frmMessage != nullptr) {
    const QRect rOuter = frameGeometry();
    frmMessage->showMsg(sText, rOuter.x(), rOuter.y(), rOuter.width(), rOuter.height());
  } else {
    QMessageBox::information(this, cAPP_TITLE, sText);
  }
}

void TfrmMain::HandleNotification(std::uint32_t nCode, std::uint32_t nValue) {
  FRun->HandleNotification(nCode, nValue);
}

bool TfrmMain::event(QEvent* pEvent) {
  if (pEvent->type() == TNotifyEvent::cType) {
    const auto* pNotify = static_cast<const TNotifyEvent*>(pEvent);
    HandleNotification(pNotify->FnCode, pNotify->FnValue);
    return true;
  }
  return QMainWindow::event(pEvent);
}

void TfrmMain::btnProgClick() {
  FRun->UpdateClick();
}

void TfrmMain::btnFileClick() {
  FRun->FileClick();
}

void TfrmMain::btnCancelClick() {
  FRun->CancelClick();
}

void TfrmMain::btnCloseClick() {
  close();
}

void TfrmMain::menFileExitClick() {
  close();
}

void TfrmMain::OpenOverview() {
  if (frmInfo != nullptr) {
    const QRect rOuter = frameGeometry();
    frmInfo->Execute(rOuter.x(), rOuter.y(), rOuter.width(), rOuter.height());
  }
}

void TfrmMain::menInfoFirmwareClick() {
  FRun->FirmwareClick();
}

void TfrmMain::menInfoFileClick() {
  FRun->FileVersionClick();
}

void TfrmMain::ApplicationEvents1Idle() {
  FRun->ApplicationIdle();
}

void TfrmMain::closeEvent(QCloseEvent* pEvent) {
  if (FRun->IsClosing() && !IsRunning()) {
    pEvent->accept();
    return;
  }
  if (FRun->CloseQuery()) {
    pEvent->accept();
  } else {
    pEvent->ignore();
  }
}

void TfrmMain::moveEvent(QMoveEvent* pEvent) {
  QMainWindow::moveEvent(pEvent);
  HandleMove();
}

void TfrmMain::HandleMove() {
  if (frmProtocol == nullptr) {
    return;
  }
  const QRect rOuter = frameGeometry();
  const int nTop = rOuter.top() + rOuter.height();
  if (frmProtocol->y() != nTop || frmProtocol->x() != rOuter.left()) {
    frmProtocol->move(rOuter.left(), nTop);
  }
}

void TfrmMain::HandleDeviceChange(bool bPortChange) {
  if (!bPortChange) {
    return;
  }
  const QString sText = cbxPort->currentText();
  std::vector<std::string> slPorts;
  gFillPortList(slPorts);
  cbxPort->blockSignals(true);
  cbxPort->clear();
  for (const std::string& sPort : slPorts) {
    cbxPort->addItem(Text(sPort));
  }
  cbxPort->setCurrentIndex(-1);
  cbxPort->setEditText(sText);
  cbxPort->blockSignals(false);
  // Show the new list at once, but only to an operator who is looking at this idle window.
  if (QApplication::activeWindow() != nullptr && cbxPort->isEnabled()) {
    cbxPort->hidePopup();
    cbxPort->repaint();
    cbxPort->showPopup();
  }
}
