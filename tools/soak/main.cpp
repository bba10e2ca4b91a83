// tarvik-soak: complete updates against simulated loggers with faults drawn from a seed.
#include "catalogue/uFWVersions.h"
#include "uSoakImage.h"
#include "uSoakOptions.h"
#include "uSoakPlan.h"
#include "uSoakProcess.h"
#include "uSoakRun.h"
#include "uSoakSummary.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <mutex>
#include <random>
#include <thread>
#include <unistd.h>

namespace {

constexpr int cEXIT_USAGE = 2;
constexpr int cEXIT_INTERRUPTED = 130;

extern "C" void OnStop(int) {
  gbSoakStop.store(true);
}

std::map<std::int32_t, TSoakImage> Images(const std::vector<TSoakLogger>& aLoggers) {
  std::map<std::int32_t, TSoakImage> aImages;
  for (const TSoakLogger& rLogger : aLoggers) {
    if (aImages.count(rLogger.nImage) != 0) continue;
    TBl3FileHeader rHeader;
    GetFwHeader(rLogger.nImage, rHeader);
    char sVersion[32];
    std::snprintf(sVersion, sizeof sVersion, "V%d.%.2d", rHeader.tarv_verH, rHeader.tarv_verL);
    aImages[rLogger.nImage] = TSoakImage{ImageFlash(rLogger.nImage), sVersion};
  }
  return aImages;
}

std::string Duration(double nSeconds) {
  const auto nWhole = static_cast<long>(nSeconds + 0.5);
  return std::to_string(nWhole / 60) + " min " + std::to_string(nWhole % 60) + " s";
}

} // namespace

int main(int argc, char** argv) {
  TSoakOptions rOptions;
  try {
    rOptions = ParseSoakOptions(std::vector<std::string>(argv + 1, argv + argc), TARVIK_SOAK_CLI,
                                TARVIK_SOAK_SIM);
  } catch (const ESoakUsage& e) {
    std::cerr << "tarvik-soak: " << e.what() << "\nTry 'tarvik-soak --help'.\n";
    return cEXIT_USAGE;
  }
  if (rOptions.bHelp) {
    std::cout << SoakHelpText();
    return 0;
  }
  for (const std::string& sProgram : {rOptions.sCli, rOptions.sSim})
    if (access(sProgram.c_str(), X_OK) != 0) {
      std::cerr << "tarvik-soak: cannot run " << sProgram << "\n";
      return cEXIT_USAGE;
    }
  const std::uint64_t nSeed = rOptions.onSeed ? *rOptions.onSeed : std::random_device()() % 1000000;

  const std::vector<TSoakLogger> aLoggers = SoakLoggers();
  const std::map<std::int32_t, TSoakImage> aImages = Images(aLoggers);
  std::vector<TSoakPlan> aPlans;
  if (rOptions.onOnly) {
    aPlans.push_back(DrawPlan(nSeed, *rOptions.onOnly, aLoggers, rOptions.nBudgetFactor));
  } else {
    for (std::uint32_t nRun = 1; nRun <= rOptions.nRuns; ++nRun)
      aPlans.push_back(DrawPlan(nSeed, nRun, aLoggers, rOptions.nBudgetFactor));
  }

  char sTemplate[] = "/tmp/tarvik-soak-XXXXXX";
  if (mkdtemp(sTemplate) == nullptr) {
    std::perror("tarvik-soak: mkdtemp");
    return 1;
  }
  const TSoakSetup rSetup{rOptions.sCli, rOptions.sSim, sTemplate, rOptions.bKeep};
  std::signal(SIGINT, OnStop);
  std::signal(SIGTERM, OnStop);

  std::cout << "soak: seed " << nSeed << ", " << aPlans.size() << " runs, " << rOptions.nJobs
            << " at a time\n  command line: " << rOptions.sCli
            << "\n  simulator:    " << rOptions.sSim << std::endl;
  const auto tStart = std::chrono::steady_clock::now();
  TSoakSummary rSummary;
  std::mutex Lock;
  std::atomic<std::size_t> nNext{0};
  const std::size_t nReport = std::max<std::size_t>(aPlans.size() / 10, 1);
  const auto Worker = [&] {
    for (std::size_t i; !gbSoakStop.load() && (i = nNext++) < aPlans.size();) {
      const TSoakPlan& rPlan = aPlans[i];
      const TSoakRunResult rResult = RunPlan(rPlan, aImages.at(rPlan.nImage), rSetup);
      if (gbSoakStop.load()) break;
      std::lock_guard<std::mutex> Guard(Lock);
      rSummary.Add(rPlan, rResult);
      if (rResult.Failed() || rOptions.bVerbose) std::cout << RunLine(rPlan, rResult) << "\n";
      if (rResult.Failed())
        std::cout << "  replay: scripts/soak --seed " << nSeed << " --only " << rPlan.nRun
                  << "   (traces: " << rResult.sFolder << ")\n";
      std::cout << std::flush;
      if (rSummary.Runs() % nReport == 0 && aPlans.size() > 1)
        std::cerr << "soak: " << rSummary.Runs() << " of " << aPlans.size() << " runs done, "
                  << rSummary.FailedRuns() << " failed\n";
    }
  };
  std::vector<std::thread> aThreads;
  for (std::uint32_t i = 0; i < std::min<std::size_t>(rOptions.nJobs, aPlans.size()); ++i)
    aThreads.emplace_back(Worker);
  for (std::thread& rThread : aThreads)
    rThread.join();
  const double nTaken =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - tStart).count();

  std::cout << "\nsoak: seed " << nSeed << ", " << rSummary.Runs() << " runs in "
            << Duration(nTaken) << " (" << rOptions.nJobs << " at a time)\n\n"
            << rSummary.Table();
  std::error_code Ignored;
  if (std::filesystem::is_empty(sTemplate, Ignored)) std::filesystem::remove(sTemplate, Ignored);
  if (gbSoakStop.load()) {
    std::cout << "soak: interrupted\n";
    return cEXIT_INTERRUPTED;
  }
  return rSummary.FailedRuns() == 0 ? 0 : 1;
}
