// Every failure code of the worker brought about by the simulated logger (or an image), with
// the final notification the window receives and the notification right before it.
#include "uEngineRun.h"
#include "uSimLogger.h"

#include "catalogue/uFwHeader.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t cANY = 0xFFFFFFFF;

struct TFaultCase {
  const char* sName;
  std::vector<std::string> aSimArgs;
  std::uint32_t nFinalCode;
  std::uint32_t nFinalValue;
  std::uint32_t nBeforeCode = cANY; // the notification right before the final one
  std::uint32_t nBeforeValue = cANY;
};

void PrintTo(const TFaultCase& rCase, std::ostream* pOut) {
  *pOut << rCase.sName;
}

class EngineFault : public ::testing::TestWithParam<TFaultCase> {
protected:
  void SetUp() override { ResetEngineState(); }
};

} // namespace

TEST_P(EngineFault, EndsWithItsFinalNotification) {
  const TFaultCase& rCase = GetParam();
  TSimLogger rSim(rCase.aSimArgs);
  const TRunLog rLog = RunEngine(rSim.Port());
  EXPECT_EQ(rLog.Final().FnCode, rCase.nFinalCode);
  EXPECT_EQ(rLog.Final().FnValue, rCase.nFinalValue);
  if (rCase.nBeforeCode != cANY) {
    ASSERT_GE(rLog.aNotes.size(), 2U);
    EXPECT_EQ(rLog.BeforeFinal().FnCode, rCase.nBeforeCode);
    if (rCase.nBeforeValue != cANY) {
      EXPECT_EQ(rLog.BeforeFinal().FnValue, rCase.nBeforeValue);
    }
  }
}

// Image 12 on the default logger: line 0 is the first data line; the vector-table record is
// line 47 and is programmed last (after the 813 other data lines), as data line 814.
INSTANTIATE_TEST_SUITE_P(
    FailureCodes, EngineFault,
    ::testing::Values(
        TFaultCase{"SerialHangupDuringProgramming_11",
                   {"--fault", "hangup:prog:20"},
                   cMSG_FAILURE,
                   11,
                   cMSG_PROGRESS},
        TFaultCase{"NeverAnswers_30_Repeat", {"--fault", "silent:frame:1:always"}, cMSG_REPEAT, 0},
        TFaultCase{"SilentDuringProgramming_30_Repeat",
                   {"--fault", "silent:prog:5:always"},
                   cMSG_REPEAT,
                   0,
                   cMSG_PROGRAM},
        TFaultCase{"ShortAnswersAfterRestart_30_Repeat",
                   {"--fault", "short:frame:4:always"},
                   cMSG_REPEAT,
                   0,
                   cMSG_VECTOR,
                   1},
        TFaultCase{"NoBootloader_40",
                   {"--fault", "no-bootloader"},
                   cMSG_FAILURE,
                   40,
                   cMSG_VERSION,
                   0x0614},
        TFaultCase{"ForeignApplicationClass_40",
                   {"--app-class", "0x1234"},
                   cMSG_FAILURE,
                   40,
                   cMSG_VERSION},
        TFaultCase{"StatusBit_41", {"--fault", "status:frame:1"}, cMSG_FAILURE, 41},
        TFaultCase{
            "WrongEcho_44", {"--fault", "echo:prog:5"}, cMSG_FAILURE, 44, cMSG_PROG_ERROR, 4},
        TFaultCase{"WrongEchoOfVectorRecord_44",
                   {"--fault", "echo:prog:814"},
                   cMSG_FAILURE,
                   44,
                   cMSG_PROG_ERROR,
                   814},
        TFaultCase{"WrongClassAfterRestart_45",
                   {"--fault", "restart-class:0xC802"},
                   cMSG_FAILURE,
                   45,
                   cMSG_CLASS,
                   0xC802},
        TFaultCase{"PlatformRequestUnanswered_46",
                   {"--fault", "silent:line:1:always"},
                   cMSG_FAILURE,
                   46,
                   cMSG_VERSION},
        TFaultCase{"UpdateIdAnswerChecksumWrong_46",
                   {"--fault", "crc:line:2:always"},
                   cMSG_FAILURE,
                   46,
                   cMSG_VERSION},
        TFaultCase{"PlatformAnswerShort_46", {"--fault", "short:line:1:always"}, cMSG_FAILURE, 46},
        TFaultCase{"NoImageFits_47",
                   {"--print", "99", "--upid-print", "99"},
                   cMSG_FAILURE,
                   47,
                   cMSG_CHECK,
                   12}),
    [](const auto& rInfo) { return std::string(rInfo.param.sName); });

TEST(EngineFailure, PortThatCannotBeOpenedGives10AsTheOnlyNotification) {
  ResetEngineState();
  const TRunLog rLog = RunEngine("/dev/tarvik-no-such-port");
  ASSERT_EQ(rLog.aNotes.size(), 1U);
  EXPECT_EQ(rLog.Final().FnCode, cMSG_FAILURE);
  EXPECT_EQ(rLog.Final().FnValue, 10U);
}

TEST(EngineFailure, CancelDuringProgrammingGives20) {
  ResetEngineState();
  TSimLogger rSim;
  const TRunLog rLog = RunEngine(rSim.Port(), TCmd::tCMD0, cMSG_PROGRESS);
  EXPECT_EQ(rLog.Final().FnCode, cMSG_FAILURE);
  EXPECT_EQ(rLog.Final().FnValue, 20U);
  rSim.Stop();
  EXPECT_EQ(ReadText(rSim.TracePath()).find("end programming"), std::string::npos);
}

TEST(EngineFailure, ForeignApplicationClassIsSentTheEntryCommandWhenNotRequired) {
  ResetEngineState();
  gbRequireServedClass = false;
  gbReadInfoOnly = true;
  TSimLogger rSim({"--app-class", "0x1234", "--app-version", "0x0500"});
  const TRunLog rLog = RunEngine(rSim.Port());
  EXPECT_EQ(rLog.ValuesOf(cMSG_CLASS), (std::vector<std::uint32_t>{0x1234, 0xC802}));
  EXPECT_EQ(rLog.Final().FnValue, 70U);
  rSim.Stop();
  const std::string sTrace = ReadText(rSim.TracePath());
  EXPECT_EQ(sTrace.find("serial number"), std::string::npos) << "only the served class";
  // Version 5.00 is below 6.00: the old entry frame 85 03 A5 5A 00 00 00.
  EXPECT_NE(sTrace.find("85 03 A5 5A 00 00 00"), std::string::npos);
}

TEST(EngineFailure, ForeignClassWithRequiredServedClassGetsNoEntryCommand) {
  ResetEngineState();
  TSimLogger rSim({"--app-class", "0x1234"});
  const TRunLog rLog = RunEngine(rSim.Port());
  EXPECT_EQ(rLog.Final().FnValue, 40U);
  EXPECT_EQ(rLog.ValuesOf(cMSG_CLASS), std::vector<std::uint32_t>{0x1234});
  rSim.Stop();
  EXPECT_EQ(ReadText(rSim.TracePath()).find("bootloader entry"), std::string::npos);
}

// File images (image 0) that the file reader refuses, put in place directly: the engine's own
// checks stay as a guard. 42 and 43 come before anything is programmed.
struct TFileCase {
  const char* sName;
  std::vector<std::string> aLines;
  std::uint32_t nFinalValue;
  std::uint32_t nBeforeCode;
  std::uint32_t nBeforeValue;
  std::size_t nFlashBytes; // what was programmed before the failure
};

void PrintTo(const TFileCase& rCase, std::ostream* pOut) {
  *pOut << rCase.sName;
}

class EngineFileImage : public ::testing::TestWithParam<TFileCase> {
protected:
  void SetUp() override { ResetEngineState(); }
};

namespace {
// A valid 64-byte data line at block 0x02C0 of image 12.
std::string FirstLineOfImage12() {
  gnFwIndex = 12;
  std::string sLine;
  GetFwLine(0, sLine);
  gnFwIndex = -1;
  return sLine;
}

std::string LowerCase(std::string sText) {
  for (char& ch : sText) {
    if (ch >= 'A' && ch <= 'F') {
      ch = static_cast<char>(ch - 'A' + 'a');
    }
  }
  return sText;
}
} // namespace

TEST_P(EngineFileImage, FailsBeforeProgramming) {
  const TFileCase& rCase = GetParam();
  UseFileImage(rCase.aLines);
  TSimLogger rSim;
  const TRunLog rLog = RunEngine(rSim.Port());
  EXPECT_EQ(rLog.ValuesOf(cMSG_CHECK), std::vector<std::uint32_t>{0}) << "only the file image";
  EXPECT_EQ(rLog.Final().FnCode, cMSG_FAILURE);
  EXPECT_EQ(rLog.Final().FnValue, rCase.nFinalValue);
  EXPECT_EQ(rLog.BeforeFinal().FnCode, rCase.nBeforeCode);
  EXPECT_EQ(rLog.BeforeFinal().FnValue, rCase.nBeforeValue);
  rSim.Stop();
  EXPECT_EQ(rSim.ReadFlash().size(), rCase.nFlashBytes);
}

INSTANTIATE_TEST_SUITE_P(
    BadImages, EngineFileImage,
    ::testing::Values(
        TFileCase{"OnlyOneLine_42", {":00000001FF"}, 42, cMSG_CHECK, 0, 0},
        TFileCase{
            "NoEndRecord_42", {FirstLineOfImage12(), FirstLineOfImage12()}, 42, cMSG_CHECK, 0, 0},
        TFileCase{
            "EndRecordLowerCase_42", {FirstLineOfImage12(), ":00000001ff"}, 42, cMSG_CHECK, 0, 0},
        TFileCase{
            "EndRecordWithBlank_42", {FirstLineOfImage12(), ":00000001FF "}, 42, cMSG_CHECK, 0, 0},
        TFileCase{"LowerCaseDigits_43",
                  {FirstLineOfImage12(), LowerCase(FirstLineOfImage12()), ":00000001FF"},
                  43,
                  cMSG_CONV_ERROR,
                  1,
                  64},
        TFileCase{"BrokenChecksum_43",
                  {":0400000001020304F0", ":00000001FF"},
                  43,
                  cMSG_CONV_ERROR,
                  0,
                  0}),
    [](const auto& rInfo) { return std::string(rInfo.param.sName); });

TEST(EngineFileImageUpdate, TwoLineImageProgramsOneLineWithoutProgress) {
  ResetEngineState();
  const std::string sLine = FirstLineOfImage12();
  TTempFile rFile(FirmwareFileText({sLine, ":00000001FF"}));
  LoadFwFileImage(rFile.Path());
  TSimLogger rSim;
  const TRunLog rLog = RunEngine(rSim.Port());
  ASSERT_EQ(rLog.Final().FnCode, cMSG_DONE);
  EXPECT_EQ(gnFwIndex, 0);
  EXPECT_TRUE(rLog.ValuesOf(cMSG_PROGRESS).empty());
  const std::map<std::uint32_t, std::uint8_t> aFlash = rSim.ReadFlash();
  ASSERT_EQ(aFlash.size(), 64U);
  EXPECT_EQ(aFlash.begin()->first, 0x02C0U * 64);
}

TEST(EngineFileImageUpdate, WholeImageFromAFileProgramsLikeTheCarriedImage) {
  ResetEngineState();
  gnFwIndex = 12;
  std::vector<std::string> slLines;
  for (std::int32_t j = 0; j <= GetFwLastLine(); ++j) {
    std::string sLine;
    GetFwLine(j, sLine);
    slLines.push_back(sLine);
  }
  TTempFile rFile(FirmwareFileText(slLines));
  LoadFwFileImage(rFile.Path());
  ASSERT_EQ(gslFwFileLines, slLines);
  TSimLogger rSim;
  const TRunLog rLog = RunEngine(rSim.Port());
  ASSERT_EQ(rLog.Final().FnCode, cMSG_DONE) << "final value " << rLog.Final().FnValue;
  EXPECT_EQ(gnFwIndex, 0);
  EXPECT_EQ(rLog.ValuesOf(cMSG_VECTOR), (std::vector<std::uint32_t>{0, 1}));
  rSim.Stop();
  EXPECT_EQ(LastProgrammedAddress(rSim.TracePath()), 0x03DF * 64);
  EXPECT_EQ(rSim.ReadFlash(), ImageBytes(12));
}

TEST(EngineFileImageUpdate, OtherRecordsAreSkippedAndOnlyTheLastVectorRecordIsProgrammed) {
  ResetEngineState();
  gnFwIndex = 12;
  std::string sVector;
  std::string sFirst;
  GetFwLine(0, sFirst);
  for (std::int32_t j = 0; j < GetFwLastLine(); ++j) {
    std::string sLine;
    GetFwLine(j, sLine);
    if (sLine.compare(3, 4, "03DF") == 0) {
      sVector = sLine;
    }
  }
  ASSERT_FALSE(sVector.empty());
  // A vector record with other data first (checksum made right), then the real one.
  std::string sEarlyVector = sVector;
  sEarlyVector.replace(9, 2, sVector.substr(9, 2) == "00" ? "01" : "00");
  {
    unsigned nSum = 0;
    for (std::size_t i = 1; i + 2 < sEarlyVector.size(); i += 2) {
      nSum += static_cast<unsigned>(std::stoul(sEarlyVector.substr(i, 2), nullptr, 16));
    }
    char aSum[3];
    std::snprintf(aSum, sizeof aSum, "%02X", (0x100 - (nSum & 0xFF)) & 0xFF);
    sEarlyVector.replace(sEarlyVector.size() - 2, 2, aSum);
  }
  // The file reader refuses the address and short records; the engine passes them over.
  UseFileImage(
      {sEarlyVector, sFirst, ":020000040001F9", ":0400000001020304F2", sVector, ":00000001FF"});
  TSimLogger rSim;
  const TRunLog rLog = RunEngine(rSim.Port());
  ASSERT_EQ(rLog.Final().FnCode, cMSG_DONE) << "final value " << rLog.Final().FnValue;
  EXPECT_EQ(rLog.ValuesOf(cMSG_VECTOR), (std::vector<std::uint32_t>{0, 0, 1}));
  rSim.Stop();
  EXPECT_EQ(LastProgrammedAddress(rSim.TracePath()), 0x03DF * 64);
  const std::map<std::uint32_t, std::uint8_t> aFlash = rSim.ReadFlash();
  EXPECT_EQ(aFlash.size(), 128U) << "the first data line and one vector record";
  EXPECT_EQ(aFlash.at(0x03DF * 64),
            static_cast<std::uint8_t>(std::stoul(sVector.substr(9, 2), nullptr, 16)));
}
