// A raw pseudo-terminal peer for tests: the test's code opens the slave by name as the
// serial port; a thread on the master side records every byte that arrives, with its time,
// and answers through a responder that the test sets.
#pragma once

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

using TBytes = std::vector<std::uint8_t>;
using TClock = std::chrono::steady_clock;

struct TChunk {
  TClock::time_point tAt;
  TBytes aData;
};

class TPtyPeer {
public:
  // Gets the bytes received since its last answer; returns an answer to write (and the
  // pending bytes are dropped), or nothing to keep waiting for more.
  using TResponder = std::function<std::optional<TBytes>(const TBytes& aPending)>;

  TPtyPeer() {
    termios tio{};
    cfmakeraw(&tio);
    char aName[256] = {};
    if (openpty(&FnMaster, &FnSlave, aName, &tio, nullptr) != 0)
      throw std::runtime_error("openpty failed");
    FsSlavePath = aName;
    FThread = std::thread([this] { Serve(); });
  }

  ~TPtyPeer() {
    StopServing();
    if (FnMaster >= 0) close(FnMaster);
    if (FnSlave >= 0) close(FnSlave);
  }

  TPtyPeer(const TPtyPeer&) = delete;
  TPtyPeer& operator=(const TPtyPeer&) = delete;

  const std::string& Path() const { return FsSlavePath; }
  int SlaveFd() const { return FnSlave; }

  void SetResponder(TResponder responder) {
    std::lock_guard<std::mutex> lock(FMutex);
    FResponder = std::move(responder);
  }

  // Answers every n-byte unit with the next answer of the list (an empty answer stays
  // silent); after the list, silence.
  void AnswerUnits(std::size_t n, std::vector<TBytes> aAnswers) {
    auto pNext = std::make_shared<std::size_t>(0);
    SetResponder([n, aAnswers, pNext](const TBytes& aPending) -> std::optional<TBytes> {
      if (aPending.size() < n) return std::nullopt;
      const std::size_t i = (*pNext)++;
      return i < aAnswers.size() ? aAnswers[i] : TBytes{};
    });
  }

  // Sends bytes to the port as the logger would, unasked.
  void Send(const TBytes& aData) { WriteAll(aData); }

  std::vector<TChunk> Chunks() {
    std::lock_guard<std::mutex> lock(FMutex);
    return FaChunks;
  }

  TBytes Received() {
    TBytes aAll;
    for (const TChunk& chunk : Chunks())
      aAll.insert(aAll.end(), chunk.aData.begin(), chunk.aData.end());
    return aAll;
  }

  // Waits until at least n bytes have arrived in all, or nTimeoutMs passed.
  bool WaitReceived(std::size_t n, int nTimeoutMs) {
    const auto tEnd = TClock::now() + std::chrono::milliseconds(nTimeoutMs);
    while (Received().size() < n) {
      if (TClock::now() > tEnd) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }

  // The other end stops taking bytes (a stalled adapter): nothing reads the master from now
  // on, so once its buffer is full a write to the port can place no more bytes.
  void StopReading() { StopServing(); }

  // Writes to the port's non-blocking descriptor fdPort until the line takes no more; call
  // after StopReading. Returns how many bytes that was.
  std::size_t FillUntilFull(int fdPort) {
    // Bytes written to the slave wait in the master's buffer until a kernel worker moves
    // them on to the master's line discipline (4095 bytes in raw mode), which makes room
    // again. Only once that is full can nothing more be placed.
    constexpr int cLDISC_FULL = 4095;
    std::size_t nTotal = 0;
    const auto tGiveUp = TClock::now() + std::chrono::seconds(10);
    for (bool bFinal = false;; std::this_thread::sleep_for(std::chrono::milliseconds(2))) {
      nTotal += WriteUntilRefused(fdPort);
      if (bFinal || TClock::now() > tGiveUp) return nTotal;
      int nReadable = 0;
      bFinal = ioctl(FnMaster, FIONREAD, &nReadable) == 0 && nReadable >= cLDISC_FULL;
    }
  }

  // The line vanishes: the master side closes, as when an adapter is unplugged.
  void HangUp() {
    StopServing();
    close(FnMaster);
    FnMaster = -1;
  }

private:
  void StopServing() {
    FbStop = true;
    if (FThread.joinable()) FThread.join();
  }

  static std::size_t WriteUntilRefused(int fd) {
    // The kernel counts its buffer space in blocks: a write refused in whole may still find
    // room for a few bytes, so each pass ends with single bytes.
    std::uint8_t aBlock[4096] = {};
    std::size_t nTotal = 0;
    for (std::size_t nSize : {sizeof(aBlock), std::size_t{1}}) {
      for (;;) {
        const ssize_t n = write(fd, aBlock, nSize);
        if (n > 0) {
          nTotal += static_cast<std::size_t>(n);
          continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break; // EAGAIN: refused for now
      }
    }
    return nTotal;
  }

  void WriteAll(const TBytes& aData) {
    std::size_t nDone = 0;
    while (nDone < aData.size()) {
      const ssize_t n = write(FnMaster, aData.data() + nDone, aData.size() - nDone);
      if (n <= 0) return;
      nDone += static_cast<std::size_t>(n);
    }
  }

  void Serve() {
    TBytes aPending;
    std::uint8_t aBuffer[4096];
    while (!FbStop) {
      pollfd pfd{FnMaster, POLLIN, 0};
      if (poll(&pfd, 1, 10) <= 0 || (pfd.revents & POLLIN) == 0) continue;
      const ssize_t n = read(FnMaster, aBuffer, sizeof(aBuffer));
      if (n <= 0) continue;
      const auto tNow = TClock::now();
      std::optional<TBytes> aAnswer;
      {
        std::lock_guard<std::mutex> lock(FMutex);
        FaChunks.push_back(TChunk{tNow, TBytes(aBuffer, aBuffer + n)});
        aPending.insert(aPending.end(), aBuffer, aBuffer + n);
        if (FResponder) aAnswer = FResponder(aPending);
      }
      if (aAnswer) {
        aPending.clear();
        WriteAll(*aAnswer);
      }
    }
  }

  int FnMaster = -1;
  int FnSlave = -1; // kept open, so the master sees no hang-up between opens of the port
  std::string FsSlavePath;
  std::atomic<bool> FbStop{false};
  std::mutex FMutex;
  TResponder FResponder;
  std::vector<TChunk> FaChunks;
  std::thread FThread;
};
