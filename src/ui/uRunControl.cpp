#include "ui/uRunControl.h"

#include "catalogue/uFWVersions.h"
#include "catalogue/uFwHeader.h"
#include "engine/uSwitches.h"
#include "engine/uTarvikCommThread.h"
#include "ui/uNotifyText.h"
#include "ui/uPortHint.h"
#include "ui/uPortList.h"
#include "worker/uExceptions1V0.h"

#include <exception>
#include <filesystem>
#include <stdexcept>
#include <system_error>

TCommThreadClass gCommThreadClass = nullptr;

namespace {

// Closing during a run waits this long at most for the worker's final notification.
constexpr std::uint32_t cCLOSE_WAIT_MS = 5000;
constexpr std::uint32_t cCLOSE_POLL_MS = 20;
constexpr std::uint32_t cTHREAD_END_WAIT_MS = 1000;

bool FileExists(const std::string& sFile) {
  std::error_code Ignored;
  return std::filesystem::exists(std::filesystem::path(sFile), Ignored);
}

// The final message as the message window shows it: for a port that would not open, why and
// what to do as a second paragraph; the report and the status keep the fixed text.
std::string FinalMessageText(std::uint32_t nCode, std::uint32_t nValue, const std::string& sMessage,
                             const std::string& sPort) {
  if (nCode != cMSG_FAILURE || static_cast<std::int32_t>(nValue) != cERR_PORT) return sMessage;
  std::vector<std::string> slPortsNow;
  FillPortList(slPortsNow);
  return MessageWithHint(sMessage, PortHint(sPort, slPortsNow));
}

} // namespace

TRunControl::TRunControl(TRunView& rView, TWindowHandle hWindow)
    : FView(rView), FhWindow(std::move(hWindow)),
      FNow([] { return std::chrono::steady_clock::now(); }) {}

void TRunControl::FormCreate() {
  FView.SetStatus(gbClearsMeasurements ? "F" : "");
  EndUpdate();
}

void TRunControl::SetRunning(bool bRunning) {
  FView.ShowRunningControls(bRunning);
  if (bRunning != FbHourglass) {
    FbHourglass = bRunning;
    FView.SetHourglass(bRunning);
  }
}

bool TRunControl::PrepareRun(const std::string& sFile) {
  FView.ClearReport();
  gnFwIndex = -1;
  if (!sFile.empty()) {
    try {
      LoadFwFileImage(sFile);
    } catch (const std::exception& e) {
      FView.SetStatus(e.what());
      FView.ShowError(e.what());
      return false;
    }
  }
  FPort = FView.PortText();
  return true;
}

void TRunControl::StartUpdate(TCmd cmd) {
  StartRun(cmd, false);
}

void TRunControl::StartRun(TCmd cmd, bool bCancel) {
  const std::string sStart = StartLineText(FView.PortText());
  FView.AddReport(sStart);
  FView.SetStatus(sStart);
  gbReadInfoOnly = FView.ReadInfoOnlyChecked();
  FView.SetProgress(0);
  SetRunning(true);
  // Set before the worker exists, so it never sees a value the window is about to change.
  gbCancel = bCancel;
  try {
    if (gCommThreadClass == nullptr) {
      throw std::runtime_error("no worker class");
    }
    FCommThread = gCommThreadClass(FhWindow, cmd, FPort);
  } catch (const std::exception&) {
    // A worker that cannot start ends the run like one that failed without a code.
    FCommThread = nullptr;
    FhWindow->Post(cMSG_FAILURE, 0);
  }
}

void TRunControl::EndUpdate() {
  SetRunning(false);
  FCommThread = nullptr;
  FView.SetTitle(cAPP_TITLE);
}

void TRunControl::HandleNotification(std::uint32_t nCode, std::uint32_t nValue) {
  const TNotifyView rView = DescribeNotification(nCode, nValue, FView.PortText());
  if (rView.bFinal) {
    FCommThread = nullptr; // the worker frees itself now
  }
  if (FbClosing) {
    if (rView.bFinal) {
      EndUpdate();
    }
    return;
  }
  if (rView.bFinal) {
    if (rView.nProgress >= 0) {
      FView.SetProgress(rView.nProgress);
    }
    if (rView.bEndUpdate) {
      EndUpdate();
    }
    if (rView.bBeep) {
      FView.Beep();
    }
  }
  if (rView.bStatusFirst) {
    if (rView.sStatus) FView.SetStatus(*rView.sStatus);
    if (rView.sReport) FView.AddReport(*rView.sReport);
  } else {
    if (rView.sReport) FView.AddReport(*rView.sReport);
    if (rView.sStatus) FView.SetStatus(*rView.sStatus);
  }
  if (!rView.bFinal && rView.nProgress >= 0) {
    FView.SetProgress(rView.nProgress);
  }
  if (nCode == cMSG_PROGRESS) {
    FView.SetTitle(std::to_string(FView.ProgressPosition()) + "%");
  }
  if (rView.sMessage) {
    FView.ShowFinalMessage(FinalMessageText(nCode, nValue, *rView.sMessage, FPort));
  }
  switch (rView.eRepeat) {
  case TRepeatKind::AtOnce:
    StartUpdate(TCmd::tCMD0);
    break;
  case TRepeatKind::AfterPause:
    FRepeatCmd = static_cast<TCmd>(nValue & 0xFF);
    FbRepeatPending = true;
    FtRepeatDue = FNow() + std::chrono::milliseconds(cREPEAT_PAUSE_MS);
    FView.StartRepeatTimer(cREPEAT_PAUSE_MS);
    break;
  case TRepeatKind::None:
    break;
  }
}

void TRunControl::RepeatTimerFired() {
  if (!FbRepeatPending) {
    return;
  }
  // A system timer may fire a little early; the logger gets its full pause.
  const auto tNow = FNow();
  if (tNow < FtRepeatDue) {
    const auto nLeft = std::chrono::ceil<std::chrono::milliseconds>(FtRepeatDue - tNow).count();
    FView.StartRepeatTimer(static_cast<std::uint32_t>(nLeft > 0 ? nLeft : 1));
    return;
  }
  FbRepeatPending = false;
  // A Cancel pressed before the new run starts stays in force for that run: the run starts
  // with the remembered flag instead of a cleared one.
  StartRun(FRepeatCmd, gbCancel);
}

void TRunControl::UpdateClick() {
  if (IsRunning()) {
    return;
  }
  const std::optional<std::string> sQuestion =
      UpdateQuestionText(gnAccessLevel, gbClearsMeasurements);
  if (sQuestion && !FView.AskQuestion(*sQuestion)) {
    return;
  }
  PrepareRun("");
  StartUpdate(TCmd::tCMD0);
}

void TRunControl::FileClick() {
  if (IsRunning()) {
    return;
  }
  const std::string sFile = FView.ChooseFile();
  if (sFile.empty()) {
    return;
  }
  if (!PrepareRun(sFile)) {
    return; // the reason is shown; no run with a file that cannot be used
  }
  StartUpdate(TCmd::tCMD0);
}

void TRunControl::CancelClick() {
  gbCancel = true;
}

void TRunControl::FirmwareClick() {
  FView.OpenOverview();
}

void TRunControl::FileVersionClick() {
  if (IsRunning()) {
    return;
  }
  const std::string sFile = FView.ChooseFile();
  if (sFile.empty() || !FileExists(sFile)) {
    return;
  }
  try {
    ReadFwFileVersion(sFile);
  } catch (const std::exception& e) {
    FView.ShowError(e.what());
    return;
  }
  FView.OpenOverview();
}

void TRunControl::ApplicationIdle() {
  if (FnIdleTag != 0) {
    return;
  }
  FnIdleTag = 1;
  if (gnAccessLevel > 0) {
    FView.ShowReportWindow();
  }
}

bool TRunControl::CloseQuery() {
  if (!IsRunning()) {
    return true;
  }
  if (!FView.AskQuestion(cQUESTION_CLOSE)) {
    return false;
  }
  // End the run before the program ends: the worker closes the port and posts its final
  // notification, and no thread outlives the objects it uses.
  FbClosing = true;
  FbRepeatPending = false;
  FView.StopRepeatTimer();
  if (FCommThread != nullptr) {
    gbCancel = true;
    const auto tGiveUp =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(cCLOSE_WAIT_MS);
    while (FCommThread != nullptr && std::chrono::steady_clock::now() < tGiveUp) {
      FView.ProcessNotifications(cCLOSE_POLL_MS);
    }
    TCommThread::WaitForWorkers(cTHREAD_END_WAIT_MS);
  }
  EndUpdate();
  return true;
}
