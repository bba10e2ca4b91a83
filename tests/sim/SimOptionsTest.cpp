#include <gtest/gtest.h>

#include "uSimOptions.h"

namespace {

TEST(SimOptions, DefaultsFitCarriedImage12) {
  const TSimOptions Options = ParseSimOptions({});
  EXPECT_EQ(Options.nAppClass, 0x6601);
  EXPECT_EQ(Options.nAppVersion, 0x0614);
  EXPECT_EQ(Options.nSerial, 12345u);
  EXPECT_FALSE(Options.bStartInBootloader);
  EXPECT_EQ(Options.nBlClass, 0xC802);
  EXPECT_EQ(Options.nBlVersion, 0);
  EXPECT_EQ(Options.nPlatform, 24);
  EXPECT_EQ(Options.nPrint, 53);
  EXPECT_EQ(Options.nInfo, 0);
  EXPECT_EQ(Options.nUpidClass, 0x6601);
  EXPECT_EQ(Options.nUpidPlatform, 24);
  EXPECT_EQ(Options.nUpidPrint, 53);
  EXPECT_FALSE(Options.onUpidCrc.has_value());
  EXPECT_EQ(Options.nRestartMs, 300u);
  EXPECT_EQ(Options.nBaud, 0u);
  EXPECT_TRUE(Options.sFlashOut.empty());
  EXPECT_TRUE(Options.sTrace.empty());
  EXPECT_TRUE(Options.FaultPlan.Faults().empty());
}

TEST(SimOptions, TakesEveryValueInDecimalOrHexWithOrWithoutEquals) {
  const TSimOptions Options = ParseSimOptions({"--app-class",
                                               "0x1234",
                                               "--app-version=1535",
                                               "--serial",
                                               "0xFFFFFFFF",
                                               "--start-in-bootloader",
                                               "--bl-class",
                                               "0xc800",
                                               "--bl-version",
                                               "0x0102",
                                               "--platform",
                                               "7",
                                               "--print",
                                               "0x20",
                                               "--info=9",
                                               "--upid-class",
                                               "26114",
                                               "--upid-platform",
                                               "8",
                                               "--upid-print",
                                               "9",
                                               "--upid-crc",
                                               "0",
                                               "--restart-ms",
                                               "2500",
                                               "--baud",
                                               "9600",
                                               "--flash-out",
                                               "/tmp/f.hex",
                                               "--trace=/tmp/t.txt",
                                               "--link",
                                               "/tmp/com7",
                                               "--fault",
                                               "crc:line:2",
                                               "--fault=no-bootloader"});
  EXPECT_EQ(Options.nAppClass, 0x1234);
  EXPECT_EQ(Options.nAppVersion, 1535);
  EXPECT_EQ(Options.nSerial, 0xFFFFFFFFu);
  EXPECT_TRUE(Options.bStartInBootloader);
  EXPECT_EQ(Options.nBlClass, 0xC800);
  EXPECT_EQ(Options.nBlVersion, 0x0102);
  EXPECT_EQ(Options.nPlatform, 7);
  EXPECT_EQ(Options.nPrint, 0x20);
  EXPECT_EQ(Options.nInfo, 9);
  EXPECT_EQ(Options.nUpidClass, 26114);
  EXPECT_EQ(Options.nUpidPlatform, 8);
  EXPECT_EQ(Options.nUpidPrint, 9);
  EXPECT_EQ(Options.onUpidCrc, std::uint16_t{0});
  EXPECT_EQ(Options.nRestartMs, 2500u);
  EXPECT_EQ(Options.nBaud, 9600u);
  EXPECT_EQ(Options.sFlashOut, "/tmp/f.hex");
  EXPECT_EQ(Options.sTrace, "/tmp/t.txt");
  EXPECT_EQ(Options.sLink, "/tmp/com7");
  EXPECT_EQ(Options.FaultPlan.Faults().size(), 1u);
  EXPECT_TRUE(Options.FaultPlan.NoBootloader());
}

TEST(SimOptions, RefusesBadCommandLines) {
  const std::vector<std::vector<std::string>> aBad{{"--bogus"},
                                                   {"--app-class"},
                                                   {"--app-class", "0x10000"},
                                                   {"--app-class", "-1"},
                                                   {"--app-class", "12a"},
                                                   {"--app-class", "0x"},
                                                   {"--app-class="},
                                                   {"--serial", "4294967296"},
                                                   {"--bl-class", "0xC803"},
                                                   {"--bl-class", "0x6601"},
                                                   {"--fault", "loud:frame:1"},
                                                   {"--restart-ms", "1e3"},
                                                   {"--baud", "0x"},
                                                   {"port"},
                                                   {"--start-in-bootloader=1"}};
  for (const auto& aArgs : aBad)
    EXPECT_THROW(ParseSimOptions(aArgs), ESimUsage) << aArgs[0];
}

TEST(SimOptions, NumberSyntax) {
  EXPECT_EQ(ParseSimNumber("0", 10, "n"), 0u);
  EXPECT_EQ(ParseSimNumber("0x0614", 0xFFFF, "n"), 0x0614u);
  EXPECT_EQ(ParseSimNumber("0XC802", 0xFFFF, "n"), 0xC802u);
  EXPECT_EQ(ParseSimNumber("010", 0xFFFF, "n"), 10u); // decimal, not octal
  EXPECT_EQ(ParseSimNumber("65535", 0xFFFF, "n"), 65535u);
  for (const char* sBad : {"", "65536", " 1", "1 ", "+1", "0x-1", "x10", "99999999999999999999"})
    EXPECT_THROW(ParseSimNumber(sBad, 0xFFFF, "n"), ESimUsage) << sBad;
}

TEST(SimOptions, HelpIsRecognised) {
  EXPECT_TRUE(ParseSimOptions({"--help"}).bHelp);
  EXPECT_TRUE(ParseSimOptions({"-h"}).bHelp);
}

} // namespace
