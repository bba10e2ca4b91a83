// The main window: the choice of the serial port, the update runs and their progress, and
// the handling of the worker's notifications.
#pragma once

#include "ui/uRunControl.h"
#include "worker/uCommThread.h"
#include "worker/uMessages.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Replaceable for tests: the confirmation question ("Confirm", "Yes"/"No"; true for "Yes"),
// the default beep, the open dialog (empty when cancelled), the error report of a file that
// cannot be used, and the port list.
extern std::function<bool(QWidget* pParent, const QString& sText)> gAskQuestion;
extern std::function<void()> gBeep;
extern std::function<QString(QWidget* pParent, const QString& sDir)> gOpenFileName;
extern std::function<void(QWidget* pParent, const QString& sText)> gShowError;
extern std::function<void(std::vector<std::string>& Strings)> gFillPortList;

bool AskConfirm(QWidget* pParent, const QString& sText);

// One worker notification as an event posted to the main window.
class TNotifyEvent : public QEvent {
public:
  static const QEvent::Type cType;
  TNotifyEvent(std::uint32_t nCode, std::uint32_t nValue)
      : QEvent(cType), FnCode(nCode), FnValue(nValue) {}
  std::uint32_t FnCode;
  std::uint32_t FnValue;
};

// The window's receiver of notifications, kept by every worker. Posting never blocks; after
// the window is gone, notifications are dropped.
class TWindowNotifier : public TNotifyTarget {
public:
  explicit TWindowNotifier(QObject* pTarget) : FpTarget(pTarget) {}
  void Post(std::uint32_t nCode, std::uint32_t nValue) override;
  void Detach();

private:
  std::mutex FMutex;
  QObject* FpTarget;
};

class TfrmMain : public QMainWindow {
  Q_OBJECT

public:
  explicit TfrmMain(QWidget* pParent = nullptr);
  ~TfrmMain() override;

  void StartUpdate(TCmd cmd);
  void EndUpdate();
  // False when the firmware file cannot be used: the reason is shown, no run may start.
  bool PrepareRun(const QString& sFile);
  void SetStatus(const QString& sText);
  void AddReport(const QString& sText);
  void ShowFinalMessage(const QString& sText);
  void HandleNotification(std::uint32_t nCode, std::uint32_t nValue);
  // A tty arrived or left (bPortChange): refill the list, keeping the text.
  void HandleDeviceChange(bool bPortChange);
  void HandleMove();

  // Watches fd for uevent datagrams (the kernel's netlink socket by default); the window
  // owns and closes it. -1 stops watching.
  void SetPortWatch(int fd);
  // Opens the system's watch of serial port arrivals and removals (one per platform).
  void InstallPortWatch();

  bool IsRunning() const { return FRun->IsRunning(); }
  QString StatusText() const { return FStatusLabel->text(); }
  QString Port() const { return QString::fromStdString(FRun->Port()); }

  QMenu* menInfo;
  QAction* menInfoFirmware;
  QAction* menInfoFile;
  QAction* menFileExit;
  QWidget* Panel1;
  QFrame* Bevel1;
  QLabel* Label1;
  QComboBox* cbxPort;
  QProgressBar* ProgressBar1;
  QPushButton* btnProg;
  QPushButton* btnFile;
  QPushButton* btnClose;
  QPushButton* btnCancel;
  QCheckBox* chkReadInfoOnly;
  QStatusBar* StatusBar1;
  QString FsOpenDir;

public slots:
  void btnProgClick();
  void btnFileClick();
  void btnCancelClick();
  void btnCloseClick();
  void menFileExitClick();
  void menInfoFirmwareClick();
  void menInfoFileClick();
  void ApplicationEvents1Idle();

protected:
  bool event(QEvent* pEvent) override;
  void closeEvent(QCloseEvent* pEvent) override;
  void moveEvent(QMoveEvent* pEvent) override;

private:
  friend class TQtRunView;
  void FormCreate();
  void SetRunningControls(bool bRunning);
  void OpenOverview();

  QLabel* FStatusLabel;
  std::shared_ptr<TWindowNotifier> FhWindow;
  std::unique_ptr<TRunView> FView;
  std::unique_ptr<TRunControl> FRun;
  QTimer FRepeatTimer;
  bool FbCursorSet = false;
  int FnPortWatch = -1;
  QSocketNotifier* FPortNotifier = nullptr;
};

extern TfrmMain* frmMain;
