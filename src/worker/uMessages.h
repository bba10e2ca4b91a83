// Worker notifications: a code and a 32-bit value, posted to the window (or any other
// receiver) in order, never blocking the worker. Words arrive zero-extended.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

constexpr std::uint32_t cWM_USER = 0x400;

constexpr std::uint32_t cMSG_DONE = 0;
constexpr std::uint32_t cMSG_PROGRESS = 1;
constexpr std::uint32_t cMSG_FAILURE = 10;
constexpr std::uint32_t cMSG_PROG_ERROR = 11;
constexpr std::uint32_t cMSG_CONV_ERROR = 12;
constexpr std::uint32_t cMSG_REPEAT = 13;
constexpr std::uint32_t cMSG_CLASS = 20;
constexpr std::uint32_t cMSG_VERSION = 21;
constexpr std::uint32_t cMSG_PLATFORM = 22;
constexpr std::uint32_t cMSG_PRINT = 23;
constexpr std::uint32_t cMSG_INFO = 24;
constexpr std::uint32_t cMSG_UPD_CLASS = 25;
constexpr std::uint32_t cMSG_PROGRAM = 26;
constexpr std::uint32_t cMSG_CHECK = 27;
constexpr std::uint32_t cMSG_UPD_INFO = 28;
constexpr std::uint32_t cMSG_VECTOR = 40;

// True for the three codes that end a run.
constexpr bool IsFinalMessage(std::uint32_t nCode) {
  return nCode == cMSG_DONE || nCode == cMSG_FAILURE || nCode == cMSG_REPEAT;
}

struct TNotification {
  std::uint32_t FnCode;
  std::uint32_t FnValue;
};

// A receiver of notifications. Post is called on the worker thread; it must be thread-safe,
// keep the order and return at once.
class TNotifyTarget {
public:
  virtual ~TNotifyTarget() = default;
  virtual void Post(std::uint32_t nCode, std::uint32_t nValue) = 0;
};

// What a worker keeps as FhWindow. Shared, so the receiver outlives every worker posting to it.
using TWindowHandle = std::shared_ptr<TNotifyTarget>;

// A plain queue receiver, for the command line and the tests.
class TNotifyQueue : public TNotifyTarget {
public:
  void Post(std::uint32_t nCode, std::uint32_t nValue) override;

  // Next notification, waiting at most nTimeoutMs; nothing when none came in time.
  std::optional<TNotification> Wait(std::uint32_t nTimeoutMs);
  std::optional<TNotification> TryTake();

private:
  std::mutex FMutex;
  std::condition_variable FArrived;
  std::deque<TNotification> FQueue;
};
