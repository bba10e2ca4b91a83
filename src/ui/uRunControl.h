// The control of update runs behind the main window, free of any GUI toolkit: preparing and
// starting a run, the running and idle states, the worker's notifications with their texts,
// progress, title, beep, final message and repeats, cancelling and closing during a run.
// Each toolkit's main window is a thin view over it (TRunView).
#pragma once

#include "worker/uCommThread.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

// The class of worker that StartUpdate creates; the program sets the Tarvik worker.
extern TCommThreadClass gCommThreadClass;

// What the run control needs of its window. Texts are UTF-8.
class TRunView {
public:
  virtual ~TRunView() = default;

  // The text of the port box (typed or picked).
  virtual std::string PortText() const = 0;
  virtual bool ReadInfoOnlyChecked() const = 0;
  // The progress bar's position, as the bar holds it.
  virtual int ProgressPosition() const = 0;

  virtual void SetProgress(int nPercent) = 0;
  // The application title: the text of the taskbar button.
  virtual void SetTitle(const std::string& sTitle) = 0;
  // The status bar's text and its hint.
  virtual void SetStatus(const std::string& sText) = 0;
  // One line of the report window (the window adds the time stamp).
  virtual void AddReport(const std::string& sText) = 0;
  virtual void ClearReport() = 0;
  // The message window over the main window; returns when the operator has closed it.
  virtual void ShowFinalMessage(const std::string& sText) = 0;
  virtual void Beep() = 0;
  // Update enabled, Close shown, Cancel hidden, port box, File, check box and Info menu
  // enabled when idle; the reverse while running.
  virtual void ShowRunningControls(bool bRunning) = 0;
  // The application-wide hourglass cursor.
  virtual void SetHourglass(bool bOn) = 0;
  virtual void ShowReportWindow() = 0;
  // The overview window beside the main window (modal).
  virtual void OpenOverview() = 0;

  // A confirmation question ("Confirm", "Yes"/"No"); true for "Yes".
  virtual bool AskQuestion(const std::string& sText) = 0;
  virtual void ShowError(const std::string& sText) = 0;
  // The open dialog; empty when cancelled.
  virtual std::string ChooseFile() = 0;

  // A single-shot timer that calls TRunControl::RepeatTimerFired after nMs.
  virtual void StartRepeatTimer(std::uint32_t nMs) = 0;
  virtual void StopRepeatTimer() = 0;
  // Handles the worker's notifications that arrive within about nMs (no operator input);
  // used while the program waits for a run to end.
  virtual void ProcessNotifications(std::uint32_t nMs) = 0;
};

class TRunControl {
public:
  using TClock = std::function<std::chrono::steady_clock::time_point()>;

  // hWindow: the receiver that every worker of this window posts to.
  TRunControl(TRunView& rView, TWindowHandle hWindow);

  // The end of the window's creation: the status mark of the clearing switch, then idle.
  void FormCreate();

  // The buttons and menu items.
  void UpdateClick();
  void FileClick();
  void CancelClick();
  void FileVersionClick();
  void FirmwareClick();
  // The first idle moment after the start shows the report window in internal mode; later
  // calls do nothing.
  void ApplicationIdle();

  // Whether the window may close: asks during a run, then cancels the run and waits for its
  // final notification, so that no worker outlives the window.
  bool CloseQuery();

  // False when the firmware file cannot be used: the reason is shown and no run may start.
  bool PrepareRun(const std::string& sFile);
  void StartUpdate(TCmd cmd);
  void EndUpdate();
  void HandleNotification(std::uint32_t nCode, std::uint32_t nValue);
  void RepeatTimerFired();

  // A worker runs, or a repeat waits for its pause.
  bool IsRunning() const { return FCommThread != nullptr || FbRepeatPending; }
  bool IsClosing() const { return FbClosing; }
  const std::string& Port() const { return FPort; }

  // For tests: the clock that times the repeat pause.
  void SetClock(TClock Now) { FNow = std::move(Now); }

private:
  // StartUpdate with gbCancel := bCancel (false for every run but a repeat).
  void StartRun(TCmd cmd, bool bCancel);
  void SetRunning(bool bRunning);

  TRunView& FView;
  TWindowHandle FhWindow;
  std::string FPort;
  TCommThread* FCommThread = nullptr;
  bool FbRepeatPending = false;
  TCmd FRepeatCmd = TCmd::tCMD0;
  std::chrono::steady_clock::time_point FtRepeatDue{};
  bool FbHourglass = false;
  bool FbClosing = false;
  int FnIdleTag = 0;
  TClock FNow;
};
