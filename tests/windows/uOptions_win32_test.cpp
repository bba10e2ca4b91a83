// Internal mode from the per-user registry value "intern", written by the test itself.
#include "engine/uSwitches.h"
#include "uRegistryFixture_win32.h"
#include "ui/uOptions.h"
#include "ui/uWinTools1V4.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

struct TInternCase {
  const char* sWhat;
  std::optional<TRegValue> value; // nothing: the key exists without the value
  std::optional<std::int32_t> nExpected;
  bool bInternal;
};

void PrintTo(const TInternCase& c, std::ostream* pOut) {
  *pOut << c.sWhat;
}

class InternValueTest : public ::testing::TestWithParam<TInternCase> {
protected:
  TRegistryKeyGuard FKey{HKEY_CURRENT_USER, L"Software\\Corvane\\Tarv"};
};

TEST_P(InternValueTest, DecidesTheMode) {
  const TInternCase& c = GetParam();
  FKey.Write(c.value ? std::vector<TRegValue>{*c.value}
                     : std::vector<TRegValue>{TextValue(L"other", L"3904")});
  EXPECT_EQ(ReadInternValue(), c.nExpected);
  EXPECT_EQ(IsInternalMode(), c.bInternal);
}

TRegValue BinaryValue(const std::wstring& sName, DWORD nValue) {
  TRegValue value = DwordValue(sName, nValue);
  value.nType = REG_BINARY;
  return value;
}

INSTANTIATE_TEST_SUITE_P(
    Registry, InternValueTest,
    ::testing::Values(
        TInternCase{"AccessCode", DwordValue(L"intern", 3904), 3904, true},
        TInternCase{"OtherInteger", DwordValue(L"intern", 3905), 3905, false},
        TInternCase{"Zero", DwordValue(L"intern", 0), 0, false},
        TInternCase{"Negative", DwordValue(L"intern", 0xFFFFF0C0u), -3904, false},
        TInternCase{"Text", TextValue(L"intern", L"abc"), std::nullopt, false},
        TInternCase{"TextOfTheCode", TextValue(L"intern", L"3904"), std::nullopt, false},
        TInternCase{"BinaryOfTheCode", BinaryValue(L"intern", 3904), std::nullopt, false},
        TInternCase{"ValueMissing", std::nullopt, std::nullopt, false}),
    [](const ::testing::TestParamInfo<TInternCase>& caseInfo) { return caseInfo.param.sWhat; });

TEST(InternKeyTest, MissingKeyIsNormalMode) {
  TRegistryKeyGuard key{HKEY_CURRENT_USER, L"Software\\Corvane\\Tarv"};
  EXPECT_EQ(ReadInternValue(), std::nullopt);
  EXPECT_FALSE(IsInternalMode());
}

// The options a window gets from the registry and the command line together.
TEST(InternKeyTest, RegistryValueUnlocksTheInternalOptions) {
  TRegistryKeyGuard key{HKEY_CURRENT_USER, L"Software\\Corvane\\Tarv"};
  const char* aArgv[] = {"tarvik.exe", "CC:-", "f:+"};
  SetProgramArgs(3, aArgv);

  gbMatchClass = true;
  gnAccessLevel = 0;
  ApplyOptions(IsInternalMode());
  EXPECT_TRUE(gbMatchClass);
  EXPECT_EQ(gnAccessLevel, 0);

  key.Write({DwordValue(L"intern", 3904)});
  ApplyOptions(IsInternalMode());
  EXPECT_FALSE(gbMatchClass);
  EXPECT_EQ(gnAccessLevel, 2);
  gbMatchClass = true;
  gnAccessLevel = 0;
}

} // namespace
