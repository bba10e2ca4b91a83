#include "uSoakSummary.h"

#include <cstdio>

namespace {

std::string Seconds(double nSeconds) {
  char sText[32];
  std::snprintf(sText, sizeof sText, "%.1f s", nSeconds);
  return sText;
}

} // namespace

void TSoakSummary::Add(const TSoakPlan& rPlan, const TSoakRunResult& rResult) {
  ++FnRuns;
  ++FaScenarios[rPlan.sScenario];
  FnTotalSeconds += rResult.nSeconds;
  if (rResult.nSeconds > FnWorstSeconds) {
    FnWorstSeconds = rResult.nSeconds;
    FnWorstRun = rPlan.nRun;
  }
  bool bHang = false, bCrash = false, bWrong = false, bFlash = false, bReport = false,
       bPort = false, bSimulator = false;
  for (const TSoakLegResult& rLeg : rResult.aLegs) {
    bHang |= rLeg.bHang;
    bCrash |= rLeg.bCrash;
    bWrong |= rLeg.bWrongOutcome;
    bFlash |= rLeg.bFlashMismatch;
    bReport |= rLeg.bReportFault;
    bPort |= rLeg.bPortFault;
    bSimulator |= rLeg.bSimulatorFault;
  }
  FnHangs += bHang;
  FnCrashes += bCrash;
  FnWrongOutcomes += bWrong;
  FnFlashMismatches += bFlash;
  FnReportFaults += bReport;
  FnPortFaults += bPort;
  FnSimulatorFaults += bSimulator;
  if (rResult.Failed()) {
    ++FnFailed;
    return;
  }
  // The first leg's outcome is the run's: a follow-up shows that the logger can be updated.
  FnFollowUps += static_cast<std::uint32_t>(rPlan.aLegs.size() - 1);
  const std::int32_t nExpected = rPlan.aLegs.front().nExpected;
  if (nExpected == 0) {
    ++FnSuccesses;
  } else {
    ++FnExpectedFailures;
    ++FaExpectedByCode[nExpected];
  }
}

std::string TSoakSummary::Table() const {
  std::string sText =
      "| runs | successes | expected failures | wrong outcomes | hangs | crashes | flash "
      "mismatches | report faults | port faults | simulator faults | mean time | worst time |\n"
      "|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n";
  const double nMean = FnRuns == 0 ? 0 : FnTotalSeconds / FnRuns;
  char sRow[512];
  std::snprintf(
      sRow, sizeof sRow, "| %u | %u | %u | %u | %u | %u | %u | %u | %u | %u | %s | %s |\n", FnRuns,
      FnSuccesses, FnExpectedFailures, FnWrongOutcomes, FnHangs, FnCrashes, FnFlashMismatches,
      FnReportFaults, FnPortFaults, FnSimulatorFaults, Seconds(nMean).c_str(),
      (Seconds(FnWorstSeconds) + " (run " + std::to_string(FnWorstRun) + ")").c_str());
  sText += sRow;
  sText += "\nExpected failures by exit status:";
  for (const auto& [nCode, nCount] : FaExpectedByCode)
    sText += " " + std::to_string(nCode) + " x" + std::to_string(nCount);
  if (FaExpectedByCode.empty()) sText += " none";
  sText +=
      "\nFollow-up updates after the port vanished, all successful: " + std::to_string(FnFollowUps);
  sText += "\nScenarios:";
  bool bFirst = true;
  for (const auto& [sScenario, nCount] : FaScenarios) {
    sText += (bFirst ? " " : ", ") + sScenario + " x" + std::to_string(nCount);
    bFirst = false;
  }
  return sText + "\n";
}

std::string RunLine(const TSoakPlan& rPlan, const TSoakRunResult& rResult) {
  std::string sLine = "run " + std::to_string(rPlan.nRun) + (rResult.Failed() ? " FAIL" : " ok") +
                      " (" + Seconds(rResult.nSeconds) + "): " + rPlan.sScenario + ", " +
                      rPlan.sLogger;
  for (std::size_t i = 0; i < rPlan.aLegs.size(); ++i) {
    const TSoakLeg& rLeg = rPlan.aLegs[i];
    sLine += "\n  leg " + std::to_string(i + 1) + ": " + DescribeFaults(rLeg.aFaults);
    if (rLeg.onMaxRepeats) sLine += ", --max-repeats " + std::to_string(*rLeg.onMaxRepeats);
    sLine += "; expected " + std::to_string(rLeg.nExpected) + " (" + rLeg.sExpectation + ")";
    sLine += "\n    simulator:";
    for (const std::string& sArg : rLeg.aSimArgs)
      sLine += " " + sArg;
    if (rLeg.bFlashFromPrevious)
      sLine += " --flash-in <the flash of leg " + std::to_string(i) + ">";
    if (i >= rResult.aLegs.size()) {
      sLine += "; not run";
      continue;
    }
    const TSoakLegResult& rDone = rResult.aLegs[i];
    if (rDone.nExit >= 0) sLine += "; exit " + std::to_string(rDone.nExit);
    sLine += " after " + Seconds(rDone.nSeconds);
    for (const std::string& sProblem : rDone.aProblems)
      sLine += "\n    " + sProblem;
  }
  return sLine;
}
