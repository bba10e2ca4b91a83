#include "catalogue/uFWVersions.h"
#include "catalogue/uFwFileLines.h"
#include "catalogue/uFwHeader.h"
#include "catalogue/uHeaderInteger.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string cHEADER = "bootloader=3\r\n"
                            "bootloader version=1\r\n"
                            "class=26113\r\n"
                            "versionH=6\r\n"
                            "versionL=20\r\n"
                            "platform=24\r\n"
                            "print=53\r\n"
                            "date=21.09.2023 16:19:36\r\n";

// A 64-byte data record at block address nAddress, every data byte nFill.
std::string DataRecord(std::uint16_t nAddress, std::uint8_t nFill) {
  char aHex[3];
  std::string sLine = ":40";
  std::uint8_t nSum = 0x40;
  auto Put = [&](std::uint8_t nByte) {
    std::snprintf(aHex, sizeof aHex, "%02X", nByte);
    sLine += aHex;
    nSum = static_cast<std::uint8_t>(nSum + nByte);
  };
  Put(static_cast<std::uint8_t>(nAddress >> 8));
  Put(static_cast<std::uint8_t>(nAddress & 0xFF));
  Put(0x00);
  for (int i = 0; i < 64; ++i)
    Put(nFill);
  Put(static_cast<std::uint8_t>(0x100 - nSum));
  return sLine;
}

const std::string cDATA_A = DataRecord(0x0100, 0x11);
const std::string cDATA_B = DataRecord(0x0101, 0x22);

// A header from the given eight lines, joined with CR LF.
std::string Header(const std::vector<std::string>& aLines) {
  std::string sText;
  for (const std::string& s : aLines)
    sText += s + "\r\n";
  return sText;
}

std::vector<std::string> DefaultLines() {
  return {"bootloader=3", "bootloader version=1", "class=26113", "versionH=6",
          "versionL=20",  "platform=24",          "print=53",    "date=21.09.2023 16:19:36"};
}

TBl3FileHeader ReadHeader(const std::string& sText) {
  std::istringstream stream(sText);
  TBl3FileHeader h;
  EXPECT_TRUE(ReadFwFileHeader(stream, h));
  return h;
}

std::string HeaderError(const std::string& sText) {
  std::istringstream stream(sText);
  TBl3FileHeader h;
  try {
    ReadFwFileHeader(stream, h);
  } catch (const EFwFile& e) {
    return e.what();
  }
  return "";
}

} // namespace

TEST(HeaderValue, KeyBeforeTheFirstEqualsSign) {
  struct TCase {
    const char* pLine;
    const char* pKey;
    const char* pWant;
  };
  const TCase aCases[] = {
      {"class=26113", "class", "26113"},
      {"Class=26113", "class", ""},
      {"class =26113", "class", ""},
      {"class= 26113 ", "class", " 26113 "},
      {"date=a=b c", "date", "a=b c"},
      {"date", "date", ""},
      {"date=", "date", ""},
      {"=x", "", "x"},
      {"bootloader version=0", "bootloader", ""},
  };
  for (const TCase& c : aCases) {
    std::string sValue = "stale";
    GetHeaderValue(c.pLine, c.pKey, sValue);
    EXPECT_EQ(sValue, c.pWant) << c.pLine;
  }
}

TEST(HeaderValue, IntegerConversion) {
  struct TCase {
    const char* pText;
    bool bOk;
    std::int32_t nWant;
  };
  const TCase aCases[] = {
      {"0", true, 0},
      {"26113", true, 26113},
      {"  42", true, 42},
      {"\t7", true, 7},
      {"+5", true, 5},
      {"-1", true, -1},
      {"$6601", true, 0x6601},
      {"$ff", true, 255},
      {"0x6601", true, 0x6601},
      {"0X1f", true, 31},
      {"-$10", true, -16},
      {"007", true, 7},
      {"2147483647", true, 2147483647},
      {"-2147483648", true, -2147483647 - 1},
      {"$FFFFFFFF", true, -1},
      {"", false, 0},
      {"   ", false, 0},
      {"42 ", false, 0},
      {"4 2", false, 0},
      {"- 1", false, 0},
      {"+", false, 0},
      {"$", false, 0},
      {"0x", false, 0},
      {"12abc", false, 0},
      {"ff", false, 0},
      {"1.5", false, 0},
      {"2147483648", false, 0},
      {"-2147483649", false, 0},
      {"$100000000", false, 0},
      {"99999999999999999999999", false, 0},
      {"42\r", false, 0},
  };
  for (const TCase& c : aCases) {
    std::int32_t nValue = 12345;
    std::string sReason;
    EXPECT_EQ(HeaderInteger(c.pText, nValue, sReason), c.bOk) << '"' << c.pText << '"';
    EXPECT_EQ(nValue, c.bOk ? c.nWant : 12345) << '"' << c.pText << '"';
    EXPECT_EQ(sReason.empty(), c.bOk) << '"' << c.pText << '"';
  }
}

TEST(ReadHeader, ReadsTheEightLines) {
  const TBl3FileHeader h = ReadHeader(cHEADER + ":00000001FF\r\n");
  EXPECT_EQ(h.tarv_bl, 3);
  EXPECT_EQ(h.tarv_bl_ver, 1);
  EXPECT_EQ(h.tarv_class, 26113);
  EXPECT_EQ(h.tarv_verH, 6);
  EXPECT_EQ(h.tarv_verL, 20);
  EXPECT_EQ(h.tarv_platform, 24);
  EXPECT_EQ(h.tarv_print, 53);
  EXPECT_EQ(h.tarv_date, "21.09.2023 16:19:36");
}

TEST(ReadHeader, LoneLineFeedsAndLowSixteenBits) {
  const TBl3FileHeader h = ReadHeader("bootloader=2\nbootloader version=-1\nclass=$6601\n"
                                      "versionH=65536\nversionL=0x10080\nplatform= 12\n"
                                      "print=-65535\ndate=x=y\n");
  EXPECT_EQ(h.tarv_bl, 2);
  EXPECT_EQ(h.tarv_bl_ver, 0xFFFF);
  EXPECT_EQ(h.tarv_class, 0x6601);
  EXPECT_EQ(h.tarv_verH, 0);
  EXPECT_EQ(h.tarv_verL, 0x80);
  EXPECT_EQ(h.tarv_platform, 12);
  EXPECT_EQ(h.tarv_print, 1);
  EXPECT_EQ(h.tarv_date, "x=y");
}

TEST(ReadHeader, BootloaderValueIsComparedAsText) {
  for (const char* pValue : {"4", "02", " 3", "3 ", "", "0x3"}) {
    std::vector<std::string> aLines = DefaultLines();
    aLines[0] = std::string("bootloader=") + pValue;
    EXPECT_EQ(ReadHeader(Header(aLines)).tarv_bl, 0xFFFF) << pValue;
  }
  std::vector<std::string> aLines = DefaultLines();
  aLines[0] = "Bootloader=3";
  EXPECT_EQ(ReadHeader(Header(aLines)).tarv_bl, 0xFFFF);
}

TEST(ReadHeader, DateWithoutEqualsSignOrMissingIsEmpty) {
  std::vector<std::string> aLines = DefaultLines();
  aLines[7] = "21.09.2023 16:19:36";
  EXPECT_EQ(ReadHeader(Header(aLines)).tarv_date, "");
  aLines.pop_back();
  EXPECT_EQ(ReadHeader(Header(aLines)).tarv_date, "");
}

// Each case: the header line to replace, its text, and a part of the error message.
TEST(ReadHeader, BadNumericLinesFailNamingLineAndKey) {
  struct TCase {
    std::size_t nLine;
    const char* pText;
    const char* pWant;
  };
  const TCase aCases[] = {
      {2, "Class=26113", "line 3 (\"class\")"}, // the key case counts: line 3 is then wrong
      {2, "class =26113", "line 3 (\"class\")"},
      {2, "class=26113 ", "line 3 (\"class\"): the value is not a number"},
      {2, "class=", "line 3 (\"class\"): the value is empty"},
      {2, "class=abc", "is not a number"},
      {1, "bootloader version=99999999999", "line 2 (\"bootloader version\"): the value is out"},
      {3, "versionH", "line 4 (\"versionH\")"},
      {6, "print=5x", "line 7 (\"print\")"},
      {5, "", "line 6 (\"platform\")"},
  };
  for (const TCase& c : aCases) {
    std::vector<std::string> aLines = DefaultLines();
    aLines[c.nLine] = c.pText;
    const std::string sError = HeaderError(Header(aLines));
    EXPECT_NE(sError.find(c.pWant), std::string::npos) << c.pText << " -> " << sError;
  }
}

TEST(ReadHeader, FileEndingEarlyFailsAtTheFirstMissingNumber) {
  EXPECT_NE(HeaderError("").find("line 2"), std::string::npos);
  EXPECT_NE(HeaderError("bootloader=3\r\nbootloader version=0\r\nclass=1\r\n").find("line 4"),
            std::string::npos);
}

TEST(ReadHeader, FieldsReadBeforeAnErrorAreStored) {
  std::vector<std::string> aLines = DefaultLines();
  aLines[4] = "versionL=x";
  std::istringstream stream(Header(aLines));
  TBl3FileHeader h;
  EXPECT_THROW(ReadFwFileHeader(stream, h), EFwFile);
  EXPECT_EQ(h.tarv_class, 26113);
  EXPECT_EQ(h.tarv_verH, 6);
  EXPECT_EQ(h.tarv_verL, 0);
}

TEST(ReadHeader, ByteOrderMarkIsIgnored) {
  EXPECT_EQ(ReadHeader("\xEF\xBB\xBF" + cHEADER).tarv_bl, 3);
}

namespace {

// A scratch folder per test, and the catalogue state restored afterwards.
class FwFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    const auto* pInfo = ::testing::UnitTest::GetInstance()->current_test_info();
    FsDir = (std::filesystem::temp_directory_path() /
             ("tarvik-fwfile-" + std::to_string(::getpid()) + "-" + pInfo->name()))
                .string();
    std::filesystem::create_directories(FsDir);
    FnSavedIndex = gnFwIndex;
    FrSavedHeader = grFwFileHeader;
    FslSavedLines = gslFwFileLines;
  }
  void TearDown() override {
    std::filesystem::remove_all(FsDir);
    gnFwIndex = FnSavedIndex;
    grFwFileHeader = FrSavedHeader;
    gslFwFileLines = FslSavedLines;
  }

  std::string Write(const std::string& sName, const std::string& sText) {
    const std::string sPath = FsDir + "/" + sName;
    std::ofstream(sPath, std::ios::binary) << sText;
    return sPath;
  }

  // Image 0 holding a known previous load.
  void LoadPrevious() {
    LoadFwFileImage(Write("previous.hex", cHEADER + cDATA_A + "\r\n:00000001FF\r\n"));
    ASSERT_EQ(gslFwFileLines.size(), 2u);
  }

  void ExpectPreviousKept() {
    EXPECT_EQ(grFwFileHeader.tarv_class, 26113);
    EXPECT_EQ(grFwFileHeader.tarv_verL, 20);
    EXPECT_EQ(grFwFileHeader.tarv_date, "21.09.2023 16:19:36");
    EXPECT_EQ(gslFwFileLines, (std::vector<std::string>{cDATA_A, ":00000001FF"}));
  }

  std::string FsDir;

private:
  std::int32_t FnSavedIndex = -1;
  TBl3FileHeader FrSavedHeader;
  std::vector<std::string> FslSavedLines;
};

std::string LoadError(const std::string& sPath) {
  try {
    LoadFwFileImage(sPath);
  } catch (const EFwFile& e) {
    return e.what();
  }
  return "";
}

} // namespace

TEST_F(FwFileTest, LoadKeepsLinesWithoutEqualsSignInOrder) {
  const std::string sPath = Write("a.hex", cHEADER + cDATA_B + "\r\nnote=dropped\r\n" + cDATA_A +
                                               "\nx==y\r\n:00000001FF\r\n");
  gnFwIndex = -1;
  LoadFwFileImage(sPath);
  EXPECT_EQ(gnFwIndex, 0);
  EXPECT_EQ(gslFwFileLines, (std::vector<std::string>{cDATA_B, cDATA_A, ":00000001FF"}));
  EXPECT_EQ(GetFwLastLine(), 2);
  TBl3FileHeader h;
  GetFwHeader(0, h);
  EXPECT_EQ(h.tarv_print, 53);
  EXPECT_EQ(h.tarv_bl_ver, 1);
}

TEST_F(FwFileTest, EightHeaderLinesAndNoRecordsGiveAnEmptyImage) {
  LoadFwFileImage(Write("empty.hex", cHEADER));
  EXPECT_EQ(gnFwIndex, 0);
  EXPECT_EQ(GetFwLastLine(), -1);
  LoadFwFileImage(Write("empty-no-eol.hex", cHEADER.substr(0, cHEADER.size() - 2)));
  EXPECT_EQ(GetFwLastLine(), -1);
}

TEST(FwFileLines, LinesWithoutEqualsSignKeepTheirFileLineNumbers) {
  const std::vector<TFileLine> aLines =
      FwImageFileLines("\xEF\xBB\xBF:A\r\nkey=value\n\r\n:B\nx==y\r\n:C");
  ASSERT_EQ(aLines.size(), 4u);
  const std::vector<std::pair<std::string, std::int32_t>> aWant = {
      {":A", 1}, {"", 3}, {":B", 4}, {":C", 6}};
  for (std::size_t i = 0; i < aWant.size(); ++i) {
    EXPECT_EQ(aLines[i].sText, aWant[i].first);
    EXPECT_EQ(aLines[i].nLine, aWant[i].second);
  }
}

TEST_F(FwFileTest, DateLineWithoutEqualsSignIsTheFirstImageLineAndRefused) {
  LoadPrevious();
  std::vector<std::string> aLines = DefaultLines();
  aLines[7] = "21.09.2023";
  const std::string sText = Header(aLines) + ":00000001FF\r\n";
  EXPECT_EQ(FwImageLines(sText), (std::vector<std::string>{"21.09.2023", ":00000001FF"}));
  const std::string sPath = Write("d.hex", sText);
  EXPECT_EQ(LoadError(sPath), sPath + ": line 8: not an Intel-HEX record (no ':' at the start); "
                                      "only 64-byte data records can be programmed");
  ExpectPreviousKept();
}

// Each case: an image line that programming would pass over or fail on, and why.
TEST_F(FwFileTest, LinesThatWouldNotBeProgrammedWholeAreRefusedNamingTheirFileLine) {
  struct TCase {
    std::string sLine;
    const char* pWhy;
  };
  const TCase aCases[] = {
      {":10000000" + std::string(32, '0') + "F0", "16-byte record"},
      {":20000000" + std::string(64, '0') + "E0", "32-byte record"},
      {":020000040001F9", "extended linear address record (type 04)"},
      {":020000021000EC", "extended segment address record (type 02)"},
      {":0400000501020304ED", "start linear address record (type 05)"},
      {":00000101FE", "end record not written as :00000001FF"},
      {"", "empty line"},
      {":00000001ff", "lower-case hex digits; records are read in upper case only"},
      {cDATA_A.substr(0, 137) + "00", "the record's checksum is wrong"},
      {":0400000001F7", "the record's length does not match its count"},
      {":0400000001020304FG", "not an Intel-HEX record (character 19 is no hex digit)"},
      {":000000001", "not an Intel-HEX record (too short or an odd number of digits)"},
      {"40000000", "not an Intel-HEX record (no ':' at the start)"},
  };
  LoadPrevious();
  for (const TCase& c : aCases) {
    // Line 10 in the file: a line with "=" before it is counted too.
    const std::string sPath =
        Write("bad.hex", cHEADER + cDATA_B + "\r\nnote=x\r\n" + c.sLine + "\r\n:00000001FF\r\n");
    gnFwIndex = 7;
    EXPECT_EQ(LoadError(sPath),
              sPath + ": line 11: " + c.pWhy + "; only 64-byte data records can be programmed")
        << c.sLine;
    EXPECT_EQ(gnFwIndex, 7);
    ExpectPreviousKept();
    // "File version" reads the header alone.
    EXPECT_NO_THROW(ReadFwFileVersion(sPath));
  }
}

TEST_F(FwFileTest, CarriedImagesWrittenAsFilesLoadUnchanged) {
  for (std::int32_t nImage = 1; nImage <= GetFwCount(); ++nImage) {
    gnFwIndex = nImage;
    std::vector<std::string> aImage;
    std::string sText = cHEADER;
    for (std::int32_t j = 0; j <= GetFwLastLine(); ++j) {
      std::string sLine;
      GetFwLine(j, sLine);
      aImage.push_back(sLine);
      sText += sLine + "\r\n";
    }
    LoadFwFileImage(Write("image.hex", sText));
    EXPECT_EQ(gslFwFileLines, aImage) << "image " << nImage;
    EXPECT_EQ(gnFwIndex, 0);
  }
}

TEST_F(FwFileTest, ByteOrderMarkIsStrippedFromTheFirstLine) {
  const std::string sBom = "\xEF\xBB\xBF";
  LoadFwFileImage(Write("bom.hex", sBom + cHEADER + ":00000001FF\r\n"));
  EXPECT_EQ(grFwFileHeader.tarv_bl, 3);
  EXPECT_EQ(gslFwFileLines, (std::vector<std::string>{":00000001FF"}));
}

TEST_F(FwFileTest, FailuresNameTheFileAndKeepThePreviousImage) {
  LoadPrevious();
  std::vector<std::string> aBad = DefaultLines();
  aBad[2] = "class=";
  aBad[7] = "date=new";
  struct TCase {
    std::string sPath;
    const char* pWant;
  };
  const TCase aCases[] = {
      {FsDir + "/missing.hex", "cannot open"},
      {FsDir, "is a folder"},
      {Write("bad.hex", Header(aBad) + ":00000001FF\r\n"),
       "line 3 (\"class\"): the value is empty"},
      {Write("short.hex", "bootloader=3\r\n"), "line 2"},
  };
  for (const TCase& c : aCases) {
    gnFwIndex = 7;
    const std::string sError = LoadError(c.sPath);
    EXPECT_TRUE(sError.starts_with(c.sPath + ": ")) << sError;
    EXPECT_NE(sError.find(c.pWant), std::string::npos) << sError;
    EXPECT_EQ(gnFwIndex, 7) << c.sPath;
    ExpectPreviousKept();

    try {
      ReadFwFileVersion(c.sPath);
      ADD_FAILURE() << "no error for " << c.sPath;
    } catch (const EFwFile& e) {
      EXPECT_EQ(std::string(e.what()), sError);
    }
    EXPECT_EQ(gnFwIndex, 7) << c.sPath;
    ExpectPreviousKept();
  }
}

// Opening works but reading fails: Linux refuses reads of a process's own memory at address 0.
TEST_F(FwFileTest, UnreadableFileIsAnError) {
  LoadPrevious();
  EXPECT_EQ(LoadError("/proc/self/mem"), "/proc/self/mem: cannot read the file");
  ExpectPreviousKept();
  const std::string sPath = Write("locked.hex", cHEADER);
  std::filesystem::permissions(sPath, std::filesystem::perms::none);
  if (std::ifstream(sPath).is_open()) return; // root opens any file whatever its mode
  EXPECT_NE(LoadError(sPath).find("cannot open"), std::string::npos);
  ExpectPreviousKept();
}

TEST_F(FwFileTest, FileOverSixteenMebibytesIsRefused) {
  LoadPrevious();
  const std::string sLine(138, 'A');
  std::string sText = cHEADER;
  while (sText.size() <= 16u * 1024u * 1024u)
    sText += ":" + sLine + "\r\n";
  const std::string sError = LoadError(Write("huge.hex", sText));
  EXPECT_NE(sError.find("larger than 16 MiB"), std::string::npos) << sError;
  ExpectPreviousKept();
}

TEST_F(FwFileTest, FileVersionReplacesOnlyTheHeader) {
  LoadPrevious();
  gnFwIndex = -1;
  std::vector<std::string> aLines = DefaultLines();
  aLines[4] = "versionL=21";
  ReadFwFileVersion(Write("v.hex", Header(aLines) + cDATA_B + "\r\n:00000001FF\r\n"));
  EXPECT_EQ(gnFwIndex, 0);
  EXPECT_EQ(grFwFileHeader.tarv_verL, 21);
  EXPECT_EQ(gslFwFileLines, (std::vector<std::string>{cDATA_A, ":00000001FF"}));
}
