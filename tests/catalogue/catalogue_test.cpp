#include "catalogue/uFWVersions.h"
#include "link/uFlash.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TRun {
  std::uint32_t nFirst;
  std::uint32_t nLast;
  std::uint32_t nCount;
};

struct TExpectedImage {
  std::uint16_t nVerH, nVerL, nPlatform, nPrint;
  const char* pDate;
  std::uint16_t nBl, nBlVer;
  std::int32_t nLines;
  std::vector<TRun> aRuns; // address fields, as the lines hold them
};

const std::vector<TExpectedImage> cEXPECTED = {
    {3, 20, 0, 0, "18.06.2009 16:27:52", 2, 0, 524, {{0x2500, 0xA700, 521}, {0xF780, 0xF7C0, 2}}},
    {4, 8, 1, 1, "26.06.2009 14:37:42", 2, 0, 561, {{0x2800, 0xB340, 558}, {0xF780, 0xF7C0, 2}}},
    {5, 8, 1, 2, "27.01.2010 10:04:04", 2, 0, 563, {{0x2800, 0xB3C0, 560}, {0xF780, 0xF7C0, 2}}},
    {5, 18, 4, 6, "03.02.2011 19:30:56", 2, 0, 599, {{0x4400, 0xD8C0, 596}, {0xF780, 0xF7C0, 2}}},
    {5, 42, 4, 10, "16.11.2012 13:15:56", 2, 1, 721, {{0x4400, 0xF7C0, 720}}},
    {5,
     126,
     12,
     18,
     "12.04.2019 08:56:26",
     3,
     0,
     698,
     {{0x0128, 0x0155, 46}, {0x03D8, 0x03D8, 1}, {0x03DF, 0x03DF, 1}, {0x0400, 0x0688, 649}}},
    {5,
     134,
     12,
     30,
     "12.08.2020 08:01:44",
     3,
     0,
     745,
     {{0x0128, 0x0155, 46}, {0x03D8, 0x03D8, 1}, {0x03DF, 0x03DF, 1}, {0x0400, 0x06B7, 696}}},
    {5,
     136,
     12,
     30,
     "06.07.2020 13:03:08",
     3,
     0,
     783,
     {{0x0128, 0x0155, 46}, {0x03D8, 0x03D8, 1}, {0x03DF, 0x03DF, 1}, {0x0400, 0x06DD, 734}}},
    {5,
     180,
     12,
     44,
     "07.02.2023 10:47:42",
     3,
     0,
     785,
     {{0x0128, 0x0155, 46}, {0x03D8, 0x03D8, 1}, {0x03DF, 0x03DF, 1}, {0x0400, 0x06DF, 736}}},
    {5,
     180,
     23,
     49,
     "07.02.2023 10:48:10",
     3,
     0,
     781,
     {{0x0240, 0x026B, 44}, {0x03D8, 0x03D8, 1}, {0x03DF, 0x03DF, 1}, {0x0400, 0x06DD, 734}}},
    {6,
     20,
     24,
     49,
     "21.09.2023 16:20:06",
     3,
     0,
     816,
     {{0x02C0, 0x02ED, 46}, {0x03D8, 0x03D8, 1}, {0x03DF, 0x03DF, 1}, {0x0400, 0x06FE, 767}}},
    {6,
     20,
     24,
     53,
     "21.09.2023 16:19:36",
     3,
     0,
     815,
     {{0x02C0, 0x02ED, 46}, {0x03D8, 0x03D8, 1}, {0x03DF, 0x03DF, 1}, {0x0400, 0x06FD, 766}}},
};

// Keeps the process-wide catalogue state of one test from reaching the next.
class CatalogueTest : public ::testing::Test {
protected:
  void SetUp() override {
    FnSavedIndex = gnFwIndex;
    FrSavedHeader = grFwFileHeader;
    FslSavedLines = gslFwFileLines;
  }
  void TearDown() override {
    gnFwIndex = FnSavedIndex;
    grFwFileHeader = FrSavedHeader;
    gslFwFileLines = FslSavedLines;
  }

private:
  std::int32_t FnSavedIndex = -1;
  TBl3FileHeader FrSavedHeader;
  std::vector<std::string> FslSavedLines;
};

std::string Line(std::int32_t j) {
  std::string sText = "stale";
  GetFwLine(j, sText);
  return sText;
}

} // namespace

TEST_F(CatalogueTest, CarriesTwelveImagesWithTheirFixedHeaders) {
  ASSERT_EQ(GetFwCount(), 12);
  ASSERT_EQ(cEXPECTED.size(), 12u);
  for (std::int32_t i = 1; i <= 12; ++i) {
    const TExpectedImage& e = cEXPECTED[static_cast<std::size_t>(i - 1)];
    TBl3FileHeader h;
    GetFwHeader(i, h);
    EXPECT_EQ(h.tarv_class, 26113) << i;
    EXPECT_EQ(h.tarv_verH, e.nVerH) << i;
    EXPECT_EQ(h.tarv_verL, e.nVerL) << i;
    EXPECT_EQ(h.tarv_platform, e.nPlatform) << i;
    EXPECT_EQ(h.tarv_print, e.nPrint) << i;
    EXPECT_EQ(h.tarv_date, e.pDate) << i;
    EXPECT_EQ(h.tarv_bl, e.nBl) << i;
    EXPECT_EQ(h.tarv_bl_ver, e.nBlVer) << i;
  }
}

// Line counts, record form and address runs of every image; every data line also parses with
// the codec the engine uses.
TEST_F(CatalogueTest, EveryImageHasItsLinesAndAddressRuns) {
  for (std::int32_t i = 1; i <= 12; ++i) {
    const TExpectedImage& e = cEXPECTED[static_cast<std::size_t>(i - 1)];
    gnFwIndex = i;
    const std::int32_t nLast = GetFwLastLine();
    ASSERT_EQ(nLast, e.nLines - 1) << "image " << i;
    EXPECT_EQ(Line(nLast), ":00000001FF") << "image " << i;

    std::vector<TRun> aRuns;
    const std::uint32_t nStep = e.nBl == 2 ? 0x40 : 1;
    for (std::int32_t j = 0; j < nLast; ++j) {
      gsLine = Line(j);
      ASSERT_EQ(gsLine.size(), 139u) << "image " << i << " line " << j;
      ASSERT_TRUE(ParseRecordLine()) << "image " << i << " line " << j;
      ASSERT_EQ(gaRecord[0], 64) << "image " << i << " line " << j;
      ASSERT_EQ(gaRecord[3], 0) << "image " << i << " line " << j;
      const std::uint32_t nAddress = gaRecord[1] * 256u + gaRecord[2];
      if (!aRuns.empty() && aRuns.back().nLast + nStep == nAddress) {
        aRuns.back().nLast = nAddress;
        ++aRuns.back().nCount;
      } else {
        if (!aRuns.empty()) {
          ASSERT_GT(nAddress, aRuns.back().nLast) << "image " << i;
        }
        aRuns.push_back({nAddress, nAddress, 1});
      }
    }
    ASSERT_EQ(aRuns.size(), e.aRuns.size()) << "image " << i;
    for (std::size_t r = 0; r < aRuns.size(); ++r) {
      EXPECT_EQ(aRuns[r].nFirst, e.aRuns[r].nFirst) << "image " << i << " run " << r;
      EXPECT_EQ(aRuns[r].nLast, e.aRuns[r].nLast) << "image " << i << " run " << r;
      EXPECT_EQ(aRuns[r].nCount, e.aRuns[r].nCount) << "image " << i << " run " << r;
    }
  }
}

TEST_F(CatalogueTest, KnownLinesOfImagesOneAndSix) {
  gnFwIndex = 1;
  EXPECT_EQ(GetFwLastLine(), 523);
  EXPECT_EQ(Line(523), ":00000001FF");
  EXPECT_TRUE(Line(0).starts_with(":40250000"));
  gnFwIndex = 6;
  EXPECT_TRUE(Line(0).starts_with(":40012800"));
  EXPECT_TRUE(Line(46).starts_with(":4003D800"));
  EXPECT_TRUE(Line(47).starts_with(":4003DF00"));
}

TEST_F(CatalogueTest, HeaderOfImageTwelve) {
  TBl3FileHeader h;
  GetFwHeader(12, h);
  EXPECT_EQ(h.tarv_class, 26113);
  EXPECT_EQ(h.tarv_verH, 6);
  EXPECT_EQ(h.tarv_verL, 20);
  EXPECT_EQ(h.tarv_platform, 24);
  EXPECT_EQ(h.tarv_print, 53);
  EXPECT_EQ(h.tarv_date, "21.09.2023 16:19:36");
  EXPECT_EQ(h.tarv_bl, 3);
  EXPECT_EQ(h.tarv_bl_ver, 0);
}

TEST_F(CatalogueTest, IndexOutsideTheCatalogue) {
  for (std::int32_t nIndex : {-1, 13, -2147483647 - 1, 2147483647}) {
    TBl3FileHeader h;
    h.tarv_date = "left over";
    GetFwHeader(nIndex, h);
    EXPECT_EQ(h.tarv_class, 0xFFFF) << nIndex;
    EXPECT_EQ(h.tarv_platform, 0xFFFF) << nIndex;
    EXPECT_EQ(h.tarv_print, 0xFFFF) << nIndex;
    EXPECT_EQ(h.tarv_date, "") << nIndex;

    gnFwIndex = nIndex;
    EXPECT_EQ(GetFwLastLine(), 0) << nIndex;
    EXPECT_EQ(Line(0), "") << nIndex;
  }
}

TEST_F(CatalogueTest, FwAccessResetsItsOutputsBeforeServing) {
  TBl3FileHeader h;
  h.tarv_class = 1;
  h.tarv_platform = 2;
  h.tarv_print = 3;
  h.tarv_verH = 7;
  std::int32_t nLast = 99;
  std::string sText = "old";
  EXPECT_FALSE(FwAccess(5, 3, 0, h, nLast, sText)); // unknown request
  EXPECT_EQ(h.tarv_class, 0xFFFF);
  EXPECT_EQ(h.tarv_platform, 0xFFFF);
  EXPECT_EQ(h.tarv_print, 0xFFFF);
  EXPECT_EQ(h.tarv_verH, 7); // not touched
  EXPECT_EQ(nLast, 0);
  EXPECT_EQ(sText, "");

  EXPECT_FALSE(FwAccess(13, cFW_HEADER, 0, h, nLast, sText));
  EXPECT_TRUE(FwAccess(1, cFW_LAST_LINE, 0, h, nLast, sText));
  EXPECT_EQ(nLast, 523);
  EXPECT_EQ(h.tarv_class, 0xFFFF); // request 1 does not fill the header
}

TEST_F(CatalogueTest, CarriedLineOutsideTheImageIsEmpty) {
  gnFwIndex = 1;
  EXPECT_EQ(Line(524), "");
  EXPECT_EQ(Line(-1), "");
  EXPECT_EQ(Line(2147483647), "");
}

TEST_F(CatalogueTest, FileImage) {
  gnFwIndex = 0;
  gslFwFileLines.clear();
  EXPECT_EQ(GetFwLastLine(), -1);

  gslFwFileLines = {":0100000520DA", ":00000001FF"};
  grFwFileHeader = TBl3FileHeader{};
  grFwFileHeader.tarv_class = 4711;
  grFwFileHeader.tarv_date = "a date";
  EXPECT_EQ(GetFwLastLine(), 1);
  EXPECT_EQ(Line(0), ":0100000520DA");
  EXPECT_EQ(Line(1), ":00000001FF");
  TBl3FileHeader h;
  GetFwHeader(0, h);
  EXPECT_EQ(h.tarv_class, 4711);
  EXPECT_EQ(h.tarv_date, "a date");
  // No caller asks for a line outside the list; such a request fails safely.
  EXPECT_THROW(Line(2), std::out_of_range);
  EXPECT_THROW(Line(-1), std::out_of_range);
}

// Before any file was read image 0 is all zero.
TEST(CatalogueStart, FileImageIsEmptyAtStart) {
  EXPECT_EQ(gnFwIndex, -1);
  TBl3FileHeader h;
  GetFwHeader(0, h);
  EXPECT_EQ(h.tarv_class, 0);
  EXPECT_EQ(h.tarv_verH, 0);
  EXPECT_EQ(h.tarv_verL, 0);
  EXPECT_EQ(h.tarv_platform, 0);
  EXPECT_EQ(h.tarv_print, 0);
  EXPECT_EQ(h.tarv_date, "");
  EXPECT_EQ(h.tarv_bl, 0);
  EXPECT_EQ(h.tarv_bl_ver, 0);
  EXPECT_TRUE(gslFwFileLines.empty());
}
