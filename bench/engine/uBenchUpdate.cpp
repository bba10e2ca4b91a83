#include "uBenchUpdate.h"

#include "catalogue/uFWVersions.h"
#include "engine/uTarvikCommThread.h"

#include <memory>

TUpdateTiming TimeOneUpdate(const std::string& sPort) {
  gbCancel.store(false);
  gnFwIndex = -1;
  auto pQueue = std::make_shared<TNotifyQueue>();
  TUpdateTiming rTiming;
  const auto tStart = std::chrono::steady_clock::now();
  TCommThread::Create<TTarvikCommThread>(pQueue, TCmd::tCMD0, sPort);
  for (;;) {
    const std::optional<TNotification> rNote = pQueue->Wait(120000);
    if (!rNote) {
      break;
    }
    if (IsFinalMessage(rNote->FnCode)) {
      rTiming.nFinalCode = rNote->FnCode;
      break;
    }
  }
  rTiming.tElapsed = std::chrono::steady_clock::now() - tStart;
  TCommThread::WaitForWorkers(5000);
  // Every line but the end record is a programmed 64-byte data line in the carried images.
  if (gnFwIndex > 0) {
    rTiming.nProgrammedLines = GetFwLastLine();
  }
  return rTiming;
}
