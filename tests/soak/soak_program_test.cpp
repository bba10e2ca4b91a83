// The soak program against command lines that go wrong in the ways it must catch. This test
// program stands in for them: started with TARVIK_SOAK_FAKE set, it behaves as told instead
// of running its tests.
#include "uSoakPlan.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// The fake command line: silent (exits 0, says nothing, programs nothing), abort, hang, or
// exclusive (leaves the port exclusive behind it, and claims success).
[[maybe_unused]] const bool gbFake = [] {
  const char* sMode = std::getenv("TARVIK_SOAK_FAKE");
  if (sMode == nullptr) return false;
  const std::string sFake = sMode;
  if (sFake == "abort") std::abort();
  if (sFake == "hang")
    for (;;)
      pause();
  if (sFake == "exclusive") {
    // The port follows --port in the fake's arguments.
    std::ifstream Cmdline("/proc/self/cmdline");
    std::string sPort;
    for (std::string sArg; std::getline(Cmdline, sArg, '\0');)
      if (sArg == "--port") std::getline(Cmdline, sPort, '\0');
    const int hPort = open(sPort.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (hPort >= 0) ioctl(hPort, TIOCEXCL);
    std::fputs("Update Tarvik V6.20 succesfully completed.\n", stderr);
  }
  std::_Exit(0);
}();

struct TSoakOutput {
  int nStatus = -1;
  std::string sText;
  std::vector<std::string> aRow; // the summary table's row of figures
};

// The first run of seed nSeed whose plan fits.
template <class TFits> std::uint32_t FirstRun(std::uint64_t nSeed, TFits Fits) {
  const std::vector<TSoakLogger> aLoggers = SoakLoggers();
  for (std::uint32_t nRun = 1;; ++nRun)
    if (Fits(DrawPlan(nSeed, nRun, aLoggers, 1.0))) return nRun;
}

TSoakOutput RunSoak(const std::string& sFake, const std::string& sArgs) {
  const std::string sCommand = "TARVIK_SOAK_FAKE=" + sFake + " " + TARVIK_SOAK_PATH +
                               " --cli /proc/" + std::to_string(getpid()) + "/exe " + sArgs +
                               " 2>&1";
  TSoakOutput rOutput;
  std::FILE* pPipe = popen(sCommand.c_str(), "r");
  if (pPipe == nullptr) return rOutput;
  char aBuffer[4096];
  for (std::size_t n; (n = std::fread(aBuffer, 1, sizeof aBuffer, pPipe)) > 0;)
    rOutput.sText.append(aBuffer, n);
  const int nStatus = pclose(pPipe);
  rOutput.nStatus = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
  std::istringstream Lines(rOutput.sText);
  for (std::string sLine; std::getline(Lines, sLine);) {
    if (sLine.rfind("| ", 0) != 0 || sLine.rfind("| runs", 0) == 0) continue;
    std::istringstream Cells(sLine.substr(1));
    for (std::string sCell; std::getline(Cells, sCell, '|');)
      rOutput.aRow.push_back(sCell.substr(1, sCell.size() - 2));
  }
  return rOutput;
}

// Columns of the table.
enum TColumn : std::size_t {
  Runs,
  Successes,
  Expected,
  Wrong,
  Hangs,
  Crashes,
  Flash,
  Report,
  Port
};

bool IsTransient(const TSoakPlan& rPlan) {
  return rPlan.aLegs.size() == 1 && rPlan.aLegs[0].nExpected == 0;
}

TEST(SoakProgram, CatchesAClaimedSuccessThatProgrammedNothing) {
  const std::uint32_t nRun = FirstRun(3, IsTransient);
  const TSoakOutput rOutput = RunSoak("silent", "--seed 3 --only " + std::to_string(nRun));
  EXPECT_EQ(rOutput.nStatus, 1) << rOutput.sText;
  ASSERT_GT(rOutput.aRow.size(), Port) << rOutput.sText;
  EXPECT_EQ(rOutput.aRow[Runs], "1");
  EXPECT_EQ(rOutput.aRow[Successes], "0");
  EXPECT_EQ(rOutput.aRow[Flash], "1") << rOutput.sText;
  EXPECT_EQ(rOutput.aRow[Report], "1") << "no final outcome at all";
  EXPECT_NE(rOutput.sText.find("replay: scripts/soak --seed 3 --only " + std::to_string(nRun)),
            std::string::npos)
      << rOutput.sText;
}

TEST(SoakProgram, CatchesACrash) {
  const std::uint32_t nRun = FirstRun(4, IsTransient);
  const TSoakOutput rOutput = RunSoak("abort", "--seed 4 --only " + std::to_string(nRun));
  EXPECT_EQ(rOutput.nStatus, 1);
  ASSERT_GT(rOutput.aRow.size(), Port) << rOutput.sText;
  EXPECT_EQ(rOutput.aRow[Crashes], "1") << rOutput.sText;
  EXPECT_NE(rOutput.sText.find("ended by signal 6"), std::string::npos) << rOutput.sText;
}

TEST(SoakProgram, CatchesAHangAndEndsIt) {
  // The shortest budget: a logger that never answers, no repeat allowed.
  const std::uint32_t nRun = FirstRun(5, [](const TSoakPlan& rPlan) {
    return rPlan.aLegs[0].onMaxRepeats == std::optional<std::uint32_t>(0);
  });
  const auto tStart = std::chrono::steady_clock::now();
  const TSoakOutput rOutput =
      RunSoak("hang", "--seed 5 --budget-factor 1 --only " + std::to_string(nRun));
  EXPECT_EQ(rOutput.nStatus, 1);
  ASSERT_GT(rOutput.aRow.size(), Port) << rOutput.sText;
  EXPECT_EQ(rOutput.aRow[Hangs], "1") << rOutput.sText;
  EXPECT_LT(std::chrono::steady_clock::now() - tStart, std::chrono::seconds(60));
}

TEST(SoakProgram, CatchesAPortLeftExclusive) {
  const std::uint32_t nRun = FirstRun(6, IsTransient);
  const TSoakOutput rOutput = RunSoak("exclusive", "--seed 6 --only " + std::to_string(nRun));
  EXPECT_EQ(rOutput.nStatus, 1);
  ASSERT_GT(rOutput.aRow.size(), Port) << rOutput.sText;
  EXPECT_EQ(rOutput.aRow[Port], "1") << rOutput.sText;
}

TEST(SoakProgram, UsageErrors) {
  for (const char* sArgs : {"--runs 0", "--only 3", "--jobs x", "--bogus", "--keep=1"}) {
    const TSoakOutput rOutput = RunSoak("silent", sArgs);
    EXPECT_EQ(rOutput.nStatus, 2) << sArgs << "\n" << rOutput.sText;
  }
}

} // namespace
