// Not for CI (about five minutes at 9600 baud): N simulated loggers (20) on a line of the given
// baud rate (9600) updated by one fleet command, against one logger alone updated by the
// single-port command line. Prints the ratio of the wall times (the goal: at most 1.05), and
// the CPU time and peak memory per logger (from each port's process, as --json records them)
// and of the fleet's own process.
// Usage: cli_fleet_bench [LOGGERS [BAUD]]
#include "uSimLogger.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

struct TProcessRun {
  int nExitStatus = -1;
  double dWallSeconds = 0;
  double dCpuSeconds = 0;  // the process and every process it waited for
  long nPeakMemoryKib = 0; // the largest of them
};

double Seconds(const timeval& rTime) {
  return static_cast<double>(rTime.tv_sec) + static_cast<double>(rTime.tv_usec) / 1e6;
}

// Runs the command line with its output to /dev/null; waits for it.
TProcessRun RunCli(const std::vector<std::string>& slArgs) {
  std::vector<std::string> slAll{TARVIK_CLI_PATH};
  slAll.insert(slAll.end(), slArgs.begin(), slArgs.end());
  std::vector<char*> aArgv;
  for (std::string& sArg : slAll) {
    aArgv.push_back(sArg.data());
  }
  aArgv.push_back(nullptr);
  posix_spawn_file_actions_t rActions;
  posix_spawn_file_actions_init(&rActions);
  posix_spawn_file_actions_addopen(&rActions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&rActions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&rActions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  TProcessRun rRun;
  const auto tStart = std::chrono::steady_clock::now();
  pid_t nPid = -1;
  if (posix_spawn(&nPid, aArgv[0], &rActions, nullptr, aArgv.data(), environ) != 0) {
    posix_spawn_file_actions_destroy(&rActions);
    return rRun;
  }
  posix_spawn_file_actions_destroy(&rActions);
  int nStatus = 0;
  rusage rUsage{};
  wait4(nPid, &nStatus, 0, &rUsage); // its own usage and that of the processes it waited for
  rRun.dWallSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - tStart).count();
  rRun.nExitStatus = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 128 + WTERMSIG(nStatus);
  rRun.dCpuSeconds = Seconds(rUsage.ru_utime) + Seconds(rUsage.ru_stime);
  rRun.nPeakMemoryKib = rUsage.ru_maxrss;
  return rRun;
}

std::vector<std::unique_ptr<TSimLogger>> StartLoggers(int nCount, const std::string& sBaud) {
  std::vector<std::unique_ptr<TSimLogger>> aSims;
  for (int i = 0; i < nCount; ++i) {
    aSims.push_back(std::make_unique<TSimLogger>(std::vector<std::string>{"--baud", sBaud}));
  }
  return aSims;
}

double Mib(double dKib) {
  return dKib / 1024.0;
}

} // namespace

int main(int argc, char** argv) {
  const int nLoggers = argc > 1 ? std::atoi(argv[1]) : 20;
  const std::string sBaud = argc > 2 ? argv[2] : "9600";
  if (nLoggers < 1) {
    std::fprintf(stderr, "usage: cli_fleet_bench [LOGGERS [BAUD]]\n");
    return 2;
  }

  std::printf("loggers %d, simulated line at %s baud\n", nLoggers, sBaud.c_str());
  std::fflush(stdout);
  TProcessRun rAlone;
  {
    const auto aSims = StartLoggers(1, sBaud);
    rAlone = RunCli({"--port", aSims[0]->Port(), "--yes"});
  }
  if (rAlone.nExitStatus != 0) {
    std::fprintf(stderr, "cli_fleet_bench: the single update ended with %d\n", rAlone.nExitStatus);
    return 1;
  }
  std::printf("one logger alone     %8.1f s wall  %6.2f s CPU  %6.1f MiB peak\n",
              rAlone.dWallSeconds, rAlone.dCpuSeconds,
              Mib(static_cast<double>(rAlone.nPeakMemoryKib)));
  std::fflush(stdout);

  const std::filesystem::path pathJson = std::filesystem::temp_directory_path() /
                                         ("cli_fleet_bench-" + std::to_string(getpid()) + ".json");
  TProcessRun rFleet;
  {
    const auto aSims = StartLoggers(nLoggers, sBaud);
    std::vector<std::string> slArgs{"--yes", "--json", pathJson.string()};
    for (const auto& pSim : aSims) {
      slArgs.insert(slArgs.end(), {"--port", pSim->Port()});
    }
    rFleet = RunCli(slArgs);
  }
  std::vector<nlohmann::json> aRecords;
  {
    std::ifstream F(pathJson);
    for (std::string sLine; std::getline(F, sLine);) {
      aRecords.push_back(nlohmann::json::parse(sLine));
    }
  }
  std::filesystem::remove(pathJson);
  if (rFleet.nExitStatus != 0 || aRecords.size() != static_cast<std::size_t>(nLoggers)) {
    std::fprintf(stderr, "cli_fleet_bench: the fleet ended with %d, %zu records\n",
                 rFleet.nExitStatus, aRecords.size());
    return 1;
  }
  double dMemberCpu = 0;
  double dMemberPeakSum = 0;
  double dMemberPeakMax = 0;
  double dSlowest = 0;
  for (const nlohmann::json& rRecord : aRecords) {
    dMemberCpu += rRecord["cpu_s"].get<double>();
    const double dPeak = rRecord["peak_memory_kib"].get<double>();
    dMemberPeakSum += dPeak;
    dMemberPeakMax = std::max(dMemberPeakMax, dPeak);
    dSlowest = std::max(dSlowest, rRecord["duration_s"].get<double>());
  }
  const double dOwnCpu = rFleet.dCpuSeconds - dMemberCpu;
  std::printf("fleet of %-3d         %8.1f s wall  %6.2f s CPU in all (slowest port %.1f s)\n",
              nLoggers, rFleet.dWallSeconds, rFleet.dCpuSeconds, dSlowest);
  std::printf(
      "  per logger                        %6.2f s CPU  %6.1f MiB peak (largest %.1f MiB)\n",
      dMemberCpu / nLoggers, Mib(dMemberPeakSum / nLoggers), Mib(dMemberPeakMax));
  std::printf("  the fleet's process               %6.2f s CPU (%.3f s per logger)\n", dOwnCpu,
              dOwnCpu / nLoggers);
  std::printf("wall time ratio      %8.3f  (fleet of %d / one alone; goal <= 1.05)\n",
              rFleet.dWallSeconds / rAlone.dWallSeconds, nLoggers);
  return 0;
}
