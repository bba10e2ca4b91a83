// tarvik-update-cli.exe under wine against the simulated logger, reached as a COM port.
#include "uEngineRun.h"
#include "uSimLogger.h"
#include "uWinProcess_win32.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>

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

std::vector<std::string> Lines(const std::string& sText) {
  std::vector<std::string> slLines;
  std::istringstream sStream(sText);
  for (std::string sLine; std::getline(sStream, sLine);) {
    if (!sLine.empty() && sLine.back() == '\r') sLine.pop_back();
    slLines.push_back(sLine);
  }
  return slLines;
}

// A file name in the temporary directory, removed again by the destructor.
class TTempName {
public:
  explicit TTempName(const std::string& sName) {
    wchar_t aDir[MAX_PATH + 1];
    const DWORD nLen = GetTempPathW(MAX_PATH + 1, aDir);
    std::string sDir;
    for (DWORD i = 0; i < nLen; ++i)
      sDir.push_back(static_cast<char>(aDir[i])); // the test's temporary directory is ASCII
    FsPath = sDir + sName + "-" + std::to_string(GetCurrentProcessId());
    DeleteFileA(FsPath.c_str());
  }
  ~TTempName() { DeleteFileA(FsPath.c_str()); }
  const std::string& Path() const { return FsPath; }

private:
  std::string FsPath;
};

// Two loggers of different images on two COM links, each updated by a process of its own.
TEST(WinCli, FleetOfTwoThroughComPorts) {
  std::vector<std::string> aFirstArgs = LoggerFor(12);
  aFirstArgs.insert(aFirstArgs.end(), {"--serial", "2001"});
  std::vector<std::string> aSecondArgs = LoggerFor(10);
  aSecondArgs.insert(aSecondArgs.end(), {"--serial", "2002"});
  TSimLogger rFirst(aFirstArgs);
  TSimLogger rSecond(aSecondArgs);
  const TTempName rJson("tarvik-fleet.json");
  const TWinProcessResult rResult = RunWinProgram(
      TARVIK_CLI_PATH,
      {"--port", rFirst.Port(), "--port", rSecond.Port(), "--yes", "--json", rJson.Path()},
      cRUN_TIMEOUT_MS);
  EXPECT_EQ(rResult.nExitCode, 0u) << rResult.sErr;
  for (const TSimLogger* pSim : {&rFirst, &rSecond}) {
    const std::string sPrefix = pSim->Port() + ": ";
    EXPECT_TRUE(Contains(rResult.sOut, sPrefix)) << rResult.sOut;
    EXPECT_TRUE(Contains(rResult.sErr, sPrefix)) << rResult.sErr;
    for (const std::string& sLine : Lines(rResult.sOut)) {
      if (sLine.empty()) break; // the table follows
      EXPECT_TRUE(sLine.starts_with(rFirst.Port() + ": ") ||
                  sLine.starts_with(rSecond.Port() + ": "))
          << sLine;
    }
  }
  EXPECT_TRUE(Contains(rResult.sOut, "2 of 2 updates completed.")) << rResult.sOut;
  EXPECT_TRUE(rFirst.ReadFlash() == ImageBytes(12)) << "the flash differs from image 12";
  EXPECT_TRUE(rSecond.ReadFlash() == ImageBytes(10)) << "the flash differs from image 10";

  std::ifstream F(rJson.Path());
  std::vector<nlohmann::json> aRecords;
  for (std::string sLine; std::getline(F, sLine);)
    aRecords.push_back(nlohmann::json::parse(sLine));
  ASSERT_EQ(aRecords.size(), 2u);
  for (const nlohmann::json& rRecord : aRecords) {
    const bool bFirst = rRecord["port"] == rFirst.Port();
    EXPECT_EQ(rRecord["port"], bFirst ? rFirst.Port() : rSecond.Port());
    EXPECT_EQ(rRecord["serial_number"], bFirst ? 2001 : 2002);
    EXPECT_EQ(rRecord["image"]["index"], bFirst ? 12 : 10);
    EXPECT_EQ(rRecord["exit_code"], 0);
    EXPECT_TRUE(rRecord["cpu_s"].is_number());
  }
}

} // namespace
