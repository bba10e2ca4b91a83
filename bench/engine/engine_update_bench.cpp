// A complete update against the simulated logger without line delays, minus the pauses the
// procedure prescribes, per programmed line.
#include "uBenchUpdate.h"
#include "uSimLogger.h"

#include "worker/uMessages.h"

#include <benchmark/benchmark.h>

static void BM_CompleteUpdatePerLine(benchmark::State& state) {
  // The logger restarts at once, so no waiting on it hides in the measured time.
  TSimLogger rSim({"--restart-ms", "0"});
  std::int64_t nLines = 0;
  for (auto _ : state) {
    const TUpdateTiming rTiming = TimeOneUpdate(rSim.Port());
    if (rTiming.nFinalCode != cMSG_DONE) {
      state.SkipWithError("the update did not complete");
      break;
    }
    const double tWork =
        rTiming.tElapsed.count() - std::chrono::duration<double>(cPRESCRIBED_PAUSES).count();
    state.SetIterationTime(tWork);
    state.counters["us_per_line"] = benchmark::Counter(tWork * 1e6 / rTiming.nProgrammedLines,
                                                       benchmark::Counter::kAvgIterations);
    nLines += rTiming.nProgrammedLines;
  }
  state.SetItemsProcessed(nLines);
}
BENCHMARK(BM_CompleteUpdatePerLine)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
