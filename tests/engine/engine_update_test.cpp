// Complete updates against the simulated logger: every carried image, the bootloader
// generations, a logger already in its bootloader, the restricted serial numbers, and the
// notifications of a good run.
#include "uEngineRun.h"
#include "uSimLogger.h"

#include "catalogue/uCodeTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace {

class EngineUpdate : public ::testing::Test {
protected:
  void SetUp() override { ResetEngineState(); }
};

class CarriedImageUpdate : public ::testing::TestWithParam<std::int32_t> {
protected:
  void SetUp() override { ResetEngineState(); }
};

// The last data record of an image in file order, as a byte address.
std::uint32_t LastDataRecordAddress(std::int32_t nImage) {
  const std::map<std::uint32_t, std::uint8_t> aBytes = ImageBytes(nImage);
  return aBytes.rbegin()->first - 63;
}

} // namespace

TEST_P(CarriedImageUpdate, LeavesExactlyTheImageInFlashWithTheVectorRecordLast) {
  const std::int32_t nImage = GetParam();
  TSimLogger rSim(LoggerFor(nImage));
  const TRunLog rLog = RunEngine(rSim.Port());

  ASSERT_EQ(rLog.Final().FnCode, cMSG_DONE);
  EXPECT_EQ(gnFwIndex, nImage);
  // Candidates are checked in index order up to the chosen one.
  std::vector<std::uint32_t> aExpectedChecks;
  for (std::int32_t i = 1; i <= nImage; ++i) {
    aExpectedChecks.push_back(static_cast<std::uint32_t>(i));
  }
  EXPECT_EQ(rLog.ValuesOf(cMSG_CHECK), aExpectedChecks);

  rSim.Stop();
  TBl3FileHeader rHeader;
  GetFwHeader(nImage, rHeader);
  const std::int64_t nLast = LastProgrammedAddress(rSim.TracePath());
  if (rHeader.tarv_bl == 3) {
    EXPECT_EQ(nLast, 0x03DF * 64) << "the vector-table record is programmed last";
    EXPECT_EQ(rLog.ValuesOf(cMSG_VECTOR), (std::vector<std::uint32_t>{0, 1}));
  } else {
    EXPECT_EQ(nLast, LastDataRecordAddress(nImage));
    EXPECT_TRUE(rLog.ValuesOf(cMSG_VECTOR).empty());
  }
  EXPECT_EQ(rSim.ReadFlash(), ImageBytes(nImage));
}

INSTANTIATE_TEST_SUITE_P(AllTwelve, CarriedImageUpdate, ::testing::Range(1, 13),
                         [](const auto& rInfo) { return "Image" + std::to_string(rInfo.param); });

TEST_F(EngineUpdate, GoodRunPostsEveryNotificationInOrder) {
  TSimLogger rSim({"--info", "0x1A"});
  const TRunLog rLog = RunEngine(rSim.Port());
  ASSERT_EQ(rLog.Final().FnCode, cMSG_DONE);
  EXPECT_EQ(rLog.Final().FnValue, 0U);

  // Identification twice (application, then bootloader), hardware information, the stored
  // update information again, the twelve checks.
  const std::vector<TNotification> aHead = {
      {cMSG_CLASS, 0x6601},  {cMSG_VERSION, 0x0614}, {cMSG_CLASS, 0xC802}, {cMSG_VERSION, 0},
      {cMSG_PLATFORM, 24},   {cMSG_PRINT, 53},       {cMSG_INFO, 0x1A},    {cMSG_UPD_CLASS, 0x6601},
      {cMSG_UPD_INFO, 0x1A}, {cMSG_PLATFORM, 24},    {cMSG_PRINT, 53}};
  ASSERT_GT(rLog.aNotes.size(), aHead.size() + 12);
  for (std::size_t i = 0; i < aHead.size(); ++i) {
    EXPECT_EQ(rLog.aNotes[i].FnCode, aHead[i].FnCode) << "note " << i;
    EXPECT_EQ(rLog.aNotes[i].FnValue, aHead[i].FnValue) << "note " << i;
  }
  for (std::uint32_t i = 1; i <= 12; ++i) {
    EXPECT_EQ(rLog.aNotes[aHead.size() + i - 1].FnCode, cMSG_CHECK);
    EXPECT_EQ(rLog.aNotes[aHead.size() + i - 1].FnValue, i);
  }
  EXPECT_EQ(rLog.aNotes[aHead.size() + 12].FnCode, cMSG_PROGRAM);

  // Programming: only progress and the vector notes, progress rising from at least 1 to at
  // most 98; the vector record saved once, programmed after all progress.
  const std::size_t nProgStart = aHead.size() + 13;
  const std::size_t nTail = rLog.aNotes.size() - 3; // VECTOR 1, CLASS, DONE
  std::uint32_t nLastPercent = 0;
  int nSaved = 0;
  for (std::size_t i = nProgStart; i < nTail; ++i) {
    const TNotification& rNote = rLog.aNotes[i];
    if (rNote.FnCode == cMSG_VECTOR) {
      EXPECT_EQ(rNote.FnValue, 0U);
      ++nSaved;
      continue;
    }
    ASSERT_EQ(rNote.FnCode, cMSG_PROGRESS) << "note " << i;
    EXPECT_GT(rNote.FnValue, nLastPercent);
    nLastPercent = rNote.FnValue;
  }
  EXPECT_EQ(nSaved, 1);
  EXPECT_EQ(nLastPercent, 98U);
  EXPECT_EQ(rLog.aNotes[nTail].FnCode, cMSG_VECTOR);
  EXPECT_EQ(rLog.aNotes[nTail].FnValue, 1U);
  EXPECT_EQ(rLog.aNotes[nTail + 1].FnCode, cMSG_CLASS);
  EXPECT_EQ(rLog.aNotes[nTail + 1].FnValue, 0x6601U);
}

// The logger needs the pauses around the end command to write its flash and restart; its
// restart takes less, so the identification's tries would hide their loss. Only what the
// logger saw counts, as lower bounds: each span starts at the note the simulator wrote before
// it echoed the last record (the worker cannot start its 500 ms pause earlier), and ends when
// the next bytes arrived (the worker cannot send them before its pause is over).
TEST_F(EngineUpdate, PausesAroundTheEndCommandAreHeldAsTheLoggerSees) {
  TSimLogger rSim;
  const TRunLog rLog = RunEngine(rSim.Port());
  ASSERT_EQ(rLog.Final().FnCode, cMSG_DONE);
  rSim.Stop();

  const std::vector<TSimTraceLine> aTrace = ReadSimTrace(rSim.TracePath());
  std::optional<std::int64_t> nLastRecord;
  std::optional<std::int64_t> nEnd;
  std::optional<std::int64_t> nNextIn;
  for (const TSimTraceLine& rLine : aTrace) {
    if (!nEnd && rLine.sKind == "--" &&
        rLine.sText.find("programmed 64 bytes") != std::string::npos)
      nLastRecord = rLine.nMicros;
    else if (!nEnd && rLine.sKind == "--" &&
             rLine.sText.find("end programming") != std::string::npos)
      nEnd = rLine.nMicros;
    else if (nEnd && !nNextIn && rLine.sKind == "in")
      nNextIn = rLine.nMicros;
  }
  ASSERT_TRUE(nLastRecord && nEnd && nNextIn) << rSim.TraceTail(20);
  EXPECT_GE(*nEnd - *nLastRecord, 500000) << "500 ms before the end command";
  EXPECT_GE(*nNextIn - *nLastRecord, 500000 + 2000000) << "and 2000 ms after it";
}

TEST_F(EngineUpdate, FirstBootloaderGenerationReadsNothingAndUsesItsOwnCommands) {
  // 0xC800 keeps no hardware information: platform 0, print 0, update class 0x6601 fit image 1.
  TSimLogger rSim({"--start-in-bootloader", "--bl-class", "0xC800"});
  const TRunLog rLog = RunEngine(rSim.Port());
  ASSERT_EQ(rLog.Final().FnCode, cMSG_DONE);
  EXPECT_EQ(gnFwIndex, 1);
  EXPECT_EQ(rLog.ValuesOf(cMSG_PLATFORM), std::vector<std::uint32_t>{0});
  EXPECT_EQ(rLog.ValuesOf(cMSG_PRINT), std::vector<std::uint32_t>{0});
  EXPECT_EQ(rLog.ValuesOf(cMSG_INFO), std::vector<std::uint32_t>{0});
  EXPECT_EQ(rLog.ValuesOf(cMSG_UPD_CLASS), std::vector<std::uint32_t>{0x6601});
  EXPECT_EQ(rLog.ValuesOf(cMSG_UPD_INFO), std::vector<std::uint32_t>{0xFFFF});
  rSim.Stop();
  const std::string sTrace = ReadText(rSim.TracePath());
  EXPECT_EQ(sTrace.find("platform request"), std::string::npos);
  EXPECT_EQ(sTrace.find("update-ID request"), std::string::npos);
  // The start line :0100000511E9 and the end line :0100000513E7 (the sim answers no other).
  EXPECT_EQ(rSim.ReadFlash(), ImageBytes(1));
}

TEST_F(EngineUpdate, StrayBytesBeforeAnInformationAnswerAreRetriedAway) {
  // Image 4's logger: its platform answer, shifted by the three stray bytes and cut to length,
  // still has digits that add up to 0 once the stray bytes and the ":" count as nothing.
  std::vector<std::string> aArgs = LoggerFor(4);
  aArgs.insert(aArgs.end(), {"--fault", "noise:platform:1", "--fault", "noise:upid:1"});
  TSimLogger rSim(aArgs);
  const TRunLog rLog = RunEngine(rSim.Port());
  ASSERT_EQ(rLog.Final().FnCode, cMSG_DONE) << "failure " << rLog.Final().FnValue;
  EXPECT_EQ(gnFwIndex, 4);
  EXPECT_EQ(rSim.ReadFlash(), ImageBytes(4));
}

TEST_F(EngineUpdate, LoggerAlreadyInItsBootloaderGetsNoSerialRequestNorEntryCommand) {
  TSimLogger rSim({"--start-in-bootloader"});
  const TRunLog rLog = RunEngine(rSim.Port());
  ASSERT_EQ(rLog.Final().FnCode, cMSG_DONE);
  EXPECT_EQ(rLog.aNotes[0].FnCode, cMSG_CLASS);
  EXPECT_EQ(rLog.aNotes[0].FnValue, 0xC802U);
  EXPECT_EQ(rLog.ValuesOf(cMSG_CLASS), (std::vector<std::uint32_t>{0xC802, 0x6601}));
  EXPECT_EQ(gnFwIndex, 12);
  rSim.Stop();
  const std::string sTrace = ReadText(rSim.TracePath());
  EXPECT_EQ(sTrace.find("serial number"), std::string::npos);
  EXPECT_EQ(sTrace.find("bootloader entry"), std::string::npos);
}

// Image choice only (read-info-only), so these need no programming.
struct TChoiceCase {
  const char* sName;
  std::vector<std::string> aArgs;
  std::int32_t nExpectedImage;
};

void PrintTo(const TChoiceCase& rCase, std::ostream* pOut) {
  *pOut << rCase.sName;
}

class ImageChoice : public ::testing::TestWithParam<TChoiceCase> {
protected:
  void SetUp() override { ResetEngineState(); }
};

TEST_P(ImageChoice, ChoosesTheFirstFittingImage) {
  TSimLogger rSim(GetParam().aArgs);
  gbReadInfoOnly = true;
  const TRunLog rLog = RunEngine(rSim.Port());
  ASSERT_EQ(rLog.Final().FnCode, cMSG_FAILURE);
  EXPECT_EQ(rLog.Final().FnValue, 70U);
  EXPECT_EQ(gnFwIndex, GetParam().nExpectedImage);
}

const std::vector<std::string> caPF12PR30 = {"--platform",      "12", "--print",      "30",
                                             "--upid-platform", "12", "--upid-print", "30"};

std::vector<std::string> With(std::vector<std::string> aArgs,
                              const std::vector<std::string>& aMore) {
  aArgs.insert(aArgs.end(), aMore.begin(), aMore.end());
  return aArgs;
}

INSTANTIATE_TEST_SUITE_P(
    RestrictedSerialNumbers, ImageChoice,
    ::testing::Values(
        TChoiceCase{"Unrestricted", caPF12PR30, 7},
        TChoiceCase{"RestrictedOn5136",
                    With(caPF12PR30, {"--app-version", "0x0588", "--serial", "328297"}), 8},
        TChoiceCase{"RestrictedLastOfRange",
                    With(caPF12PR30, {"--app-version", "0x0588", "--serial", "328504"}), 8},
        TChoiceCase{"OneBelowRange",
                    With(caPF12PR30, {"--app-version", "0x0588", "--serial", "328296"}), 7},
        TChoiceCase{"RestrictedOtherVersion",
                    With(caPF12PR30, {"--app-version", "0x0587", "--serial", "328297"}), 7},
        TChoiceCase{"RestrictedButInBootloader",
                    With(caPF12PR30, {"--start-in-bootloader", "--serial", "328297"}), 7},
        // The stored update information wins over the platform answer when its CRC holds.
        TChoiceCase{
            "StoredInfoWins",
            {"--platform", "24", "--print", "53", "--upid-platform", "12", "--upid-print", "30"},
            7},
        TChoiceCase{"StoredInfoWithWrongCrcIgnored",
                    {"--platform", "24", "--print", "53", "--upid-platform", "12", "--upid-print",
                     "30", "--upid-crc", "0x1234"},
                    12}),
    [](const auto& rInfo) { return std::string(rInfo.param.sName); });

TEST_F(EngineUpdate, ReadInfoOnlyEndsWith70AfterTheChoiceAndLeavesTheLoggerInItsBootloader) {
  TSimLogger rSim;
  gbReadInfoOnly = true;
  const TRunLog rLog = RunEngine(rSim.Port());
  EXPECT_EQ(rLog.Final().FnCode, cMSG_FAILURE);
  EXPECT_EQ(rLog.Final().FnValue, 70U);
  EXPECT_EQ(rLog.BeforeFinal().FnCode, cMSG_CHECK);
  EXPECT_EQ(rLog.BeforeFinal().FnValue, 12U);
  EXPECT_EQ(gnFwIndex, 12);

  // The next run finds the bootloader at once.
  const TRunLog rNext = RunEngine(rSim.Port());
  EXPECT_EQ(rNext.aNotes[0].FnValue, 0xC802U);
  EXPECT_EQ(rNext.Final().FnValue, 70U);
  rSim.Stop();
  EXPECT_EQ(ReadText(rSim.TracePath()).find("start programming"), std::string::npos);
  EXPECT_TRUE(rSim.ReadFlash().empty());
}

TEST_F(EngineUpdate, NoFittingImageEndsWith47AfterTwelveChecksEvenWhenReadInfoOnly) {
  // An update class the tables do not know arrives as 0xFFFF and fits no image.
  TSimLogger rSim({"--upid-class", "0x1234"});
  gbReadInfoOnly = true;
  const TRunLog rLog = RunEngine(rSim.Port());
  EXPECT_EQ(rLog.Final().FnCode, cMSG_FAILURE);
  EXPECT_EQ(rLog.Final().FnValue, 47U);
  EXPECT_EQ(rLog.ValuesOf(cMSG_UPD_CLASS), std::vector<std::uint32_t>{0xFFFF});
  EXPECT_EQ(rLog.ValuesOf(cMSG_CHECK).size(), 12U);
  EXPECT_EQ(gnFwIndex, -1);
}

TEST_F(EngineUpdate, UnknownPlatformSkipsTheUpdateIdBlockAndReportsFfff) {
  TSimLogger rSim({"--platform", "28"});
  const TRunLog rLog = RunEngine(rSim.Port());
  EXPECT_EQ(rLog.Final().FnValue, 47U);
  EXPECT_EQ(rLog.ValuesOf(cMSG_PLATFORM), std::vector<std::uint32_t>{0xFFFF});
  EXPECT_EQ(rLog.ValuesOf(cMSG_UPD_CLASS), std::vector<std::uint32_t>{0xFFFF});
  EXPECT_EQ(rLog.ValuesOf(cMSG_UPD_INFO), std::vector<std::uint32_t>{0xFFFF});
  rSim.Stop();
  EXPECT_EQ(ReadText(rSim.TracePath()).find("update-ID request"), std::string::npos);
}

TEST_F(EngineUpdate, WithoutMatchingClassAndPlatformPrintAndBootloaderStillDecide) {
  gbMatchClass = false;
  gbMatchPlatform = false;
  gbReadInfoOnly = true;
  // Print 49 first fits image 10 (platform 23) once platform and class are not compared.
  TSimLogger rSim({"--print", "49", "--upid-print", "49", "--upid-class", "0x1234"});
  const TRunLog rLog = RunEngine(rSim.Port());
  EXPECT_EQ(rLog.Final().FnValue, 70U);
  EXPECT_EQ(gnFwIndex, 10);
}

TEST_F(EngineUpdate, OtherCommandsWakeTheLoggerAndRunNothing) {
  TSimLogger rSim;
  const TRunLog rLog = RunEngine(rSim.Port(), TCmd::tCMD1);
  ASSERT_EQ(rLog.aNotes.size(), 1U);
  EXPECT_EQ(rLog.Final().FnCode, cMSG_DONE);
  EXPECT_EQ(rLog.Final().FnValue, 1U);
  const TRunLog rLog2 = RunEngine(rSim.Port(), TCmd::tCMD2);
  ASSERT_EQ(rLog2.aNotes.size(), 1U);
  EXPECT_EQ(rLog2.Final().FnValue, 2U);
}

TEST(EngineRestrictedSN, RangesIncludeBothEnds) {
  const std::uint32_t aRestricted[] = {328108, 328224, 328235, 328236, 328283,
                                       328287, 328297, 328400, 328504};
  const std::uint32_t aFree[] = {0,      328107, 328109, 328223, 328225, 328234,
                                 328237, 328282, 328288, 328296, 328505, 0xFFFFFFFF};
  for (std::uint32_t nSN : aRestricted) {
    EXPECT_TRUE(TTarvikCommThread::isRestrictedSN(nSN)) << nSN;
  }
  for (std::uint32_t nSN : aFree) {
    EXPECT_FALSE(TTarvikCommThread::isRestrictedSN(nSN)) << nSN;
  }
}

TEST(EngineStart, ReadInfoOnlyIsSupportedFromTheStart) {
  EXPECT_TRUE(gbReadInfoOnlySupported);
}

TEST_F(EngineUpdate, SerialNumberOfTheLatestRunIsKeptForTheFrontEnds) {
  TSimLogger rSim({"--serial", "0x50269"});
  ASSERT_EQ(RunEngine(rSim.Port()).Final().FnCode, cMSG_DONE);
  EXPECT_EQ(gnSerialNumber.load(), 328297);
  // Now in the new application again; a logger in its bootloader tells no serial number.
  TSimLogger rInBootloader({"--start-in-bootloader"});
  ASSERT_EQ(RunEngine(rInBootloader.Port()).Final().FnCode, cMSG_DONE);
  EXPECT_EQ(gnSerialNumber.load(), -1);
}
