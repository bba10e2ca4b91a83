// Test workers: TTestWorker opens the port itself and exposes the link operations for
// step-by-step use on the test's thread; TScriptWorker runs as a real worker thread and
// performs a scripted DoUpdate.
#pragma once

#include "link/uRS232.h"
#include "worker/uCommThread.h"
#include "worker/uExceptions1V0.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#define TARVIK_EXPOSE_WORKER                                                                       \
  using TCommThread::AnswerLine;                                                                   \
  using TCommThread::ClosePort;                                                                    \
  using TCommThread::ExchangeFrame;                                                                \
  using TCommThread::ExchangeLine;                                                                 \
  using TCommThread::ResetProgress;                                                                \
  using TCommThread::SendCommand;                                                                  \
  using TCommThread::SendLine;                                                                     \
  using TCommThread::SetProgress;                                                                  \
  using TCommThread::FCmd;                                                                         \
  using TCommThread::FhPort;                                                                       \
  using TCommThread::FnProgres;                                                                    \
  using TCommThread::FRxBuffer;                                                                    \
  using TCommThread::FRxCnt;                                                                       \
  using TCommThread::FTxBuffer

class TTestWorker : public TCommThread {
public:
  TTestWorker(TWindowHandle hWindow, TCmd cmd, const std::string& sPort)
      : TCommThread(std::move(hWindow), cmd, sPort) {}
  TARVIK_EXPOSE_WORKER;

  bool Open() {
    FhPort = OpenPort(FsPort, 9600);
    return FhPort != cINVALID_PORT;
  }
};

class TScriptWorker : public TCommThread {
public:
  using TScript = std::function<void(TScriptWorker&)>;

  // What DoUpdate runs; set before the worker is created.
  static inline TScript gScript;

  TScriptWorker(TWindowHandle hWindow, TCmd cmd, const std::string& sPort)
      : TCommThread(std::move(hWindow), cmd, sPort) {}
  TARVIK_EXPOSE_WORKER;

protected:
  void DoUpdate() override {
    if (gScript) gScript(*this);
  }
};

// A notification receiver that also records, when a final notification is posted, whether
// the worker's port could be opened at that very moment (it must be closed by then).
class TRecordingTarget : public TNotifyTarget {
public:
  explicit TRecordingTarget(std::string sPort) : FsPort(std::move(sPort)) {}

  void Post(std::uint32_t nCode, std::uint32_t nValue) override {
    if (IsFinalMessage(nCode)) {
      const TPortHandle hPort = OpenPort(FsPort, 9600);
      std::lock_guard<std::mutex> lock(FMutex);
      FbPortFreeAtFinal = hPort != cINVALID_PORT;
      if (hPort != cINVALID_PORT) ClosePortHandle(hPort);
    }
    FQueue.Post(nCode, nValue);
  }

  // Every notification up to and including the final one (waits at most nTimeoutMs).
  std::vector<TNotification> UntilFinal(std::uint32_t nTimeoutMs) {
    std::vector<TNotification> aNotes;
    const auto tEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
    while (std::chrono::steady_clock::now() < tEnd) {
      const auto note = FQueue.Wait(50);
      if (!note) continue;
      aNotes.push_back(*note);
      if (IsFinalMessage(note->FnCode)) break;
    }
    return aNotes;
  }

  std::optional<TNotification> TryTake() { return FQueue.TryTake(); }

  bool PortFreeAtFinal() {
    std::lock_guard<std::mutex> lock(FMutex);
    return FbPortFreeAtFinal;
  }

private:
  std::string FsPort;
  std::mutex FMutex;
  bool FbPortFreeAtFinal = false;
  TNotifyQueue FQueue;
};

// Starts a scripted worker and collects its notifications until the final one; then waits
// until the thread has ended and checks that nothing followed the final notification.
struct TRunResult {
  std::vector<TNotification> aNotes;
  bool bPortFreeAtFinal = false;
  bool bWorkerEnded = false;
  bool bNothingAfterFinal = false;
};

inline TRunResult RunWorker(const std::string& sPort, TCmd cmd, TScriptWorker::TScript script,
                            std::uint32_t nTimeoutMs = 10000) {
  TScriptWorker::gScript = std::move(script);
  auto pTarget = std::make_shared<TRecordingTarget>(sPort);
  TCommThread::Create<TScriptWorker>(pTarget, cmd, sPort);
  TRunResult result;
  result.aNotes = pTarget->UntilFinal(nTimeoutMs);
  result.bWorkerEnded = TCommThread::WaitForWorkers(nTimeoutMs);
  result.bNothingAfterFinal = !pTarget->TryTake().has_value();
  result.bPortFreeAtFinal = pTarget->PortFreeAtFinal();
  return result;
}
