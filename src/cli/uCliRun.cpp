#include "cli/uCliRun.h"

#include "cli/uCliPorts.h"
#include "cli/uCliTerminal.h"
#include "engine/uTarvikCommThread.h"
#include "ui/uNotifyText.h"
#include "ui/uPortHint.h"
#include "worker/uExceptions1V0.h"

#include <memory>

namespace {

// How long to wait for a worker to end after its final notification.
constexpr std::uint32_t cWORKER_END_MS = 5000;
constexpr std::uint32_t cPOLL_MS = 250;

// Shows one notification; returns its view for the final decision.
TNotifyView Show(const TNotification& rNote, const std::string& sPort, TRunView& rView) {
  rView.Notification(rNote.FnCode, rNote.FnValue);
  const TNotifyView rNotify = DescribeNotification(rNote.FnCode, rNote.FnValue, sPort);
  if (rNotify.sReport) {
    rView.Report(TimeStampedLine(*rNotify.sReport));
  }
  if (rNotify.nProgress >= 0) {
    rView.Progress(rNotify.nProgress);
  }
  if (rNotify.sMessage) {
    rView.Message(*rNotify.sMessage);
  }
  return rNotify;
}

// Starts one worker and shows its notifications up to the final one.
TNotification RunOnce(const std::string& sPort, TRunView& rView) {
  auto pQueue = std::make_shared<TNotifyQueue>();
  rView.Report(TimeStampedLine(StartLineText(sPort)));
  TCommThread::Create<TTarvikCommThread>(pQueue, TCmd::tCMD0, sPort);
  for (;;) {
    const std::optional<TNotification> rNote = pQueue->Wait(cPOLL_MS);
    if (!rNote) {
      continue;
    }
    if (Show(*rNote, sPort, rView).bFinal) {
      TCommThread::WaitForWorkers(cWORKER_END_MS);
      rView.RunEnded();
      return *rNote;
    }
  }
}

} // namespace

int FailureExitStatus(std::int32_t iCode) {
  return iCode == 0 ? 1 : iCode;
}

int RunUpdate(const TRunSettings& rSettings, TRunView& rView) {
  std::uint32_t nRepeats = 0;
  gbCancel.store(gbInterrupted.load());
  for (;;) {
    const TNotification rFinal = RunOnce(rSettings.sPort, rView);
    if (rFinal.FnCode == cMSG_DONE) {
      return 0;
    }
    const bool bRepeatAfterPause = rFinal.FnCode == cMSG_REPEAT;
    const bool bRepeatAtOnce =
        rFinal.FnCode == cMSG_FAILURE && static_cast<std::int32_t>(rFinal.FnValue) == cERR_ECHO;
    if (!bRepeatAfterPause && !bRepeatAtOnce) {
      const auto iCode = static_cast<std::int32_t>(rFinal.FnValue);
      if (rFinal.FnCode == cMSG_FAILURE && iCode == cERR_PORT) {
        const std::string sHint = PortHint(rSettings.sPort, ListSerialPorts());
        if (!sHint.empty()) {
          rView.Hint(sHint);
        }
      }
      return FailureExitStatus(iCode);
    }
    if (rSettings.nMaxRepeats && nRepeats >= *rSettings.nMaxRepeats) {
      rView.Message("No repeats left (--max-repeats " + std::to_string(*rSettings.nMaxRepeats) +
                    ").");
      return bRepeatAfterPause ? cERR_NO_ANSWER : cERR_ECHO;
    }
    ++nRepeats;
    if (bRepeatAfterPause) {
      TCommThread::Sleep(cREPEAT_PAUSE_MS);
    }
    // A Ctrl+C pressed at any time before, also during the pause, stays in force: the next
    // run then ends with failure 20 at its first exchange.
    gbCancel.store(gbInterrupted.load());
  }
}
