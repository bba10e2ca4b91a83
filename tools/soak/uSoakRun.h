// Carries out one planned run: a fresh simulated logger per leg, the real command line
// against it, and every check on what came out.
#pragma once

#include "uSoakImage.h"
#include "uSoakPlan.h"

#include <string>
#include <vector>

struct TSoakSetup {
  std::string sCli;     // tarvik-update-cli
  std::string sSim;     // tarvik-logger-sim
  std::string sWorkDir; // each run gets a folder here
  bool bKeep = false;   // keep the folders of runs that passed, too
};

// What the soak expects of the image a plan programs.
struct TSoakImage {
  TFlashBytes aFlash;
  std::string sVersion; // "V6.20", as the success text names it
};

struct TSoakLegResult {
  int nExit = -1;  // exit status of the command line; -1 when it did not exit by itself
  int nSignal = 0; // the signal that ended it
  bool bHang = false;
  bool bCrash = false;
  bool bWrongOutcome = false;
  bool bFlashMismatch = false;
  bool bReportFault = false;    // not exactly one final outcome, or a stray line
  bool bPortFault = false;      // the port could not be opened again at once
  bool bSimulatorFault = false; // the simulator failed: the soak itself cannot judge
  double nSeconds = 0;
  std::vector<std::string> aProblems;
};

struct TSoakRunResult {
  std::vector<TSoakLegResult> aLegs;
  double nSeconds = 0;
  std::string sFolder; // kept when the run failed (or with bKeep)
  bool Failed() const;
};

TSoakRunResult RunPlan(const TSoakPlan& rPlan, const TSoakImage& rImage, const TSoakSetup& rSetup);
