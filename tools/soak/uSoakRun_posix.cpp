#include "uSoakRun.h"

#include "uSoakCheck.h"
#include "uSoakProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace {

using TClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto cSIM_START = 10s;
constexpr auto cSIM_STOP = 5s;

std::string ReadText(const std::string& sPath) {
  std::ifstream File(sPath, std::ios::binary);
  std::ostringstream Text;
  Text << File.rdbuf();
  return Text.str();
}

// The simulator prints its port as its first line.
std::string WaitForPort(TSoakProcess& rSim, const std::string& sOut) {
  const auto tDeadline = TClock::now() + cSIM_START;
  while (TClock::now() < tDeadline && !gbSoakStop.load()) {
    const std::string sText = ReadText(sOut);
    const std::size_t nEnd = sText.find('\n');
    if (nEnd != std::string::npos) return sText.substr(0, nEnd);
    if (!rSim.Running()) break;
    std::this_thread::sleep_for(5ms);
  }
  return {};
}

// Whether the next run could open the port at once: nothing holds its lock, and it is not
// left exclusive (a non-root user's open would fail with EBUSY while the simulator keeps its
// own end open; root is let in regardless, so the flag is read rather than tried).
std::string ReopenProblem(const std::string& sPort) {
  const int hPort = open(sPort.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (hPort < 0) return "the port cannot be opened again: " + std::string(std::strerror(errno));
  std::string sProblem;
  if (flock(hPort, LOCK_EX | LOCK_NB) != 0) sProblem = "the port is still locked";
  int nExclusive = 0;
  if (ioctl(hPort, TIOCGEXCL, &nExclusive) == 0 && nExclusive != 0)
    sProblem = "the port was left exclusive (TIOCEXCL)";
  close(hPort);
  return sProblem;
}

void Problem(TSoakLegResult& rResult, bool& bFlag, const std::string& sWhat) {
  bFlag = true;
  rResult.aProblems.push_back(sWhat);
}

TSoakLegResult RunLeg(const TSoakLeg& rLeg, const TSoakImage& rImage, const TSoakSetup& rSetup,
                      const std::string& sDir, const std::string& sPreviousDir) {
  TSoakLegResult rResult;
  std::filesystem::create_directories(sDir + "/config");
  std::vector<std::string> aSimArgv{rSetup.sSim, "--flash-out", sDir + "/flash.hex", "--trace",
                                    sDir + "/sim-trace.txt"};
  if (rLeg.bFlashFromPrevious)
    aSimArgv.insert(aSimArgv.end(), {"--flash-in", sPreviousDir + "/flash.hex"});
  aSimArgv.insert(aSimArgv.end(), rLeg.aSimArgs.begin(), rLeg.aSimArgs.end());
  TSoakProcess rSim({aSimArgv, {}, sDir + "/sim.out", sDir + "/sim.err"});
  const std::string sPort = WaitForPort(rSim, sDir + "/sim.out");
  if (sPort.empty()) {
    Problem(rResult, rResult.bSimulatorFault, "the simulator gave no port");
    return rResult;
  }

  std::vector<std::string> aCliArgv{rSetup.sCli, "--port",  sPort,
                                    "--yes",     "--trace", sDir + "/cli-trace.txt"};
  if (rLeg.onMaxRepeats)
    aCliArgv.insert(aCliArgv.end(), {"--max-repeats", std::to_string(*rLeg.onMaxRepeats)});
  // A settings folder of its own: normal mode, whatever the user running the soak has set.
  const auto tStart = TClock::now();
  TSoakProcess rCli({aCliArgv,
                     {"XDG_CONFIG_HOME=" + sDir + "/config", "HOME=" + sDir},
                     sDir + "/cli.out",
                     sDir + "/cli.err"});
  const bool bEnded = rCli.WaitUntil(tStart + std::chrono::milliseconds(rLeg.nBudgetMs));
  rResult.nSeconds = std::chrono::duration<double>(TClock::now() - tStart).count();
  if (!bEnded) {
    rCli.Stop(SIGKILL, 1s);
    if (gbSoakStop.load()) {
      rResult.aProblems.push_back("interrupted");
      return rResult;
    }
    Problem(rResult, rResult.bHang, "no end within " + std::to_string(rLeg.nBudgetMs) + " ms");
  } else if (rCli.TermSignal() != 0) {
    rResult.nSignal = rCli.TermSignal();
    Problem(rResult, rResult.bCrash,
            "ended by signal " + std::to_string(rCli.TermSignal()) + " (" +
                strsignal(rCli.TermSignal()) + ")");
  } else {
    rResult.nExit = rCli.ExitStatus();
  }

  // A port that vanished is gone for good (the follow-up leg opens a new one).
  if (!rLeg.bPortVanishes) {
    if (!rSim.Running())
      Problem(rResult, rResult.bSimulatorFault, "the simulator ended during the run");
    else if (const std::string sProblem = ReopenProblem(sPort); !sProblem.empty())
      Problem(rResult, rResult.bPortFault, sProblem);
  }
  if (!rSim.Stop(SIGTERM, cSIM_STOP))
    Problem(rResult, rResult.bSimulatorFault, "the simulator did not stop");
  else if (rSim.TermSignal() != 0 || rSim.ExitStatus() != 0)
    Problem(rResult, rResult.bSimulatorFault,
            "the simulator ended with status " + std::to_string(rSim.ExitStatus()) + ", signal " +
                std::to_string(rSim.TermSignal()));

  const std::string sErr = ReadText(sDir + "/cli.err");
  if (HasSanitizerReport(sErr)) Problem(rResult, rResult.bCrash, "sanitizer report on stderr");
  if (HasSanitizerReport(ReadText(sDir + "/sim.err")))
    Problem(rResult, rResult.bSimulatorFault, "sanitizer report from the simulator");
  if (rResult.nExit < 0) return rResult;

  if (rResult.nExit != rLeg.nExpected)
    Problem(rResult, rResult.bWrongOutcome,
            "exit " + std::to_string(rResult.nExit) + ", expected " +
                std::to_string(rLeg.nExpected) + " (" + rLeg.sExpectation + ")");
  if (!rResult.bCrash) {
    if (const std::string sProblem =
            FinalReportProblem(rResult.nExit, sErr, rImage.sVersion, sPort);
        !sProblem.empty())
      Problem(rResult, rResult.bReportFault, sProblem);
  }
  TFlashBytes aFlash;
  if (!ParseFlashText(ReadText(sDir + "/flash.hex"), aFlash))
    Problem(rResult, rResult.bSimulatorFault, "the simulator's flash file cannot be read");
  else if (const std::string sProblem = FlashProblem(rResult.nExit, aFlash, rImage.aFlash);
           !sProblem.empty())
    Problem(rResult, rResult.bFlashMismatch, sProblem);
  return rResult;
}

} // namespace

bool TSoakRunResult::Failed() const {
  for (const TSoakLegResult& rLeg : aLegs)
    if (!rLeg.aProblems.empty()) return true;
  return false;
}

TSoakRunResult RunPlan(const TSoakPlan& rPlan, const TSoakImage& rImage, const TSoakSetup& rSetup) {
  TSoakRunResult rResult;
  rResult.sFolder = rSetup.sWorkDir + "/run-" + std::to_string(rPlan.nRun);
  std::string sPreviousDir;
  for (std::size_t i = 0; i < rPlan.aLegs.size(); ++i) {
    const std::string sDir = rResult.sFolder + "/leg-" + std::to_string(i + 1);
    TSoakLegResult rLeg;
    try {
      rLeg = RunLeg(rPlan.aLegs[i], rImage, rSetup, sDir, sPreviousDir);
    } catch (const std::exception& e) {
      Problem(rLeg, rLeg.bSimulatorFault, e.what());
    }
    rResult.nSeconds += rLeg.nSeconds;
    rResult.aLegs.push_back(rLeg);
    sPreviousDir = sDir;
    if (!rLeg.aProblems.empty() || gbSoakStop.load()) break; // the next leg builds on this one
  }
  if (!rResult.Failed() && !rSetup.bKeep) {
    std::error_code Ignored;
    std::filesystem::remove_all(rResult.sFolder, Ignored);
  }
  return rResult;
}
