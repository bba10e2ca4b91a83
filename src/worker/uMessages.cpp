// A plain notification queue for the command line and the tests.
#include "worker/uMessages.h"

#include <chrono>

void TNotifyQueue::Post(std::uint32_t nCode, std::uint32_t nValue) {
  {
    std::lock_guard<std::mutex> lock(FMutex);
    FQueue.push_back(TNotification{nCode, nValue});
  }
  FArrived.notify_all();
}

std::optional<TNotification> TNotifyQueue::Wait(std::uint32_t nTimeoutMs) {
  std::unique_lock<std::mutex> lock(FMutex);
  if (!FArrived.wait_for(lock, std::chrono::milliseconds(nTimeoutMs),
                         [this] { return !FQueue.empty(); }))
    return std::nullopt;
  const TNotification note = FQueue.front();
  FQueue.pop_front();
  return note;
}

std::optional<TNotification> TNotifyQueue::TryTake() {
  std::lock_guard<std::mutex> lock(FMutex);
  if (FQueue.empty()) return std::nullopt;
  const TNotification note = FQueue.front();
  FQueue.pop_front();
  return note;
}
