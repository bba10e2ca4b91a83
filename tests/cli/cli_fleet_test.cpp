// tarvik-update-cli with several ports against simulated loggers: all of them at the same
// time, each in a process of its own, its report lines marked with its port, a summary table,
// the combined exit status, one Ctrl+C for all, one question for all, and the --json records.
#include "uCliProcess.h"
#include "uEngineRun.h"
#include "uFakePortRoot.h"
#include "uOutputText.h"
#include "uSimLogger.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

constexpr int cWAIT_MS = 60000;
const char* const cSUCCESS = "Update Tarvik V6.20 succesfully completed.";

// The lines that begin with "<port>: ", without it.
std::vector<std::string> PortLines(const std::string& sText, const std::string& sPort) {
  std::vector<std::string> slLines;
  for (const std::string& sLine : Lines(sText)) {
    if (sLine.starts_with(sPort + ": ")) {
      slLines.push_back(sLine.substr(sPort.size() + 2));
    }
  }
  return slLines;
}

// The summary table: the lines after the blank line that ends the report lines, split into
// columns at runs of two or more blanks.
std::vector<std::vector<std::string>> TableRows(const std::string& sOut) {
  const std::vector<std::string> slLines = Lines(sOut);
  const auto itBlank = std::find(slLines.begin(), slLines.end(), "");
  std::vector<std::vector<std::string>> aRows;
  if (itBlank == slLines.end()) {
    return aRows;
  }
  const std::regex cGAP(" {2,}");
  for (auto it = itBlank + 1; it != slLines.end(); ++it) {
    aRows.emplace_back(std::sregex_token_iterator(it->begin(), it->end(), cGAP, -1),
                       std::sregex_token_iterator());
  }
  return aRows;
}

std::vector<std::string> PortArgs(const std::vector<std::unique_ptr<TSimLogger>>& aSims) {
  std::vector<std::string> aArgs;
  for (const auto& pSim : aSims) {
    aArgs.insert(aArgs.end(), {"--port", pSim->Port()});
  }
  return aArgs;
}

} // namespace

TEST(CliFleet, EightLoggersAtOnceOneEndsWithItsFailureCode) {
  // Loggers of different images: the engine's process-wide state is each port's own.
  const std::int32_t aImages[] = {12, 11, 10, 9, 7, 12, 6, 5};
  constexpr std::size_t cLOGGERS = std::size(aImages);
  constexpr std::size_t cFAULTY = 5; // comes up with another class after the update: 45
  std::vector<std::unique_ptr<TSimLogger>> aSims;
  for (std::size_t i = 0; i < cLOGGERS; ++i) {
    std::vector<std::string> aArgs = LoggerFor(aImages[i]);
    aArgs.insert(aArgs.end(), {"--serial", std::to_string(1000 + i)});
    if (i == cFAULTY) {
      aArgs.insert(aArgs.end(), {"--fault", "restart-class:0x1234"});
    }
    aSims.push_back(std::make_unique<TSimLogger>(aArgs));
  }
  const TConfigHome rHome(false);
  const std::string sJson = rHome.Path() + "/fleet.json";
  std::vector<std::string> aArgs = PortArgs(aSims);
  aArgs.insert(aArgs.end(), {"--yes", "--json", sJson});
  const TCliResult rResult = RunCli(aArgs, rHome.Path());
  EXPECT_EQ(rResult.nStatus, 45) << rResult.sErr;

  // Every line before the table is a report line of one of the ports.
  const std::regex cREPORT_LINE(R"((.+): \d\d-\d\d-\d\d -> .+)");
  for (const std::string& sLine : Lines(rResult.sOut)) {
    if (sLine.empty()) {
      break;
    }
    std::smatch rMatch;
    ASSERT_TRUE(std::regex_match(sLine, rMatch, cREPORT_LINE)) << sLine;
    EXPECT_TRUE(std::any_of(aSims.begin(), aSims.end(), [&](const auto& pSim) {
      return pSim->Port() == rMatch[1];
    })) << sLine;
  }
  for (std::size_t i = 0; i < cLOGGERS; ++i) {
    const std::string& sPort = aSims[i]->Port();
    const std::vector<std::string> slReport = PortLines(rResult.sOut, sPort);
    ASSERT_GE(slReport.size(), 20U) << sPort;
    EXPECT_EQ(slReport.front().substr(12), "Start at serial port \"" + sPort + "\"");
    if (i == cFAULTY) {
      EXPECT_EQ(slReport.back().substr(12), "Update was not successfull!");
      EXPECT_TRUE(Contains(rResult.sErr, sPort + ": Update was not successfull!"));
    } else {
      EXPECT_TRUE(slReport.back().ends_with("succesfully completed.")) << slReport.back();
      EXPECT_TRUE(Contains(rResult.sErr, sPort + ": " + slReport.back().substr(12)));
    }
  }

  // Each logger got its image; the records of --json tell what the report lines told.
  const std::vector<nlohmann::json> aRecords = ReadJsonLines(sJson);
  ASSERT_EQ(aRecords.size(), cLOGGERS);
  std::vector<nlohmann::json> aByPort(cLOGGERS);
  for (const nlohmann::json& rRecord : aRecords) {
    const auto itSim = std::find_if(aSims.begin(), aSims.end(), [&](const auto& pSim) {
      return pSim->Port() == rRecord["port"];
    });
    ASSERT_NE(itSim, aSims.end()) << rRecord.dump();
    const std::size_t i = static_cast<std::size_t>(itSim - aSims.begin());
    aByPort[i] = rRecord;
    EXPECT_EQ(rRecord["serial_number"], 1000 + i);
    EXPECT_EQ(rRecord["exit_code"], i == cFAULTY ? 45 : 0);
    EXPECT_EQ(rRecord["before"]["class_name"], "Tarvik");
    EXPECT_EQ(rRecord["before"]["version"], "6.20");
    EXPECT_EQ(rRecord["after"]["class"], i == cFAULTY ? 0x1234 : 0x6601);
    EXPECT_EQ(rRecord["image"]["index"], aImages[i]);
    EXPECT_EQ(rRecord["runs"], 1);
    EXPECT_EQ(rRecord["report"].get<std::vector<std::string>>(),
              PortLines(rResult.sOut, (*itSim)->Port()))
        << "the report lines as printed";
    EXPECT_LE(rRecord["started"].get<std::string>(), rRecord["finished"].get<std::string>());
    EXPECT_GE(rRecord["duration_s"].get<double>(), 2.5) << "the pauses around the restart";
    EXPECT_GT(rRecord["peak_memory_kib"].get<std::uint64_t>(), 0U);
    EXPECT_TRUE(rRecord["cpu_s"].is_number());
  }
  for (std::size_t i = 0; i < cLOGGERS; ++i) {
    EXPECT_TRUE(aSims[i]->ReadFlash() == ImageBytes(aImages[i])) << aSims[i]->Port();
  }

  // The summary: a row per port in the order given.
  const std::vector<std::vector<std::string>> aRows = TableRows(rResult.sOut);
  ASSERT_EQ(aRows.size(), cLOGGERS + 2) << rResult.sOut;
  EXPECT_EQ(aRows[0], (std::vector<std::string>{"Port", "Serial", "Before", "After", "Image",
                                                "Exit", "Time", "Outcome"}));
  for (std::size_t i = 0; i < cLOGGERS; ++i) {
    const std::vector<std::string>& aRow = aRows[i + 1];
    const nlohmann::json& rImage = aByPort[i]["image"];
    const std::string sImage = rImage["class_name"].get<std::string>() + " V" +
                               rImage["version"].get<std::string>() + " " +
                               rImage["print"].get<std::string>();
    ASSERT_EQ(aRow.size(), 8U) << ::testing::PrintToString(aRow);
    EXPECT_EQ(aRow[0], aSims[i]->Port());
    EXPECT_EQ(aRow[1], std::to_string(1000 + i));
    EXPECT_EQ(aRow[2], "Tarvik V6.20");
    EXPECT_EQ(aRow[3], i == cFAULTY ? "?" : "Tarvik V" + rImage["version"].get<std::string>());
    EXPECT_EQ(aRow[4], sImage);
    EXPECT_EQ(aRow[5], i == cFAULTY ? "45" : "0");
    EXPECT_TRUE(std::regex_match(aRow[6], std::regex(R"(\d+\.\d s)"))) << aRow[6];
    EXPECT_EQ(aRow[7], aByPort[i]["outcome"]);
  }
  EXPECT_EQ(aRows.back(), std::vector<std::string>{"7 of 8 updates completed."});
}

TEST(CliFleet, CtrlCCancelsEveryPortEachWithItsOwnMessage) {
  std::vector<std::unique_ptr<TSimLogger>> aSims;
  for (int i = 0; i < 3; ++i) {
    // Slow enough that programming is still going when the Ctrl+C comes.
    aSims.push_back(std::make_unique<TSimLogger>(std::vector<std::string>{"--baud", "57600"}));
  }
  const TConfigHome rHome(false);
  std::vector<std::string> aArgs = PortArgs(aSims);
  aArgs.push_back("--yes");
  TCliProcess rProcess(aArgs, rHome.Path());
  // Every port is programming.
  for (const auto& pSim : aSims) {
    const std::regex cPROGRAMMING(pSim->Port() + R"(: \d\d-\d\d-\d\d -> Progress 2%)");
    ASSERT_TRUE(rProcess.WaitUntil(
        [&](const TCliResult& rSoFar) { return std::regex_search(rSoFar.sOut, cPROGRAMMING); },
        cWAIT_MS))
        << rProcess.SoFar().sOut;
  }
  rProcess.Signal(SIGINT);
  const TCliResult rResult = rProcess.Wait();
  EXPECT_EQ(rResult.nStatus, 20) << rResult.sErr;
  for (const auto& pSim : aSims) {
    const std::vector<std::string> slReport = PortLines(rResult.sOut, pSim->Port());
    ASSERT_FALSE(slReport.empty());
    EXPECT_EQ(slReport.back().substr(12), "Process cancelled!") << pSim->Port();
    EXPECT_TRUE(Contains(rResult.sErr, pSim->Port() + ": Process cancelled!")) << rResult.sErr;
    EXPECT_FALSE(pSim->ReadFlash() == ImageBytes(12)) << "the programming was cut short";
  }
  EXPECT_FALSE(Contains(rResult.sOut, cSUCCESS));
  EXPECT_TRUE(Contains(rResult.sOut, "0 of 3 updates completed."));
}

TEST(CliFleet, OneQuestionOnTheTerminalForAllPortsAndAProgressLineEach) {
  std::vector<std::unique_ptr<TSimLogger>> aSims;
  aSims.push_back(std::make_unique<TSimLogger>());
  aSims.push_back(std::make_unique<TSimLogger>());
  const TConfigHome rHome(false);
  TCliProcess rProcess(PortArgs(aSims), rHome.Path(), true);
  ASSERT_TRUE(rProcess.WaitForOutput("[y/N]", 10000));
  rProcess.Type("y\n");
  const TCliResult rResult = rProcess.Wait();
  EXPECT_EQ(rResult.nStatus, 0) << rResult.sOut;
  EXPECT_EQ(Count(rResult.sOut, "[y/N]"), 1U);
  for (const auto& pSim : aSims) {
    // The progress line of the port (the terminal gets stdout and stderr together).
    EXPECT_TRUE(std::regex_search(rResult.sOut, std::regex(pSim->Port() + R"( +\[#+-*\] +\d+%)")))
        << pSim->Port();
    EXPECT_TRUE(std::regex_search(rResult.sOut, std::regex(pSim->Port() + " +completed")));
    EXPECT_TRUE(pSim->ReadFlash() == ImageBytes(12));
  }
  EXPECT_TRUE(Contains(rResult.sOut, "\x1b[2F\x1b[J")) << "the block is redrawn in place";
  EXPECT_TRUE(Contains(rResult.sOut, "2 of 2 updates completed."));
}

TEST(CliFleet, WithoutTerminalAndWithoutYesNoPortIsStarted) {
  std::vector<std::unique_ptr<TSimLogger>> aSims;
  aSims.push_back(std::make_unique<TSimLogger>());
  aSims.push_back(std::make_unique<TSimLogger>());
  const TConfigHome rHome(false);
  const TCliResult rResult = RunCli(PortArgs(aSims), rHome.Path());
  EXPECT_EQ(rResult.nStatus, 2);
  EXPECT_TRUE(Contains(rResult.sErr, "--yes"));
  EXPECT_TRUE(rResult.sOut.empty());
  for (const auto& pSim : aSims) {
    EXPECT_TRUE(pSim->ReadFlash().empty());
  }
}

TEST(CliFleet, AllPortsTakesEveryListedPortAndNoOtherWithATraceEach) {
  TFakePortRoot rRoot;
  rRoot.AddTty("ttyUSB0", "ftdi_sio");
  rRoot.AddTty("ttyUSB1", "ftdi_sio");
  rRoot.AddTty("ttyACM0", "cdc_acm");
  TSimLogger rSim0({"--link", rRoot.Dev("ttyUSB0")});
  TSimLogger rSim1({"--link", rRoot.Dev("ttyUSB1")});
  TSimLogger rOther({"--link", rRoot.Dev("ttyACM0")});
  const TConfigHome rHome(false);
  const TCliStart rStart{false, {{"TARVIK_PORT_ROOT", rRoot.Path()}}, -1};

  TCliProcess rList({"--list-ports"}, rHome.Path(), rStart);
  EXPECT_EQ(rList.Wait().sOut, rRoot.Dev("ttyUSB0") + "\n" + rRoot.Dev("ttyUSB1") + "\n");

  const std::string sTrace = rRoot.Path() + "/trace.txt";
  TCliProcess rFleet({"--all-ports", "--yes", "--trace", sTrace}, rHome.Path(), rStart);
  const TCliResult rResult = rFleet.Wait();
  EXPECT_EQ(rResult.nStatus, 0) << rResult.sErr;
  EXPECT_TRUE(Contains(rResult.sOut, "2 of 2 updates completed.")) << rResult.sOut;
  EXPECT_TRUE(rSim0.ReadFlash() == ImageBytes(12));
  EXPECT_TRUE(rSim1.ReadFlash() == ImageBytes(12));
  EXPECT_TRUE(rOther.ReadFlash().empty()) << "not an adapter of the logger";
  for (const char* sName : {"ttyUSB0", "ttyUSB1"}) {
    std::vector<fs::path> aTraces;
    for (const fs::directory_entry& rEntry : fs::directory_iterator(rRoot.Path())) {
      const std::string sFile = rEntry.path().filename().string();
      if (sFile.starts_with("trace-") && sFile.ends_with(std::string(sName) + ".txt")) {
        aTraces.push_back(rEntry.path());
      }
    }
    ASSERT_EQ(aTraces.size(), 1U) << sName;
    EXPECT_TRUE(Contains(ReadText(aTraces.front().string()), "81 00 00 00 00 00 00 AA"));
  }
}

TEST(CliFleet, AllPortsWithoutAnyPortEndsWith1) {
  TFakePortRoot rRoot;
  const TConfigHome rHome(false);
  TCliProcess rProcess({"--all-ports", "--yes"}, rHome.Path(),
                       TCliStart{false, {{"TARVIK_PORT_ROOT", rRoot.Path()}}, -1});
  const TCliResult rResult = rProcess.Wait();
  EXPECT_EQ(rResult.nStatus, 1);
  EXPECT_TRUE(Contains(rResult.sErr, "no serial port")) << rResult.sErr;
}

TEST(CliFleet, JsonOfOnePortLeavesItsOutputAsItWas) {
  TSimLogger rSim({"--serial", "0x50269"});
  const TConfigHome rHome(false);
  const std::string sJson = rHome.Path() + "/one.json";
  std::ofstream(sJson) << R"({"port": "an earlier record"})" << '\n';
  const TCliResult rResult =
      RunCli({"--port", rSim.Port(), "--yes", "--json", sJson}, rHome.Path());
  ASSERT_EQ(rResult.nStatus, 0) << rResult.sErr;
  const std::vector<std::string> slLines = Lines(rResult.sOut);
  for (const std::string& sLine : slLines) {
    EXPECT_TRUE(std::regex_match(sLine, std::regex(R"(\d\d-\d\d-\d\d -> .+)"))) << sLine;
  }
  const std::vector<nlohmann::json> aRecords = ReadJsonLines(sJson);
  ASSERT_EQ(aRecords.size(), 2U) << "appended";
  const nlohmann::json& rRecord = aRecords[1];
  EXPECT_EQ(rRecord["port"], rSim.Port());
  EXPECT_EQ(rRecord["serial_number"], 328297);
  EXPECT_EQ(rRecord["exit_code"], 0);
  EXPECT_EQ(rRecord["outcome"], cSUCCESS);
  EXPECT_EQ(rRecord["report"].get<std::vector<std::string>>(), slLines);
  EXPECT_FALSE(rRecord.contains("cpu_s")) << "no process of its own";
}

struct TFleetUsageCase {
  const char* sName;
  std::vector<std::string> aArgs;
  int nStatus;
  const char* sReason;
};

void PrintTo(const TFleetUsageCase& rCase, std::ostream* pOut) {
  *pOut << rCase.sName;
}

class CliFleetRefused : public ::testing::TestWithParam<TFleetUsageCase> {};

TEST_P(CliFleetRefused, BeforeAnyPortStarts) {
  const TConfigHome rHome(false);
  const TCliResult rResult = RunCli(GetParam().aArgs, rHome.Path());
  EXPECT_EQ(rResult.nStatus, GetParam().nStatus);
  EXPECT_TRUE(Contains(rResult.sErr, GetParam().sReason)) << rResult.sErr;
  EXPECT_TRUE(rResult.sOut.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliFleetRefused,
    ::testing::Values(
        TFleetUsageCase{"ReadInfoOnlyInNormalMode",
                        {"--port", "a", "--port", "b", "--yes", "--read-info-only"},
                        2,
                        "internal mode"},
        TFleetUsageCase{"SamePortTwice",
                        {"--port", "a", "--port", "b", "--port", "a"},
                        2,
                        "--port a given more than once"},
        TFleetUsageCase{"WatchWithPort", {"--watch", "--port", "a"}, 2, "it takes no --port"},
        TFleetUsageCase{"JsonCannotBeWritten",
                        {"--port", "a", "--port", "b", "--yes", "--json", "/nonexistent/x.json"},
                        4,
                        "/nonexistent/x.json"},
        TFleetUsageCase{"JsonOfOnePortCannotBeWritten",
                        {"--port", "a", "--yes", "--json", "/nonexistent/x.json"},
                        4,
                        "/nonexistent/x.json"}),
    [](const auto& rInfo) { return std::string(rInfo.param.sName); });

TEST(CliFleet, HelpDescribesFleetStationAndJson) {
  const TConfigHome rHome(false);
  const TCliResult rResult = RunCli({"--help"}, rHome.Path());
  EXPECT_EQ(rResult.nStatus, 0);
  for (const char* sPart : {"--all-ports", "--watch", "--json FILE", "summary table",
                            "Process cancelled!", "5      fleet and station"}) {
    EXPECT_TRUE(Contains(rResult.sOut, sPart)) << sPart;
  }
}
