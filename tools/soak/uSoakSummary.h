// The soak's tally and its summary table.
#pragma once

#include "uSoakPlan.h"
#include "uSoakRun.h"

#include <cstdint>
#include <map>
#include <string>

class TSoakSummary {
public:
  void Add(const TSoakPlan& rPlan, const TSoakRunResult& rResult);

  // The table (Markdown, readable as it stands), then the expected failures by code, the
  // follow-up updates and the scenarios drawn.
  std::string Table() const;

  std::uint32_t Runs() const { return FnRuns; }
  std::uint32_t FailedRuns() const { return FnFailed; }

private:
  std::uint32_t FnRuns = 0;
  std::uint32_t FnFailed = 0;
  std::uint32_t FnSuccesses = 0;
  std::uint32_t FnExpectedFailures = 0;
  std::uint32_t FnWrongOutcomes = 0;
  std::uint32_t FnHangs = 0;
  std::uint32_t FnCrashes = 0;
  std::uint32_t FnFlashMismatches = 0;
  std::uint32_t FnReportFaults = 0;
  std::uint32_t FnPortFaults = 0;
  std::uint32_t FnSimulatorFaults = 0;
  std::uint32_t FnFollowUps = 0; // successful updates of a logger whose port had vanished
  double FnTotalSeconds = 0;
  double FnWorstSeconds = 0;
  std::uint32_t FnWorstRun = 0;
  std::map<std::int32_t, std::uint32_t> FaExpectedByCode;
  std::map<std::string, std::uint32_t> FaScenarios;
};

// The line for one run: "run K ok|FAIL: scenario, logger; per leg what happened".
std::string RunLine(const TSoakPlan& rPlan, const TSoakRunResult& rResult);
