// The soak's plans: replayable alone, understood by the simulator, and with the outcome that
// their faults call for.
#include "uSoakPlan.h"

#include "uSimOptions.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

const std::vector<TSoakLogger>& Loggers() {
  static const std::vector<TSoakLogger> aLoggers = SoakLoggers();
  return aLoggers;
}

std::vector<TSoakPlan> ManyPlans() {
  std::vector<TSoakPlan> aPlans;
  for (std::uint64_t nSeed : {1u, 77u, 123456u})
    for (std::uint32_t nRun = 1; nRun <= 700; ++nRun)
      aPlans.push_back(DrawPlan(nSeed, nRun, Loggers(), 1.0));
  return aPlans;
}

// "KIND:TARGET:N[:always]" split in its fields.
std::vector<std::string> Fields(const std::string& sFault) {
  std::vector<std::string> aFields;
  std::size_t nStart = 0;
  for (std::size_t nColon; (nColon = sFault.find(':', nStart)) != std::string::npos;) {
    aFields.push_back(sFault.substr(nStart, nColon - nStart));
    nStart = nColon + 1;
  }
  aFields.push_back(sFault.substr(nStart));
  return aFields;
}

bool SamePlan(const TSoakPlan& rA, const TSoakPlan& rB) {
  if (rA.sScenario != rB.sScenario || rA.nImage != rB.nImage || rA.aLegs.size() != rB.aLegs.size())
    return false;
  for (std::size_t i = 0; i < rA.aLegs.size(); ++i)
    if (rA.aLegs[i].aSimArgs != rB.aLegs[i].aSimArgs ||
        rA.aLegs[i].nExpected != rB.aLegs[i].nExpected ||
        rA.aLegs[i].nBudgetMs != rB.aLegs[i].nBudgetMs)
      return false;
  return true;
}

} // namespace

TEST(SoakPlan, ARunReplaysAloneExactlyAsAmongTheOthers) {
  std::vector<TSoakPlan> aInOrder;
  for (std::uint32_t nRun = 1; nRun <= 40; ++nRun)
    aInOrder.push_back(DrawPlan(99, nRun, Loggers(), 2.0));
  for (std::uint32_t nRun : {40u, 1u, 17u})
    EXPECT_TRUE(SamePlan(DrawPlan(99, nRun, Loggers(), 2.0), aInOrder[nRun - 1])) << nRun;
  // Other seeds, other faults.
  std::size_t nDiffering = 0;
  for (std::uint32_t nRun = 1; nRun <= 40; ++nRun)
    nDiffering += !SamePlan(DrawPlan(100, nRun, Loggers(), 2.0), aInOrder[nRun - 1]);
  EXPECT_GT(nDiffering, 30u);
}

TEST(SoakPlan, TheSimulatorTakesEveryPlanAndEachItemHasOneFault) {
  for (const TSoakPlan& rPlan : ManyPlans()) {
    for (const TSoakLeg& rLeg : rPlan.aLegs) {
      EXPECT_NO_THROW(ParseSimOptions(rLeg.aSimArgs)) << rPlan.nRun;
      // A second fault on the same item would never fire, or hide the one that matters.
      std::set<std::string> aItems;
      for (const std::string& sFault : rLeg.aFaults) {
        const std::vector<std::string> aFields = Fields(sFault);
        if (aFields.size() < 3) continue; // no-bootloader, restart-class
        EXPECT_TRUE(aItems.insert(aFields[1] + ":" + aFields[2]).second)
            << "seed " << rPlan.nSeed << " run " << rPlan.nRun << ": "
            << DescribeFaults(rLeg.aFaults);
      }
    }
  }
}

TEST(SoakPlan, ExpectedOutcomesFollowFromTheFaults) {
  std::map<std::int32_t, std::size_t> aSeen;
  for (const TSoakPlan& rPlan : ManyPlans()) {
    const std::string sWhere = "seed " + std::to_string(rPlan.nSeed) + " run " +
                               std::to_string(rPlan.nRun) + ": " +
                               DescribeFaults(rPlan.aLegs.front().aFaults);
    const TSoakLeg& rFirst = rPlan.aLegs.front();
    ++aSeen[rFirst.nExpected];
    std::map<std::string, std::size_t> aPerTarget;
    std::set<std::string> aKinds;
    for (const std::string& sFault : rFirst.aFaults) {
      const std::vector<std::string> aFields = Fields(sFault);
      aKinds.insert(aFields.size() >= 3 ? aFields[0] + ":" + aFields[1] : aFields[0]);
      if (aFields.size() >= 3) ++aPerTarget[aFields[1]];
    }
    const auto Has = [&aKinds](const std::string& sKind) { return aKinds.count(sKind) != 0; };
    // The information requests run out of tries only where that is the point.
    const bool bInfoFails = aPerTarget["platform"] >= 5 || aPerTarget["upid"] >= 5;
    EXPECT_EQ(bInfoFails, rFirst.nExpected == 46) << sWhere;
    if (rFirst.nExpected == 0) {
      EXPECT_EQ(rPlan.aLegs.size(), 1u) << sWhere;
      for (const std::string& sKind : aKinds)
        EXPECT_TRUE(sKind.rfind("silent:", 0) == 0 || sKind.rfind("short:", 0) == 0 ||
                    sKind.rfind("crc:", 0) == 0 || sKind.rfind("noise:", 0) == 0 ||
                    sKind == "echo:prog")
            << sWhere;
      EXPECT_FALSE(Has("silent:entry") || Has("silent:end")) << sWhere;
      EXPECT_FALSE(rFirst.onMaxRepeats.has_value()) << sWhere;
    }
    if (rFirst.nExpected == 11) {
      // The port vanishes, and a second logger must then be updated.
      ASSERT_EQ(rPlan.aLegs.size(), 2u) << sWhere;
      EXPECT_TRUE(rFirst.bPortVanishes) << sWhere;
      EXPECT_EQ(rPlan.aLegs[1].nExpected, 0) << sWhere;
      EXPECT_TRUE(rPlan.aLegs[1].bFlashFromPrevious) << sWhere;
    }
    if (rFirst.nExpected == 30) {
      EXPECT_TRUE(rFirst.onMaxRepeats.has_value()) << sWhere;
    }
    if (Has("status:ident") || Has("status:serial")) {
      EXPECT_EQ(rFirst.nExpected, 41) << sWhere;
    }
    if (Has("silent:end") || Has("restart-class")) {
      EXPECT_EQ(rFirst.nExpected, 45) << sWhere;
    }
    if (Has("silent:entry") || Has("no-bootloader")) {
      EXPECT_EQ(rFirst.nExpected, 40) << sWhere;
    }
    EXPECT_GT(rFirst.nBudgetMs, 10000u) << sWhere;
  }
  // Every outcome the soak knows comes up.
  for (std::int32_t nCode : {0, 11, 30, 40, 41, 45, 46})
    EXPECT_GT(aSeen[nCode], 5u) << nCode;
}

TEST(SoakPlan, FaultsReachEveryStepOfTheProcedure) {
  std::set<std::string> aTargets;
  for (const TSoakPlan& rPlan : ManyPlans())
    for (const TSoakLeg& rLeg : rPlan.aLegs)
      for (const std::string& sFault : rLeg.aFaults)
        if (const std::vector<std::string> aFields = Fields(sFault); aFields.size() >= 3)
          aTargets.insert(aFields[0] + ":" + aFields[1]);
  for (const char* sTarget :
       {"silent:ident",   "short:ident",     "crc:ident",      "status:ident",  "hangup:ident",
        "silent:serial",  "short:serial",    "crc:serial",     "status:serial", "silent:entry",
        "hangup:entry",   "silent:platform", "short:platform", "crc:platform",  "silent:upid",
        "short:upid",     "crc:upid",        "silent:start",   "short:start",   "crc:start",
        "silent:prog",    "short:prog",      "crc:prog",       "echo:prog",     "hangup:prog",
        "silent:end",     "hangup:end",      "silent:frame",   "noise:ident",   "noise:serial",
        "noise:platform", "noise:upid",      "noise:start",    "noise:prog"})
    EXPECT_EQ(aTargets.count(sTarget), 1u) << sTarget;
}
