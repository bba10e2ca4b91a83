#include "uSimServer.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace {

constexpr std::size_t cREAD_CHUNK = 4096;

timespec ToTimespec(std::chrono::nanoseconds nWait) {
  if (nWait.count() < 0) nWait = std::chrono::nanoseconds(0);
  timespec Time{};
  Time.tv_sec = static_cast<time_t>(nWait.count() / 1'000'000'000);
  Time.tv_nsec = static_cast<long>(nWait.count() % 1'000'000'000);
  return Time;
}

} // namespace

TSimServer::TSimServer(const TSimOptions& Options, TSimFlash Flash)
    : FOptions(Options), FOutput(Options.nBaud), FModel(Options, std::move(Flash)) {}

void TSimServer::Open() {
  if (!FOptions.sTrace.empty() && !FTrace.Open(FOptions.sTrace))
    throw std::system_error(errno, std::generic_category(), "--trace " + FOptions.sTrace);
  FPty.Open();
  if (!FOptions.sLink.empty()) FPty.AddLink(FOptions.sLink);
  FTrace.Note(std::string("port ") + FPty.SlavePath() + ", " + LoggerStateName(FModel.State()));
}

void TSimServer::AdvanceTime(TClock::time_point tNow) {
  const TLoggerState Before = FModel.State();
  const std::string sUp = FModel.OnTime(tNow);
  if (FModel.State() == Before) return;
  FInput.Reset(); // whatever started arriving during the restart was not seen
  FTrace.Note(sUp);
}

bool TSimServer::ReceiveBytes(TClock::time_point tNow) {
  std::uint8_t aBuffer[cREAD_CHUNK];
  const ssize_t nRead = FPty.Read(aBuffer, sizeof aBuffer);
  if (nRead <= 0) return true;
  FTrace.In(aBuffer, static_cast<std::size_t>(nRead));
  std::vector<TSimItem> aItems;
  FInput.Feed(aBuffer, static_cast<std::size_t>(nRead), tNow, aItems);
  for (const TSimItem& Item : aItems) {
    const TLoggerReply Reply = FModel.OnItem(Item, tNow);
    FTrace.Note(Reply.sNote);
    if (Reply.bHangup) return false;
    if (!Reply.sAnswer.empty()) FOutput.Push(Reply.sAnswer, tNow);
  }
  return true;
}

bool TSimServer::SendDueBytes(TClock::time_point tNow) {
  const std::vector<std::uint8_t> aDue = FOutput.Due(tNow);
  if (aDue.empty()) return true;
  const ssize_t nWritten = FPty.Write(aDue.data(), aDue.size());
  if (nWritten < 0) {
    // Nobody can take these bytes; keep serving.
    FTrace.Note("write failed: answer dropped");
    FOutput.Consume(aDue.size());
    return true;
  }
  FTrace.Out(aDue.data(), static_cast<std::size_t>(nWritten));
  FOutput.Consume(static_cast<std::size_t>(nWritten));
  return static_cast<std::size_t>(nWritten) == aDue.size();
}

void TSimServer::Finish() {
  FPty.Close();
  if (!FOptions.sFlashOut.empty() && !FModel.Flash().Save(FOptions.sFlashOut))
    std::fprintf(stderr, "tarvik-logger-sim: cannot write %s\n", FOptions.sFlashOut.c_str());
  FTrace.Close();
}

int TSimServer::Run(int hSignal) {
  bool bPortFull = false;
  for (;;) {
    TClock::time_point tNow = TClock::now();
    AdvanceTime(tNow);
    bPortFull = !SendDueBytes(tNow);

    std::optional<TClock::time_point> otWake;
    if (!bPortFull) otWake = FOutput.NextDue();
    const auto Earliest = [&otWake](std::optional<TClock::time_point> otEvent) {
      if (otEvent && (!otWake || *otEvent < *otWake)) otWake = otEvent;
    };
    if (FModel.State() == TLoggerState::Restarting) Earliest(FModel.RestartDue());
    Earliest(FInput.Expiry());

    pollfd aPoll[2] = {{FPty.MasterFd(), static_cast<short>(POLLIN | (bPortFull ? POLLOUT : 0)), 0},
                       {hSignal, POLLIN, 0}};
    timespec Wait{};
    if (otWake) Wait = ToTimespec(*otWake - TClock::now());
    const int nReady = ppoll(aPoll, 2, otWake ? &Wait : nullptr, nullptr);
    if (nReady < 0) {
      if (errno == EINTR) continue;
      FTrace.Note("ppoll failed");
      Finish();
      return 1;
    }
    if (aPoll[1].revents & POLLIN) {
      signalfd_siginfo Info{};
      if (read(hSignal, &Info, sizeof Info) > 0)
        FTrace.Note("signal " + std::to_string(Info.ssi_signo) + ": exit");
      Finish();
      return 0;
    }
    tNow = TClock::now();
    if ((aPoll[0].revents & POLLIN) == 0 && FInput.ExpireIfSilent(tNow))
      FTrace.Note("silence: partial item discarded");
    // A restart that came due while we waited is over before the new bytes are looked at.
    AdvanceTime(tNow);
    if ((aPoll[0].revents & POLLIN) != 0 && !ReceiveBytes(tNow)) {
      FTrace.Note("hang-up: the port vanishes");
      Finish();
      return 0;
    }
    if ((aPoll[0].revents & (POLLHUP | POLLERR)) != 0 && (aPoll[0].revents & POLLIN) == 0) {
      // Cannot happen while our slave descriptor is open; do not spin if it does.
      FTrace.Note("the master side failed");
      Finish();
      return 1;
    }
  }
}
