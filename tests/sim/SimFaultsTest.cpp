#include <gtest/gtest.h>

#include "uSimFaults.h"
#include "uSimUsage.h"

namespace {

struct TGoodSpec {
  const char* sSpec;
  TFaultKind Kind;
  TFaultTarget Target;
  std::uint32_t nIndex;
  bool bAlways;
};

class SimFaultGrammar : public testing::TestWithParam<TGoodSpec> {};

TEST_P(SimFaultGrammar, ParsesKindTargetIndexAndRepeat) {
  const TGoodSpec& Case = GetParam();
  TFaultPlan Plan;
  Plan.AddSpec(Case.sSpec);
  ASSERT_EQ(Plan.Faults().size(), 1u);
  const TFault& Fault = Plan.Faults()[0];
  EXPECT_EQ(Fault.Kind, Case.Kind);
  EXPECT_EQ(Fault.Target, Case.Target);
  EXPECT_EQ(Fault.nIndex, Case.nIndex);
  EXPECT_EQ(Fault.bAlways, Case.bAlways);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, SimFaultGrammar,
    testing::Values(
        TGoodSpec{"silent:frame:1:always", TFaultKind::Silent, TFaultTarget::Frame, 1, true},
        TGoodSpec{"status:frame:1", TFaultKind::Status, TFaultTarget::Frame, 1, false},
        TGoodSpec{"echo:prog:5", TFaultKind::Echo, TFaultTarget::Prog, 5, false},
        TGoodSpec{"hangup:prog:10", TFaultKind::Hangup, TFaultTarget::Prog, 10, false},
        TGoodSpec{"crc:line:2", TFaultKind::Crc, TFaultTarget::Line, 2, false},
        TGoodSpec{"short:line:0x10:always", TFaultKind::Short, TFaultTarget::Line, 16, true},
        TGoodSpec{"hangup:frame:3", TFaultKind::Hangup, TFaultTarget::Frame, 3, false},
        TGoodSpec{"status:ident:2", TFaultKind::Status, TFaultTarget::Ident, 2, false},
        TGoodSpec{"crc:serial:1", TFaultKind::Crc, TFaultTarget::Serial, 1, false},
        TGoodSpec{"silent:entry:1", TFaultKind::Silent, TFaultTarget::Entry, 1, false},
        TGoodSpec{"short:platform:3", TFaultKind::Short, TFaultTarget::Platform, 3, false},
        TGoodSpec{"crc:upid:1:always", TFaultKind::Crc, TFaultTarget::Upid, 1, true},
        TGoodSpec{"silent:start:2", TFaultKind::Silent, TFaultTarget::Start, 2, false},
        TGoodSpec{"hangup:end:1", TFaultKind::Hangup, TFaultTarget::End, 1, false},
        TGoodSpec{"noise:upid:2", TFaultKind::Noise, TFaultTarget::Upid, 2, false}));

TEST(SimFaultGrammarErrors, RejectsEverythingOutsideTheGrammar) {
  for (const char* sSpec : {"",
                            "silent",
                            "silent:frame",
                            "silent:frame:0",
                            "silent:frame:-1",
                            "silent:frame:x",
                            "silent:frame:1:once",
                            "silent:frame:1:always:x",
                            "loud:frame:1",
                            "silent:page:1",
                            "status:line:1",
                            "status:prog:1",
                            "echo:frame:1",
                            "echo:line:1",
                            "echo:start:1",
                            "status:upid:1",
                            "status:entry:1",
                            "short:entry:1",
                            "crc:end:1",
                            "noise:entry:1",
                            "silent:ident",
                            "silent:identify:1",
                            "restart-class",
                            "restart-class:",
                            "restart-class:0x10000",
                            "restart-class:1:2",
                            "no-bootloader:1",
                            "silent:frame:4294967296",
                            "SILENT:frame:1"}) {
    TFaultPlan Plan;
    EXPECT_THROW(Plan.AddSpec(sSpec), ESimUsage) << sSpec;
  }
}

TEST(SimFaultGrammarSpecial, NoBootloaderAndRestartClass) {
  TFaultPlan Plan;
  EXPECT_FALSE(Plan.NoBootloader());
  EXPECT_FALSE(Plan.RestartClass().has_value());
  Plan.AddSpec("no-bootloader");
  Plan.AddSpec("restart-class:0x6602");
  EXPECT_TRUE(Plan.NoBootloader());
  EXPECT_EQ(Plan.RestartClass(), std::uint16_t{0x6602});
  EXPECT_TRUE(Plan.Faults().empty());
}

TEST(SimFaultDecision, OnceFiresOnItsItemOnlyAndOnlyOnce) {
  TFaultPlan Plan;
  Plan.AddSpec("echo:prog:3");
  EXPECT_EQ(Plan.Decide(TFaultTarget::Prog, 1), TFaultKind::None);
  EXPECT_EQ(Plan.Decide(TFaultTarget::Prog, 2), TFaultKind::None);
  EXPECT_EQ(Plan.Decide(TFaultTarget::Line, 3), TFaultKind::None);
  EXPECT_EQ(Plan.Decide(TFaultTarget::Prog, 3), TFaultKind::Echo);
  EXPECT_EQ(Plan.Decide(TFaultTarget::Prog, 4), TFaultKind::None);
  // Programming started again: the third data line is clean this time.
  EXPECT_EQ(Plan.Decide(TFaultTarget::Prog, 3), TFaultKind::None);
}

TEST(SimFaultDecision, AlwaysFiresFromItsItemOn) {
  TFaultPlan Plan;
  Plan.AddSpec("silent:frame:2:always");
  EXPECT_EQ(Plan.Decide(TFaultTarget::Frame, 1), TFaultKind::None);
  for (std::uint32_t n = 2; n < 6; ++n)
    EXPECT_EQ(Plan.Decide(TFaultTarget::Frame, n), TFaultKind::Silent);
}

TEST(SimFaultDecision, FirstMatchingFaultWins) {
  TFaultPlan Plan;
  Plan.AddSpec("crc:frame:2");
  Plan.AddSpec("short:frame:1:always");
  EXPECT_EQ(Plan.Decide(TFaultTarget::Frame, 1), TFaultKind::Short);
  EXPECT_EQ(Plan.Decide(TFaultTarget::Frame, 2), TFaultKind::Crc);
  EXPECT_EQ(Plan.Decide(TFaultTarget::Frame, 3), TFaultKind::Short);
}

} // namespace
