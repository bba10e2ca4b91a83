// The options of the window and the command line, and the internal mode's setting store.
#include "engine/uSwitches.h"
#include "ui/uOptions.h"
#include "ui/uWinTools1V4.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

void SetArgs(const std::vector<std::string>& slArgs) {
  std::vector<const char*> aArgv{"/usr/bin/tarvik-update"};
  for (const std::string& sArg : slArgs) {
    aArgv.push_back(sArg.c_str());
  }
  SetProgramArgs(static_cast<int>(aArgv.size()), aArgv.data());
}

} // namespace

struct TFindCase {
  std::vector<std::string> slArgs;
  std::string sOption;
  std::string sDefault;
  std::string sExpected;
};

class FindOptionTable : public ::testing::TestWithParam<TFindCase> {};

TEST_P(FindOptionTable, ReturnsTheValueOfTheFirstMatchingArgument) {
  SetArgs(GetParam().slArgs);
  EXPECT_EQ(FindOption(GetParam().sOption, GetParam().sDefault), GetParam().sExpected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindOptionTable,
    ::testing::Values(
        TFindCase{{}, "cc:", "", ""}, TFindCase{{}, "f:", "-", "-"},
        TFindCase{{"cc:-"}, "cc:", "", "-"}, TFindCase{{"CC:-"}, "cc:", "", "-"},
        TFindCase{{"Cc:+"}, "cC:", "", "+"}, TFindCase{{"cc:-x"}, "cc:", "", "-x"},
        TFindCase{{"cc:"}, "cc:", "dflt", "dflt"}, // the prefix alone
        TFindCase{{"cc"}, "cc:", "dflt", "dflt"}, TFindCase{{"mf:+", "mf:-"}, "mf:", "", "+"},
        TFindCase{{"x", "cf:-", "cc:+"}, "cc:", "", "+"}, TFindCase{{"xcc:-"}, "cc:", "", ""},
        // Only the letters A..Z ignore their case.
        TFindCase{{"\xC4:-"}, "\xE4:", "", ""},
        TFindCase{{"cc:" + std::string(1500, 'v')}, "cc:", "", std::string(1000, 'v')}));

TEST(FindOption, ArgumentZeroIsNotLookedAt) {
  const char* aArgv[] = {"cc:-"};
  SetProgramArgs(1, aArgv);
  EXPECT_EQ(FindOption("cc:", "none"), "none");
}

struct TApplyCase {
  const char* sName;
  bool bInternal;
  std::vector<std::string> slArgs;
  std::int32_t nAccessLevel;
  bool bMatchClass;
  bool bRequireServedClass;
  bool bMatchPlatform;
  bool bClears;
};

class ApplyOptionsTable : public ::testing::TestWithParam<TApplyCase> {};

TEST_P(ApplyOptionsTable, SetsTheSwitchesAsTheWindowDoes) {
  const TApplyCase& rCase = GetParam();
  ResetSwitches();
  SetArgs(rCase.slArgs);
  ApplyOptions(rCase.bInternal);
  EXPECT_EQ(gnAccessLevel, rCase.nAccessLevel);
  EXPECT_EQ(gbMatchClass, rCase.bMatchClass);
  EXPECT_EQ(gbRequireServedClass, rCase.bRequireServedClass);
  EXPECT_EQ(gbMatchPlatform, rCase.bMatchPlatform);
  EXPECT_EQ(gbClearsMeasurements, rCase.bClears);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ApplyOptionsTable,
    ::testing::Values(
        TApplyCase{"NormalDefaults", false, {}, 0, true, true, true, false},
        TApplyCase{"NormalIgnoresInternalOptions",
                   false,
                   {"cc:-", "cf:-", "cp:-", "f:+"},
                   0,
                   true,
                   true,
                   true,
                   false},
        TApplyCase{"NormalHonoursClearing", false, {"mf:+"}, 0, true, true, true, true},
        TApplyCase{"InternalDefaults", true, {}, 1, true, true, true, false},
        TApplyCase{"InternalAll",
                   true,
                   {"CC:-", "cf:-", "cp:-", "F:+", "mf:+"},
                   2,
                   false,
                   false,
                   false,
                   true},
        TApplyCase{"InternalValuesThatDoNotAct",
                   true,
                   {"cc:+", "cf:-x", "cp:", "f:-", "mf:x"},
                   1,
                   true,
                   true,
                   true,
                   false},
        TApplyCase{"FirstClearingWins", false, {"mf:+", "mf:-"}, 0, true, true, true, true},
        TApplyCase{"ClearingOff", false, {"mf:-", "mf:+"}, 0, true, true, true, false}),
    [](const auto& rInfo) { return std::string(rInfo.param.sName); });
