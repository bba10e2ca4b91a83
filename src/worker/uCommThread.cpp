// The worker thread: one conversation with the logger, from opening the port to the one
// final notification, with the frame and line exchanges and their retries.
#include "worker/uCommThread.h"

#include "link/uCrc.h"
#include "worker/uAnswers.h"
#include "worker/uExceptions1V0.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

std::atomic<bool> gbCancel{false};

namespace {

constexpr std::uint32_t cFRAME_SIZE = cANSWER_FRAME_SIZE; // command frames are as long
constexpr std::int32_t cBAUD = 9600;
constexpr std::uint32_t cWAKE_PAUSE_MS = 100;
constexpr std::int32_t cMAX_PERCENT = 99;

// Never destroyed: a worker may still be ending while the process runs its exit handlers,
// and must not find these torn down under it.
std::mutex& gWorkersMutex = *new std::mutex;
std::condition_variable& gWorkersEnded = *new std::condition_variable;
int gnLiveWorkers = 0;

// The workers' threads. Each is joined once its worker has ended, so that no thread is still
// on its way out when the program ends (wine kills a process whose threads take over a
// second to go). Ended ones are joined by the next Start and by WaitForWorkers.
std::vector<std::thread>& gaWorkerThreads = *new std::vector<std::thread>;
std::vector<std::thread::id>& gaEndedThreads = *new std::vector<std::thread::id>;

void WorkerEnded(bool bOwnThread) {
  std::lock_guard<std::mutex> lock(gWorkersMutex);
  --gnLiveWorkers;
  if (bOwnThread) gaEndedThreads.push_back(std::this_thread::get_id());
  gWorkersEnded.notify_all();
}

// Joins the threads whose workers have ended. Their last step is behind them, so a join
// waits only for the thread to return.
void JoinEndedThreads() {
  std::vector<std::thread> aEnded;
  {
    std::lock_guard<std::mutex> lock(gWorkersMutex);
    for (const std::thread::id& id : gaEndedThreads) {
      const auto it =
          std::find_if(gaWorkerThreads.begin(), gaWorkerThreads.end(),
                       [&](const std::thread& rThread) { return rThread.get_id() == id; });
      if (it == gaWorkerThreads.end()) continue; // started, not yet registered
      aEnded.push_back(std::move(*it));
      gaWorkerThreads.erase(it);
    }
    std::erase_if(gaEndedThreads, [&](const std::thread::id& id) {
      return std::any_of(aEnded.begin(), aEnded.end(),
                         [&](const std::thread& rThread) { return rThread.get_id() == id; });
    });
  }
  for (std::thread& rThread : aEnded)
    rThread.join();
}

} // namespace

TCommThread::TCommThread(TWindowHandle hWindow, TCmd cmd, std::string sPort)
    : FCmd(cmd), FhWindow(std::move(hWindow)), FsPort(std::move(sPort)) {}

TCommThread::~TCommThread() {
  ClosePort();
}

void TCommThread::Start() {
  JoinEndedThreads();
  // Held while the thread starts, so that it is registered before it can end.
  std::unique_lock<std::mutex> lock(gWorkersMutex);
  ++gnLiveWorkers;
  try {
    gaWorkerThreads.emplace_back(&TCommThread::Run, this);
  } catch (...) {
    // No thread: the run ends before it began, still with exactly one final notification.
    lock.unlock();
    Post(cMSG_FAILURE, 0);
    delete this;
    WorkerEnded(false);
  }
}

void TCommThread::Run(TCommThread* pThread) {
  try {
    pThread->Execute();
  } catch (...) {
    // Execute turns every failure into the final notification; nothing may escape the thread.
  }
  delete pThread;
  WorkerEnded(true); // the very last step: the object and its port are gone
}

int TCommThread::LiveWorkers() {
  std::lock_guard<std::mutex> lock(gWorkersMutex);
  return gnLiveWorkers;
}

bool TCommThread::WaitForWorkers(std::uint32_t nTimeoutMs) {
  bool bNone = false;
  {
    std::unique_lock<std::mutex> lock(gWorkersMutex);
    bNone = gWorkersEnded.wait_for(lock, std::chrono::milliseconds(nTimeoutMs),
                                   [] { return gnLiveWorkers == 0; });
  }
  JoinEndedThreads();
  return bNone;
}

void TCommThread::Sleep(std::uint32_t nMs) {
  std::this_thread::sleep_for(std::chrono::milliseconds(nMs));
}

void TCommThread::Execute() {
  std::uint32_t nFinalCode = cMSG_DONE;
  std::uint32_t nFinalValue = static_cast<std::uint32_t>(FCmd);
  try {
    FhPort = OpenPort(FsPort, cBAUD);
    if (FhPort == cINVALID_PORT) throw ETarv(cERR_PORT);
    try {
      ResetProgress();
      SendCommand(false, cCMD_WAKE);
      Sleep(cWAKE_PAUSE_MS);
      SendCommand(false, cCMD_WAKE);
      Sleep(cWAKE_PAUSE_MS);
      DoCommand();
    } catch (...) {
      ClosePort();
      throw;
    }
    ClosePort();
  } catch (const ETarv& e) {
    if (e.iException == cERR_NO_ANSWER) {
      nFinalCode = cMSG_REPEAT;
    } else {
      nFinalCode = cMSG_FAILURE;
      nFinalValue = static_cast<std::uint32_t>(e.iException);
    }
  } catch (...) {
    nFinalCode = cMSG_FAILURE;
    nFinalValue = 0;
  }
  // Posted once, after the port is closed, so the receiver may reopen it at once.
  Post(nFinalCode, nFinalValue);
}

void TCommThread::DoUpdate() {}

void TCommThread::DoCommand() {
  DoUpdate();
}

void TCommThread::Post(std::uint32_t nCode, std::uint32_t nValue) {
  if (FhWindow) FhWindow->Post(nCode, nValue);
}

void TCommThread::SetProgress(std::int32_t iPos, std::int32_t iMax) {
  // Wide arithmetic: a large position must not overflow into a wrong percent.
  const std::int64_t nPercent =
      iMax == 0 ? 0 : static_cast<std::int64_t>(iPos) * cMAX_PERCENT / iMax;
  const auto iPercent =
      static_cast<std::int32_t>(std::clamp<std::int64_t>(nPercent, 0, cMAX_PERCENT));
  if (iPercent == FnProgres) return;
  FnProgres = iPercent;
  Post(cMSG_PROGRESS, static_cast<std::uint32_t>(iPercent));
}

void TCommThread::ResetProgress() {
  FnProgres = 0;
}

void TCommThread::ClosePort() {
  if (FhPort == cINVALID_PORT) return;
  ClosePortHandle(FhPort);
  FhPort = cINVALID_PORT;
}

bool TCommThread::ExchangeFrame(bool bAnswer) {
  if (!ClearPortErrors(FhPort)) throw ETarv(cERR_SERIAL, "ClearCommError");
  // Drops a late answer to an earlier try; what was written earlier is not touched.
  if (!PurgePort(FhPort)) throw ETarv(cERR_SERIAL, "PurgeComm");
  std::uint32_t nDone = 0;
  if (!WritePort(FhPort, FTxBuffer, cFRAME_SIZE, nDone)) throw ETarv(cERR_SERIAL, "WriteFile");
  if (nDone < cFRAME_SIZE) return false;
  if (!bAnswer) return true;
  if (!ReadPort(FhPort, FRxBuffer, cFRAME_SIZE, nDone)) throw ETarv(cERR_SERIAL, "ReadFile");
  switch (CheckFrameAnswer(FRxBuffer, nDone)) {
  case TFrameAnswer::Valid:
    return true;
  case TFrameAnswer::Refused:
    throw ETarv(cERR_LOGGER, "Tarv Exception!");
  case TFrameAnswer::Retry:
    break;
  }
  return false;
}

void TCommThread::SendCommand(bool bAnswer, std::uint8_t byCmd, std::uint8_t byP1,
                              std::uint8_t byP2, std::uint8_t byP3, std::uint8_t byP4,
                              std::uint8_t byP5, std::uint8_t byP6) {
  if (byCmd == cCMD_WAKE) {
    std::fill_n(FTxBuffer, cFRAME_SIZE, std::uint8_t{0});
  } else {
    FTxBuffer[0] = static_cast<std::uint8_t>(byCmd | 0x80);
    FTxBuffer[1] = byP1;
    FTxBuffer[2] = byP2;
    FTxBuffer[3] = byP3;
    FTxBuffer[4] = byP4;
    FTxBuffer[5] = byP5;
    FTxBuffer[6] = byP6;
    FTxBuffer[7] = Crc8(FTxBuffer, cFRAME_SIZE - 1);
  }
  for (std::int32_t nTry = 1;; ++nTry) {
    if (gbCancel.load()) throw ETarv(cERR_CANCEL);
    if (ExchangeFrame(bAnswer)) return;
    if (nTry == cTRIES) throw ETarv(cERR_NO_ANSWER);
    Sleep(cTRY_PAUSE_MS);
  }
}

bool TCommThread::ExchangeLine(const std::string& sLine, std::uint8_t byCount) {
  FRxCnt = 0;
  if (!ClearPortErrors(FhPort)) throw ETarv(cERR_SERIAL, "ClearCommError");
  if (!PurgePort(FhPort)) throw ETarv(cERR_SERIAL, "PurgeComm");
  // Full-width counts: a line or an answer longer than 255 characters is neither cut short
  // nor read with a wrapped-around length. The receive area holds the longest answer (521).
  const auto nTxCnt = static_cast<std::uint32_t>(sLine.size());
  const std::uint32_t nRxCnt = AnswerLineLength(byCount);
  std::uint32_t nDone = 0;
  if (!WritePort(FhPort, reinterpret_cast<const std::uint8_t*>(sLine.data()), nTxCnt, nDone))
    throw ETarv(cERR_SERIAL, "WriteFile");
  if (nDone < nTxCnt) throw ETarv(cERR_SERIAL, "WriteFile <> txCnt");
  if (byCount == 0) return true;
  if (!ReadPort(FhPort, FRxBuffer, nRxCnt, nDone)) throw ETarv(cERR_SERIAL, "ReadFile");
  FRxCnt = static_cast<std::int32_t>(nRxCnt);
  return CheckLineAnswer(FRxBuffer, nDone, byCount);
}

bool TCommThread::SendLine(const std::string& sLine, std::uint8_t byCount, bool bFail) {
  for (std::int32_t nTry = 1;; ++nTry) {
    if (gbCancel.load()) throw ETarv(cERR_CANCEL);
    if (ExchangeLine(sLine, byCount)) return true;
    if (nTry == cTRIES) {
      if (bFail) throw ETarv(cERR_NO_ANSWER);
      return false;
    }
    Sleep(cTRY_PAUSE_MS);
  }
}

std::string TCommThread::AnswerLine() const {
  const std::int32_t nCount = std::clamp<std::int32_t>(FRxCnt, 0, cBUFFER_SIZE);
  return std::string(reinterpret_cast<const char*>(FRxBuffer), static_cast<std::size_t>(nCount));
}

std::uint16_t TCommThread::calculateCRC16(std::uint16_t upid_id, std::uint16_t upid_info,
                                          std::uint16_t upid_platform, std::uint16_t upid_print,
                                          std::uint16_t upid_reserve) {
  const std::uint16_t aWords[] = {upid_id, upid_info, upid_platform, upid_print, upid_reserve};
  std::uint8_t aBlock[2 * std::size(aWords)];
  for (std::size_t i = 0; i < std::size(aWords); ++i) {
    aBlock[2 * i] = static_cast<std::uint8_t>(aWords[i] & 0xFF); // low byte first
    aBlock[2 * i + 1] = static_cast<std::uint8_t>(aWords[i] >> 8);
  }
  return Crc16(aBlock, sizeof(aBlock));
}
