#include "uSoakPlan.h"

#include "uSoakRandom.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <utility>

namespace {

constexpr std::uint32_t cRESTART_MS = 300;
constexpr std::uint32_t cTRIES = 5;
constexpr std::uint32_t cSLACK_MS = 10000;
constexpr std::uint32_t cREPEAT_PAUSE_MS = 1500;
constexpr std::uint32_t cFAULT_MS = 450;     // a failed try: the longest read time and a pause
constexpr std::uint32_t cMUTE_RUN_MS = 1700; // wake frames and five unanswered identifications

// Failure codes the soak expects.
constexpr std::int32_t cEXIT_PORT_VANISHED = 11;
constexpr std::int32_t cEXIT_NO_ANSWER = 30;
constexpr std::int32_t cEXIT_NO_BOOTLOADER = 40;
constexpr std::int32_t cEXIT_REFUSED = 41;
constexpr std::int32_t cEXIT_WRONG_CLASS = 45;
constexpr std::int32_t cEXIT_NO_INFO = 46;

const char* BadAnswer(TSoakRandom& rRandom) {
  static const char* const caKinds[] = {"silent", "short", "crc", "noise"};
  return caKinds[rRandom.Between(0, 3)];
}

// The faults of one leg while they are drawn.
class TFaultDraw {
public:
  TFaultDraw(TSoakRandom& rRandom, const TSoakLogger& rLogger, bool bInApplication)
      : FRandom(rRandom), FLogger(rLogger), FbInApplication(bInApplication) {}

  // Identifications a clean update answers: application (if it starts there), bootloader,
  // and the new firmware after the restart.
  std::uint32_t Idents() const { return FbInApplication ? 3 : 2; }

  // Adds KIND:TARGET:N unless that item already has a fault.
  bool Add(const std::string& sKind, const std::string& sTarget, std::uint32_t nIndex) {
    if (!FaTaken.insert({sTarget, nIndex}).second) return false;
    FaFaults.push_back(sKind + ":" + sTarget + ":" + std::to_string(nIndex));
    ++FaPerTarget[sTarget];
    return true;
  }

  // Keeps transient faults off this target: its own fault is the point of the run, and a
  // fault listed before it on the same item would win.
  void Reserve(const std::string& sTarget) { FaReserved.insert(sTarget); }

  // nCount faults that the tool must get through; with bRepeats also ones that need a repeat
  // (five bad answers in a row, a wrong echo).
  void AddTransient(std::uint32_t nCount, bool bRepeats) {
    for (std::uint32_t i = 0; i < nCount; ++i) {
      for (int nAttempt = 0; nAttempt < 20; ++nAttempt) {
        const std::uint32_t nForm = bRepeats ? FRandom.Between(1, 100) : 1;
        if (nForm <= 60 ? AddSingle() : nForm <= 80 ? AddBurst() : AddEcho()) break;
      }
    }
  }

  std::vector<std::string> FaFaults;
  std::uint32_t FnRepeats = 0; // repeats the faults can cause at most

private:
  // One bad answer on a step the logger goes through. The information requests get at most
  // two, so that they never run out of tries (that would be failure 46).
  bool AddSingle() {
    std::vector<std::string> aSteps{"ident", "start", "prog", "prog"};
    if (FbInApplication) aSteps.push_back("serial");
    if (FLogger.bInfoRecords) {
      if (FaPerTarget["platform"] < 2) aSteps.push_back("platform");
      if (FaPerTarget["upid"] < 2) aSteps.push_back("upid");
    }
    std::erase_if(aSteps,
                  [this](const std::string& sStep) { return FaReserved.count(sStep) != 0; });
    if (aSteps.empty()) return false;
    const std::string sStep =
        aSteps[FRandom.Between(0, static_cast<std::uint32_t>(aSteps.size() - 1))];
    std::uint32_t nIndex = 1;
    if (sStep == "ident")
      nIndex = FRandom.Between(1, Idents());
    else if (sStep == "prog")
      nIndex = FRandom.Between(1, FLogger.nDataLines);
    else if (sStep != "serial")
      nIndex = FRandom.Between(1, 2);
    return Add(BadAnswer(FRandom), sStep, nIndex);
  }

  // Five bad answers in a row on one exchange whose failure the command line repeats.
  bool AddBurst() {
    std::vector<std::string> aSteps{"ident", "start", "prog"};
    if (FbInApplication) aSteps.push_back("serial");
    std::erase_if(aSteps,
                  [this](const std::string& sStep) { return FaReserved.count(sStep) != 0; });
    if (aSteps.empty()) return false;
    const std::string sStep =
        aSteps[FRandom.Between(0, static_cast<std::uint32_t>(aSteps.size() - 1))];
    std::uint32_t nFirst = 1;
    if (sStep == "ident") nFirst = FRandom.Between(1, Idents());
    if (sStep == "prog") nFirst = FRandom.Between(1, FLogger.nDataLines - (cTRIES - 1));
    for (std::uint32_t n = nFirst; n < nFirst + cTRIES; ++n)
      if (FaTaken.count({sStep, n}) != 0) return false;
    for (std::uint32_t n = nFirst; n < nFirst + cTRIES; ++n)
      Add(BadAnswer(FRandom), sStep, n);
    ++FnRepeats;
    return true;
  }

  bool AddEcho() {
    if (FaReserved.count("prog") != 0) return false;
    if (!Add("echo", "prog", FRandom.Between(1, FLogger.nDataLines))) return false;
    ++FnRepeats;
    return true;
  }

  TSoakRandom& FRandom;
  const TSoakLogger& FLogger;
  bool FbInApplication;
  std::set<std::pair<std::string, std::uint32_t>> FaTaken;
  std::map<std::string, std::uint32_t> FaPerTarget;
  std::set<std::string> FaReserved;
};

// How long one complete update takes at most without faults.
std::uint32_t UpdateMs(const TSoakLogger& rLogger, bool bInApplication, std::uint32_t nRestartMs) {
  std::uint32_t nMs = 200 + 300;                     // wake frames, identification
  if (bInApplication) nMs += 300 + nRestartMs + 350; // serial number, entry, restart, a try
  nMs += 400 + rLogger.nDataLines * 5;               // information, start, data lines
  nMs += 500 + std::max<std::uint32_t>(2000, nRestartMs) + 350; // end, restart, identification
  return nMs;
}

struct TLegDraw {
  const TSoakLogger& rLogger;
  std::uint32_t nRestartMs;
  const char* sAppVersion;
  double nBudgetFactor;

  // The leg's simulator options and time budget; the faults as drawn.
  TSoakLeg Make(bool bInApplication, const TFaultDraw& rFaults,
                const std::vector<std::string>& aSpecial, std::uint32_t nExtraRepeats) const {
    TSoakLeg rLeg;
    rLeg.aSimArgs = rLogger.aArgs;
    rLeg.aSimArgs.insert(rLeg.aSimArgs.end(), {"--app-version", sAppVersion, "--restart-ms",
                                               std::to_string(nRestartMs)});
    if (!bInApplication) rLeg.aSimArgs.push_back("--start-in-bootloader");
    rLeg.aFaults = rFaults.FaFaults;
    rLeg.aFaults.insert(rLeg.aFaults.end(), aSpecial.begin(), aSpecial.end());
    for (const std::string& sFault : rLeg.aFaults)
      rLeg.aSimArgs.insert(rLeg.aSimArgs.end(), {"--fault", sFault});
    // A slow restart may use up the tries of the identification after the entry command.
    const std::uint32_t nRepeats = rFaults.FnRepeats + nExtraRepeats + 1;
    const double nMs = UpdateMs(rLogger, true, nRestartMs) * (1.0 + nRepeats) +
                       double{cREPEAT_PAUSE_MS} * nRepeats +
                       double{cFAULT_MS} * static_cast<double>(rLeg.aFaults.size());
    rLeg.nBudgetMs = static_cast<std::uint32_t>(std::lround(nMs * nBudgetFactor)) + cSLACK_MS;
    return rLeg;
  }
};

void Expect(TSoakLeg& rLeg, std::int32_t nCode, const std::string& sWhy) {
  rLeg.nExpected = nCode;
  rLeg.sExpectation = sWhy;
}

} // namespace

TSoakPlan DrawPlan(std::uint64_t nSeed, std::uint32_t nRun,
                   const std::vector<TSoakLogger>& aLoggers, double nBudgetFactor) {
  TSoakRandom rRandom(nSeed, nRun);
  TSoakPlan rPlan;
  rPlan.nSeed = nSeed;
  rPlan.nRun = nRun;
  const TSoakLogger& rLogger =
      aLoggers[rRandom.Between(0, static_cast<std::uint32_t>(aLoggers.size() - 1))];
  rPlan.sLogger = rLogger.sName;
  rPlan.nImage = rLogger.nImage;

  // A slow restart, within what the procedure waits for: the identification after the end
  // command has 2 s and then its five tries.
  std::uint32_t nRestartMs = rRandom.Percent(30) ? rRandom.Between(1000, 3000) : cRESTART_MS;
  const char* sAppVersion = rRandom.Percent(50) ? "0x0614" : "0x0512"; // new or old entry frame
  bool bInApplication = !rRandom.Percent(15);

  enum TKind : std::size_t {
    Transient,
    PowerCut,
    PortVanishes,
    Refused,
    LostEntry,
    NoBootloader,
    InfoUnreadable,
    LostEnd,
    WrongClass,
    Mute
  };
  TKind eKind = static_cast<TKind>(rRandom.Weighted({46, 14, 5, 6, 4, 2, 6, 5, 3, 5}));
  if (eKind == InfoUnreadable && !rLogger.bInfoRecords) eKind = LostEnd;
  if (eKind == LostEntry || eKind == NoBootloader) bInApplication = true;
  if (eKind == WrongClass) nRestartMs = std::min<std::uint32_t>(nRestartMs, 1500);

  const TLegDraw rDraw{rLogger, nRestartMs, sAppVersion, nBudgetFactor};
  TFaultDraw rFaults(rRandom, rLogger, bInApplication);
  const std::uint32_t nSlowRepeats = nRestartMs > 1000 ? 1 : 0;

  // The port vanishes: the follow-up logger starts in its bootloader when the first one had
  // got there, with the flash it was left with, and must be updated.
  const auto AddFollowUp = [&](bool bWasInBootloader) {
    TFaultDraw rNext(rRandom, rLogger, !bWasInBootloader);
    rNext.AddTransient(rRandom.Between(0, 3), true);
    TSoakLeg rLeg = rDraw.Make(!bWasInBootloader, rNext, {}, nSlowRepeats);
    rLeg.bFlashFromPrevious = true;
    Expect(rLeg, 0, "follow-up: every fault is retried or repeated away");
    rPlan.aLegs.push_back(rLeg);
  };
  const auto Terminal = [&](const std::vector<std::string>& aSpecial, std::int32_t nCode,
                            const std::string& sWhy) {
    rFaults.AddTransient(rRandom.Between(0, 2), false);
    TSoakLeg rLeg = rDraw.Make(bInApplication, rFaults, aSpecial, nSlowRepeats);
    Expect(rLeg, nCode, sWhy);
    rPlan.aLegs.push_back(rLeg);
    return &rPlan.aLegs.back();
  };

  switch (eKind) {
  case Transient: {
    rPlan.sScenario = bInApplication ? "transient" : "transient, starts in bootloader";
    rFaults.AddTransient(rRandom.Between(1, 5), true);
    TSoakLeg rLeg = rDraw.Make(bInApplication, rFaults, {}, nSlowRepeats);
    Expect(rLeg, 0, "transient: every fault is retried or repeated away");
    rPlan.aLegs.push_back(rLeg);
    break;
  }
  case PowerCut: {
    rPlan.sScenario = "power cut while programming";
    const std::string sFault =
        "hangup:prog:" + std::to_string(rRandom.Between(1, rLogger.nDataLines));
    rFaults.Reserve("prog");
    Terminal({sFault}, cEXIT_PORT_VANISHED, "11: the port vanishes (" + sFault + ")")
        ->bPortVanishes = true;
    AddFollowUp(true);
    break;
  }
  case PortVanishes: {
    rPlan.sScenario = "port vanishes";
    std::vector<std::string> aSteps{"ident", "start", "end"};
    if (bInApplication) aSteps.insert(aSteps.end(), {"serial", "entry"});
    if (rLogger.bInfoRecords) aSteps.insert(aSteps.end(), {"platform", "upid"});
    const std::string sStep =
        aSteps[rRandom.Between(0, static_cast<std::uint32_t>(aSteps.size() - 1))];
    rFaults.Reserve(sStep);
    const std::string sFault = "hangup:" + sStep + ":1";
    Terminal({sFault}, cEXIT_PORT_VANISHED, "11: the port vanishes (" + sFault + ")")
        ->bPortVanishes = true;
    const bool bWasInApplication =
        sStep == "serial" || sStep == "entry" || (sStep == "ident" && bInApplication);
    AddFollowUp(!bWasInApplication);
    break;
  }
  case Refused: {
    rPlan.sScenario = "logger refuses";
    // An identification that every run reaches, or the serial number.
    const bool bSerial = bInApplication && rRandom.Percent(30);
    const std::string sStep = bSerial ? "serial" : "ident";
    const std::string sFault = "status:" + sStep + ":" +
                               std::to_string(bSerial ? 1 : rRandom.Between(1, rFaults.Idents()));
    rFaults.Reserve(sStep);
    Terminal({sFault}, cEXIT_REFUSED, "41: refusal bit (" + sFault + ")");
    break;
  }
  case LostEntry:
    rPlan.sScenario = "entry frame lost";
    rFaults.Reserve("entry");
    Terminal({"silent:entry:1"}, cEXIT_NO_BOOTLOADER, "40: still the application after entry");
    break;
  case NoBootloader:
    rPlan.sScenario = "no bootloader";
    Terminal({"no-bootloader"}, cEXIT_NO_BOOTLOADER, "40: the logger stays in its application");
    break;
  case InfoUnreadable: {
    rPlan.sScenario = "information unreadable";
    const std::string sStep = rRandom.Percent(50) ? "platform" : "upid";
    std::vector<std::string> aBurst;
    for (std::uint32_t n = 1; n <= cTRIES; ++n)
      aBurst.push_back(std::string(BadAnswer(rRandom)) + ":" + sStep + ":" + std::to_string(n));
    rFaults.Reserve(sStep);
    Terminal(aBurst, cEXIT_NO_INFO, "46: five bad answers to the " + sStep + " request");
    break;
  }
  case LostEnd:
    rPlan.sScenario = "end command lost";
    rFaults.Reserve("end");
    Terminal({"silent:end:1"}, cEXIT_WRONG_CLASS, "45: still the bootloader after the end");
    break;
  case WrongClass:
    rPlan.sScenario = "wrong class after restart";
    Terminal({"restart-class:0x6602"}, cEXIT_WRONG_CLASS, "45: another class after the restart");
    break;
  case Mute: {
    rPlan.sScenario = "logger mute";
    const std::uint32_t nRepeats = rRandom.Between(0, 2);
    TSoakLeg rLeg = rDraw.Make(bInApplication, TFaultDraw(rRandom, rLogger, bInApplication),
                               {"silent:frame:1:always"}, 0);
    rLeg.onMaxRepeats = nRepeats;
    rLeg.nBudgetMs =
        static_cast<std::uint32_t>(std::lround(
            (cMUTE_RUN_MS * (nRepeats + 1.0) + cREPEAT_PAUSE_MS * nRepeats) * nBudgetFactor)) +
        cSLACK_MS;
    Expect(rLeg, cEXIT_NO_ANSWER,
           "30: no answer at all, " + std::to_string(nRepeats) + " repeats allowed");
    rPlan.aLegs.push_back(rLeg);
    break;
  }
  }
  return rPlan;
}

std::string DescribeFaults(const std::vector<std::string>& aFaults) {
  if (aFaults.empty()) return "no faults";
  std::string sText;
  for (const std::string& sFault : aFaults)
    sText += (sText.empty() ? "" : " ") + sFault;
  return sText;
}
