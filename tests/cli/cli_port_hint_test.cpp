// tarvik-update-cli when the port will not open: exit status 10 and the window's text, then a
// line on stderr that says why and what to do, for each cause that can be brought about here
// (no such device, a device the user may not open, a device another process holds and locks);
// in a fleet, each port's own hint after its own message, and in its --json record.
#include "uCliProcess.h"
#include "uFakePortRoot.h"
#include "uHolderProcess.h"
#include "uPtyPair.h"
#include "uSimLogger.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <fstream>
#include <grp.h>
#include <sstream>
#include <sys/stat.h>

namespace {

std::string NotReady(const std::string& sPort) {
  return "Aborted because serial port \"" + sPort + "\" is not ready!";
}

std::string ProcessName(int nPid) {
  std::ifstream comm("/proc/" + std::to_string(nPid) + "/comm");
  std::string sName;
  std::getline(comm, sName);
  return sName;
}

} // namespace

TEST(CliPortHint, NoSuchDeviceNamesThePortsThereNow) {
  TFakePortRoot rRoot;
  rRoot.AddTty("ttyUSB0", "ftdi_sio");
  rRoot.AddTty("ttyUSB1", "ftdi_sio");
  const TConfigHome rHome(false);
  const std::string sPort = "/dev/tarvik-no-such-port";
  TCliProcess rProcess({"--port", sPort, "--yes"}, rHome.Path(),
                       TCliStart{false, {{"TARVIK_PORT_ROOT", rRoot.Path()}}, -1});
  const TCliResult rResult = rProcess.Wait();
  EXPECT_EQ(rResult.nStatus, 10);
  EXPECT_EQ(rResult.sErr, NotReady(sPort) + "\nThere is no device " + sPort +
                              ". Serial ports there now: " + rRoot.Dev("ttyUSB0") + ", " +
                              rRoot.Dev("ttyUSB1") + ".\n");
}

TEST(CliPortHint, PermissionDeniedNamesTheGroupAndTheCommandThatAddsTheUser) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to set up the device and run as nobody";
  const group* pDialout = getgrnam("dialout");
  if (pDialout == nullptr) GTEST_SKIP() << "no group dialout here";
  TPty rPty;
  ASSERT_EQ(fchown(rPty.Slave(), 0, pDialout->gr_gid), 0);
  ASSERT_EQ(fchmod(rPty.Slave(), 0660), 0);
  const TConfigHome rHome(false);
  TCliStart rStart;
  rStart.bAsNobody = true;
  TCliProcess rProcess({"--port", rPty.Path(), "--yes"}, rHome.Path(), rStart);
  const TCliResult rResult = rProcess.Wait();
  EXPECT_EQ(rResult.nStatus, 10);
  EXPECT_EQ(rResult.sErr, NotReady(rPty.Path()) + "\nPermission denied: " + rPty.Path() +
                              " is open to group \"dialout\", and user \"nobody\" is not in it. "
                              "Add the user with: sudo usermod -aG dialout nobody (then log "
                              "out and in again).\n");
}

TEST(CliPortHint, PortHeldAndLockedByAnotherProcessNamesItsNameAndProcessId) {
  TPty rPty;
  THolderProcess rOther(THoldSpec{{}, rPty.Path(), std::nullopt, true});
  const TConfigHome rHome(false);
  const TCliResult rResult = RunCli({"--port", rPty.Path(), "--yes"}, rHome.Path());
  EXPECT_EQ(rResult.nStatus, 10);
  EXPECT_EQ(rResult.sErr, NotReady(rPty.Path()) + "\n" + rPty.Path() +
                              " is in use by another program: " + ProcessName(rOther.Pid()) +
                              " (process " + std::to_string(rOther.Pid()) +
                              "). Close it and try again.\n");
}

TEST(CliPortHint, FleetGivesEachFailedPortItsHintAfterItsMessageAndInItsRecord) {
  TFakePortRoot rRoot;
  TSimLogger rSim;
  const std::string sMissing = "/dev/tarvik-no-such-port";
  const TConfigHome rHome(false);
  const std::string sJson = rHome.Path() + "/fleet.json";
  TCliProcess rProcess({"--port", rSim.Port(), "--port", sMissing, "--yes", "--json", sJson},
                       rHome.Path(), TCliStart{false, {{"TARVIK_PORT_ROOT", rRoot.Path()}}, -1});
  const TCliResult rResult = rProcess.Wait();
  EXPECT_EQ(rResult.nStatus, 10) << rResult.sErr;
  const std::string sHint = "There is no device " + sMissing +
                            ". No serial port of a USB adapter is there now: is it plugged in?";
  EXPECT_NE(rResult.sErr.find(sMissing + ": " + NotReady(sMissing) + "\n" + sMissing + ": " +
                              sHint + "\n"),
            std::string::npos)
      << rResult.sErr;
  EXPECT_EQ(rResult.sErr.find(rSim.Port() + ": There is"), std::string::npos);

  std::ifstream rFile(sJson);
  int nRecords = 0;
  for (std::string sLine; std::getline(rFile, sLine); ++nRecords) {
    const nlohmann::json rRecord = nlohmann::json::parse(sLine);
    if (rRecord["port"] == sMissing) {
      EXPECT_EQ(rRecord["outcome"], NotReady(sMissing));
      EXPECT_EQ(rRecord["hint"], sHint);
    } else {
      EXPECT_EQ(rRecord["exit_code"], 0);
      EXPECT_FALSE(rRecord.contains("hint")) << "a port that opened has no hint";
    }
  }
  EXPECT_EQ(nRecords, 2);
}
