// The holder check: which other processes hold a port open, and which of them only serve a
// pseudo-terminal (a simulated logger) and so are no holders.
#include "link/uPortHolders.h"
#include "uHolderProcess.h"
#include "uPortProbe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>

namespace {

std::vector<int> HolderPids(const TPortHolders& rHolders) {
  std::vector<int> aPids;
  for (const TPortHolder& holder : rHolders.aHolders)
    aPids.push_back(holder.nPid);
  return aPids;
}

} // namespace

TEST(PortHolders, ProcessThatOpenedTheSlaveIsAHolder) {
  TPty pty;
  THolderProcess other(THoldSpec{{}, pty.Path(), std::nullopt});
  const TPortHolders holders = FindPortHolders(pty.Path());
  EXPECT_TRUE(holders.bListed);
  ASSERT_EQ(HolderPids(holders), std::vector<int>{other.Pid()});
  EXPECT_FALSE(holders.aHolders[0].sName.empty());
  EXPECT_EQ(std::count(holders.aUnseen.begin(), holders.aUnseen.end(), other.Pid()), 0);

  other.Release();
  EXPECT_TRUE(FindPortHolders(pty.Path()).aHolders.empty()) << "gone with the process";
}

TEST(PortHolders, ThisProcessIsNoHolder) {
  // The port is open twice here (the pair's slave, and by name): neither counts.
  TPty pty;
  const int fd = open(pty.Path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  EXPECT_TRUE(FindPortHolders(pty.Path()).aHolders.empty());
  close(fd);
}

// Who holds what of the pseudo-terminal, and whether that makes a holder of its slave.
struct TPeerCase {
  const char* pName;
  std::function<THoldSpec(const TPty& rPort, const TPty& rOther)> Spec;
  bool bHolder;
};

void PrintTo(const TPeerCase& rCase, std::ostream* pOut) {
  *pOut << rCase.pName;
}

class PtyPeer : public testing::TestWithParam<TPeerCase> {};

TEST_P(PtyPeer, OnlyAProcessWithoutTheSameMasterHoldsTheSlave) {
  TPty port;
  TPty other;
  THolderProcess child(GetParam().Spec(port, other));
  const std::vector<int> aWant =
      GetParam().bHolder ? std::vector<int>{child.Pid()} : std::vector<int>{};
  EXPECT_EQ(HolderPids(FindPortHolders(port.Path())), aWant);
}

INSTANTIATE_TEST_SUITE_P(
    Holds, PtyPeer,
    testing::Values(
        // A simulated logger: the pair from openpty.
        TPeerCase{"MasterAndSlave",
                  [](const TPty& rPort, const TPty&) {
                    return THoldSpec{{rPort.Master(), rPort.Slave()}, "", std::nullopt};
                  },
                  false},
        TPeerCase{"MasterAndTheSlaveByName",
                  [](const TPty& rPort, const TPty&) {
                    return THoldSpec{{rPort.Master()}, rPort.Path(), std::nullopt};
                  },
                  false},
        TPeerCase{"MasterOnly",
                  [](const TPty& rPort, const TPty&) {
                    return THoldSpec{{rPort.Master()}, "", std::nullopt};
                  },
                  false},
        TPeerCase{"SlaveOnly",
                  [](const TPty& rPort, const TPty&) {
                    return THoldSpec{{rPort.Slave()}, "", std::nullopt};
                  },
                  true},
        // A terminal program on this port that also serves another pseudo-terminal.
        TPeerCase{"SlaveAndTheMasterOfAnotherPty",
                  [](const TPty& rPort, const TPty& rOther) {
                    return THoldSpec{{rOther.Master(), rOther.Slave()}, rPort.Path(), std::nullopt};
                  },
                  true}),
    [](const auto& rInfo) { return std::string(rInfo.param.pName); });

TEST(PortHolders, NamesOfOtherTerminalsAndNonDevicesHaveNoHolders) {
  TPty pty;
  // Every open of /dev/ptmx makes a new pseudo-terminal: its other holders hold other ones.
  THolderProcess other(THoldSpec{{pty.Master(), pty.Slave()}, "/dev/ptmx", std::nullopt});
  for (const char* pPath : {"/dev/ptmx", "/dev/tty", "/proc/self/status", "/nonexistent/port"}) {
    const TPortHolders holders = FindPortHolders(pPath);
    EXPECT_TRUE(holders.aHolders.empty()) << pPath;
    EXPECT_TRUE(holders.aUnseen.empty()) << pPath;
  }
}

namespace {

// kthreadd, the parent of the kernel threads, is process 2 where the kernel threads are seen.
bool IsKthreadd(int nPid) {
  std::ifstream comm("/proc/" + std::to_string(nPid) + "/comm");
  std::string sName;
  return std::getline(comm, sName) && sName == "kthreadd";
}

} // namespace

TEST(PortHoldersUnprivileged, OtherUsersProcessesAreUnseenAndTheTraceSaysSo) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run the probe as another user";
  TPty pty;
  // Held by root, with a plain open: the unprivileged check cannot see it.
  THolderProcess other(THoldSpec{{}, pty.Path(), std::nullopt});
  const TProbeResult result = ProbeAsNobody(pty.Path());
  EXPECT_TRUE(result.Has("listed 1"));
  EXPECT_TRUE(result.Has("unseen " + std::to_string(other.Pid())));
  EXPECT_TRUE(result.Has("unseen " + std::to_string(getpid())));
  for (const std::string& sLine : result.aLines)
    EXPECT_FALSE(sLine.starts_with("holder ")) << sLine;
  if (IsKthreadd(2)) {
    EXPECT_FALSE(result.Has("unseen 2")) << "kernel threads hold no files";
  }
  EXPECT_NE(result.sTrace.find("could not be inspected"), std::string::npos) << result.sTrace;
}
