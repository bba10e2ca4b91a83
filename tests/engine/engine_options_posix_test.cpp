// The internal mode's setting store on POSIX: an INI file under XDG_CONFIG_HOME.
#include "ui/uOptions.h"
#include "ui/uOptions_posix.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <streambuf>

// The setting store under a temporary XDG_CONFIG_HOME.
class InternValue : public ::testing::Test {
protected:
  void SetUp() override {
    FsDir = std::filesystem::temp_directory_path() /
            ("tarvik-intern-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(FsDir / "Corvane");
    setenv("XDG_CONFIG_HOME", FsDir.c_str(), 1);
  }
  void TearDown() override { std::filesystem::remove_all(FsDir); }
  void Write(const std::string& sText) {
    std::ofstream(FsDir / "Corvane" / "Tarv.conf", std::ios::binary) << sText;
  }
  std::filesystem::path FsDir;
};

TEST_F(InternValue, MissingFileMeansNormalMode) {
  EXPECT_FALSE(ReadInternValue().has_value());
  EXPECT_FALSE(IsInternalMode());
}

TEST_F(InternValue, TheAccessCodeInGeneralMeansInternalMode) {
  Write("[General]\nintern=3904\n");
  EXPECT_EQ(ReadInternValue(), 3904);
  EXPECT_TRUE(IsInternalMode());
}

struct TStoreCase {
  const char* sName;
  const char* sText;
  std::optional<std::int32_t> nValue;
};

class InternValueTable : public InternValue, public ::testing::WithParamInterface<TStoreCase> {};

TEST_P(InternValueTable, ReadsTheValue) {
  Write(GetParam().sText);
  EXPECT_EQ(ReadInternValue(), GetParam().nValue);
  EXPECT_EQ(IsInternalMode(), GetParam().nValue == 3904);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InternValueTable,
    ::testing::Values(
        TStoreCase{"OtherInteger", "[General]\nintern=3905\n", 3905},
        TStoreCase{"Negative", "[General]\nintern=-3904\n", -3904},
        TStoreCase{"NotAnInteger", "[General]\nintern=abc\n", std::nullopt},
        TStoreCase{"TrailingText", "[General]\nintern=3904x\n", std::nullopt},
        TStoreCase{"Empty", "[General]\nintern=\n", std::nullopt},
        TStoreCase{"TooLarge", "[General]\nintern=99999999999\n", std::nullopt},
        TStoreCase{"BlanksAndCrLf", "; a comment\r\n[General]\r\n  intern = 3904 \r\n", 3904},
        TStoreCase{"HashComment", "# intern=1\n[General]\n#intern=1\nintern=3904\n", 3904},
        TStoreCase{"Quoted", "[General]\nintern=\"3904\"\n", 3904},
        TStoreCase{"OtherSection", "[Other]\nintern=3904\n", std::nullopt},
        TStoreCase{"OtherSectionAfter", "[General]\nintern=3904\n[Other]\nintern=1\n", 3904},
        TStoreCase{"BeforeAnySection", "intern=3904\n", 3904},
        TStoreCase{"OtherKey", "[General]\ninternal=3904\nIntern=3904\n", std::nullopt},
        TStoreCase{"NoEquals", "[General]\nintern 3904\n", std::nullopt},
        TStoreCase{"LastWins", "[General]\nintern=1\nintern=3904\n", 3904}),
    [](const auto& rInfo) { return std::string(rInfo.param.sName); });

TEST_F(InternValue, RelativeConfigHomeFallsBackToHome) {
  Write("[General]\nintern=3904\n");
  setenv("XDG_CONFIG_HOME", "relative/dir", 1);
  const std::filesystem::path sHome = FsDir / "home";
  std::filesystem::create_directories(sHome / ".config" / "Corvane");
  std::ofstream(sHome / ".config" / "Corvane" / "Tarv.conf") << "[General]\nintern=7\n";
  setenv("HOME", sHome.c_str(), 1);
  EXPECT_EQ(ReadInternValue(), 7);
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(ReadInternValue(), 7);
}

// A stream of zero bytes that never ends; counts what was taken from it.
class TEndlessZeros : public std::streambuf {
public:
  std::size_t Taken() const { return FnTaken; }

protected:
  int_type underflow() override {
    // Ends after 64 MiB only so that a reader without a bound fails the test instead of
    // taking all memory.
    if (FnTaken >= (64u << 20)) return traits_type::eof();
    FnTaken += sizeof FaChunk;
    setg(FaChunk, FaChunk, FaChunk + sizeof FaChunk);
    return traits_type::to_int_type(FaChunk[0]);
  }

private:
  char FaChunk[4096] = {};
  std::size_t FnTaken = 0;
};

TEST(InternValueText, AFileThatNeverEndsIsReadOnlyUpToTheBound) {
  // A settings file linked to /dev/zero: one line without end.
  TEndlessZeros rZeros;
  std::istream rStream(&rZeros);
  EXPECT_FALSE(InternValueFromSettings(rStream).has_value());
  EXPECT_LE(rZeros.Taken(), cMAX_SETTINGS_BYTES + 4096);
}

TEST(InternValueText, NothingBeyondTheBoundCounts) {
  std::string sText = "[General]\nintern=3904\n";
  sText += std::string(cMAX_SETTINGS_BYTES, '\n');
  std::istringstream rAfter(sText + "intern=1\n");
  EXPECT_EQ(InternValueFromSettings(rAfter), 3904);
  std::istringstream rWithin("[General]\nintern=1\nintern=3904\n");
  EXPECT_EQ(InternValueFromSettings(rWithin), 3904);
}
