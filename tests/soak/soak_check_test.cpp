// The soak's checks on what a run left behind: they must catch each fault they exist for.
#include "uSoakCheck.h"

#include <gtest/gtest.h>

namespace {

const std::string cPORT = "/dev/pts/7";
const std::string cSUCCESS = "Update Tarvik V6.20 succesfully completed.\n";

struct TReportCase {
  const char* sName;
  int nExit;
  std::string sErr;
  bool bFine;
};

void PrintTo(const TReportCase& rCase, std::ostream* pOut) {
  *pOut << rCase.sName;
}

class SoakFinalReport : public testing::TestWithParam<TReportCase> {};

TEST_P(SoakFinalReport, AcceptsExactlyOneFittingOutcome) {
  const TReportCase& rCase = GetParam();
  const std::string sProblem = FinalReportProblem(rCase.nExit, rCase.sErr, "V6.20", cPORT);
  EXPECT_EQ(sProblem.empty(), rCase.bFine) << sProblem;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SoakFinalReport,
    testing::Values(
        TReportCase{"Success", 0, cSUCCESS, true},
        TReportCase{"SuccessOfAnotherImage", 0, "Update Tarvik V5.42 succesfully completed.\n",
                    false},
        TReportCase{"SuccessTwice", 0, cSUCCESS + cSUCCESS, false},
        TReportCase{"SuccessWithoutText", 0, "", false},
        TReportCase{"SuccessButFailureText", 0, "Aborted because the logger is not ready!\n",
                    false},
        TReportCase{"Failure41", 41, "Aborted because the logger is not ready!\n", true},
        TReportCase{"Failure41WithTheTextOf46", 41,
                    "Aborted because the logger transmitted an invalid answer!\n", false},
        TReportCase{"FailureAndSuccess", 45, "Update was not successfull!\n" + cSUCCESS, false},
        TReportCase{"Failure10QuotesThePort", 10,
                    "Aborted because serial port \"/dev/pts/7\" is not ready!\n", true},
        TReportCase{"RepeatsRanOut", 30, "No repeats left (--max-repeats 2).\n", true},
        TReportCase{"RepeatsRanOutTwice", 30,
                    "No repeats left (--max-repeats 2).\nNo repeats left (--max-repeats 2).\n",
                    false},
        TReportCase{"NoCode", 1, "Fatal Exception has occurred!\n", true},
        TReportCase{"StrayLine", 11,
                    "Aborted because error when reading/writing to serial port!\nterminate "
                    "called after throwing an instance of 'std::logic_error'\n",
                    false}),
    [](const auto& rInfo) { return std::string(rInfo.param.sName); });

TEST(SoakFlash, SuccessNeedsExactlyTheImage) {
  const TFlashBytes aImage{{0x1000, 1}, {0x1001, 2}, {0x1002, 3}};
  EXPECT_EQ(FlashProblem(0, aImage, aImage), "");
  EXPECT_NE(FlashProblem(0, {{0x1000, 1}, {0x1001, 2}}, aImage), "");
  EXPECT_NE(FlashProblem(0, {{0x1000, 1}, {0x1001, 9}, {0x1002, 3}}, aImage), "");
  EXPECT_NE(FlashProblem(0, {{0x1000, 1}, {0x1001, 2}, {0x1002, 3}, {0x2000, 0}}, aImage), "");
  EXPECT_NE(FlashProblem(0, {}, aImage), "");
}

TEST(SoakFlash, FailureMayLeaveAPartButNothingElse) {
  const TFlashBytes aImage{{0x1000, 1}, {0x1001, 2}, {0x1002, 3}};
  EXPECT_EQ(FlashProblem(11, {}, aImage), "");
  EXPECT_EQ(FlashProblem(11, {{0x1001, 2}}, aImage), "");
  EXPECT_EQ(FlashProblem(45, aImage, aImage), "");
  EXPECT_NE(FlashProblem(11, {{0x1001, 7}}, aImage), "");
  EXPECT_NE(FlashProblem(44, {{0x0FFF, 0}}, aImage), "");
}

TEST(SoakFlashText, ReadsDataAndExtendedAddressesAndNeedsTheEndRecord) {
  TFlashBytes aBytes;
  ASSERT_TRUE(
      ParseFlashText(":0218000001667F\n:020000040002F8\n:0100000005FA\n:00000001FF\n", aBytes));
  EXPECT_EQ(aBytes, (TFlashBytes{{0x1800, 0x01}, {0x1801, 0x66}, {0x20000, 0x05}}));
  EXPECT_TRUE(ParseFlashText(":00000001FF\n", aBytes));
  EXPECT_TRUE(aBytes.empty());
  EXPECT_FALSE(ParseFlashText(":0218000001667F\n", aBytes)) << "cut short";
  EXPECT_FALSE(ParseFlashText(":0218000001667E\n:00000001FF\n", aBytes)) << "checksum";
  EXPECT_FALSE(ParseFlashText(":0218000001667F0\n:00000001FF\n", aBytes)) << "length";
}

TEST(SoakSanitizer, RecognisesTheReportsOfEachSanitizer) {
  for (const char* sReport : {"==123==ERROR: AddressSanitizer: heap-use-after-free on address",
                              "==9==ERROR: LeakSanitizer: detected memory leaks",
                              "src/x.cpp:10:5: runtime error: signed integer overflow",
                              "WARNING: ThreadSanitizer: data race (pid=5)"})
    EXPECT_TRUE(HasSanitizerReport(std::string("a line\n") + sReport + "\n")) << sReport;
  EXPECT_FALSE(HasSanitizerReport("Update was not successfull!\n"));
}

} // namespace
