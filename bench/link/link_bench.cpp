// How much one 139-character line exchange (ExchangeLine with a 64-byte record, echoed by the
// simulated logger) costs next to a bare write and read of the same 139 bytes over a
// pseudo-terminal with an echoing peer thread. Prints the ratio at the end.
#include "link/uFlash.h"
#include "uSimLogger.h"
#include "worker/uCommThread.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr std::size_t cLINE_SIZE = 139;

// A worker used on the benchmark's thread: opens the port and exchanges lines directly.
class TBenchWorker : public TCommThread {
public:
  explicit TBenchWorker(const std::string& sPort) : TCommThread(nullptr, TCmd::tCMD0, sPort) {
    FhPort = OpenPort(FsPort, 9600);
    if (FhPort == cINVALID_PORT) throw std::runtime_error("cannot open " + FsPort);
  }
  using TCommThread::ExchangeLine;
  using TCommThread::SendLine;
};

std::string DataLine() {
  gaRecord.fill(0);
  gaRecord[0] = 64;
  for (std::size_t i = 0; i < 64; ++i)
    gaRecord[4 + i] = static_cast<std::uint8_t>(i * 5 + 3);
  BuildRecordLine();
  return gsLine;
}

std::string StartProgramming() {
  gaRecord.fill(0);
  gaRecord[0] = 1;
  gaRecord[3] = 5;
  gaRecord[4] = 0x31;
  BuildRecordLine();
  return gsLine;
}

void BM_LineExchangeWithSim(benchmark::State& state) {
  TSimLogger sim({"--start-in-bootloader"});
  TBenchWorker worker(sim.Port());
  // Data lines are echoed only once programming has started.
  if (!worker.SendLine(StartProgramming(), 1, false)) {
    state.SkipWithError("the simulator did not start programming");
    return;
  }
  const std::string sLine = DataLine();
  for (auto _ : state) {
    if (!worker.ExchangeLine(sLine, 64)) {
      state.SkipWithError("line exchange failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * cLINE_SIZE));
}

// Echoes everything that arrives on fdMaster until told to stop.
void EchoPeer(int fdMaster, const std::atomic<bool>& bStop) {
  std::uint8_t aBuffer[512];
  while (!bStop) {
    pollfd pfd{fdMaster, POLLIN, 0};
    if (poll(&pfd, 1, 10) <= 0) continue;
    const ssize_t n = read(fdMaster, aBuffer, sizeof(aBuffer));
    for (ssize_t nDone = 0; n > 0 && nDone < n;) {
      const ssize_t nPut = write(fdMaster, aBuffer + nDone, static_cast<std::size_t>(n - nDone));
      if (nPut <= 0) break;
      nDone += nPut;
    }
  }
}

void BM_RawPtyRoundTrip(benchmark::State& state) {
  termios tio{};
  cfmakeraw(&tio);
  int fdMaster = -1;
  int fdSlave = -1;
  if (openpty(&fdMaster, &fdSlave, nullptr, &tio, nullptr) != 0) {
    state.SkipWithError("openpty failed");
    return;
  }
  std::atomic<bool> bStop{false};
  std::thread peer(EchoPeer, fdMaster, std::cref(bStop));
  const std::string sLine = DataLine();
  std::uint8_t aBack[cLINE_SIZE];
  for (auto _ : state) {
    if (write(fdSlave, sLine.data(), cLINE_SIZE) != static_cast<ssize_t>(cLINE_SIZE)) {
      state.SkipWithError("write failed");
      break;
    }
    std::size_t nGot = 0;
    while (nGot < cLINE_SIZE) {
      const ssize_t n = read(fdSlave, aBack + nGot, cLINE_SIZE - nGot);
      if (n <= 0) break;
      nGot += static_cast<std::size_t>(n);
    }
    benchmark::DoNotOptimize(aBack);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * cLINE_SIZE));
  bStop = true;
  peer.join();
  close(fdMaster);
  close(fdSlave);
}

BENCHMARK(BM_LineExchangeWithSim)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_RawPtyRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The console report, remembering each benchmark's real time per iteration.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& aRuns) override {
    for (const Run& run : aRuns)
      if (run.run_type == Run::RT_Iteration && !run.error_occurred)
        FaTimes[run.run_name.function_name] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(aRuns);
  }
  std::map<std::string, double> FaTimes;
};

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  const auto itLine = reporter.FaTimes.find("BM_LineExchangeWithSim");
  const auto itRaw = reporter.FaTimes.find("BM_RawPtyRoundTrip");
  if (itLine != reporter.FaTimes.end() && itRaw != reporter.FaTimes.end() && itRaw->second > 0)
    std::printf("ratio line exchange with the simulator / raw pty round trip: %.2f\n",
                itLine->second / itRaw->second);
  return 0;
}
