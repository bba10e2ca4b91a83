// tarvik-update-cli.exe under wine against the simulated logger, reached as a COM port.
#include "uEngineRun.h"
#include "uSimLogger.h"
#include "uWinProcess_win32.h"

#include <gtest/gtest.h>

namespace {

constexpr unsigned long cRUN_TIMEOUT_MS = 120000;

bool Contains(const std::string& sText, const std::string& sPart) {
  return sText.find(sPart) != std::string::npos;
}

// Input from NUL is no console: without --yes the question cannot be answered, so nothing
// may be sent to the logger.
TEST(WinCli, InputFromNulWithoutYesRefusesAndSendsNothing) {
  TSimLogger rSim;
  const TWinProcessResult rResult =
      RunWinProgram(TARVIK_CLI_PATH, {"--port", rSim.Port()}, cRUN_TIMEOUT_MS);
  EXPECT_EQ(rResult.nExitCode, 2u) << rResult.sErr;
  EXPECT_TRUE(Contains(rResult.sErr, "--yes")) << rResult.sErr;
  EXPECT_FALSE(Contains(rResult.sOut, "Start at serial port")) << rResult.sOut;
  EXPECT_TRUE(rSim.ReadFlash().empty());
  EXPECT_EQ(ReadText(rSim.TracePath()).find(" in "), std::string::npos) << "the logger got bytes";
}

TEST(WinCli, CompleteUpdateThroughTheComPort) {
  TSimLogger rSim(LoggerFor(12));
  const TWinProcessResult rResult =
      RunWinProgram(TARVIK_CLI_PATH, {"--port", rSim.Port(), "--yes"}, cRUN_TIMEOUT_MS);
  EXPECT_EQ(rResult.nExitCode, 0u) << rResult.sErr;
  EXPECT_TRUE(Contains(rResult.sErr, "succesfully completed.")) << rResult.sErr;
  EXPECT_TRUE(Contains(rResult.sOut, "Start at serial port \"" + rSim.Port() + "\""))
      << rResult.sOut;
  EXPECT_TRUE(rSim.ReadFlash() == ImageBytes(12)) << "the flash differs from image 12";
}

} // namespace
