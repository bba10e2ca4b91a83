// Station mode against simulated loggers that are plugged in and pulled out: a stand-in sysfs
// tree and /dev (the simulator links its port there) tell which ports are adapters of the
// logger, and uevent datagrams from the test, on a descriptor the program inherits, tell
// their arrivals and removals.
#include "uCliProcess.h"
#include "uEngineRun.h"
#include "uOutputText.h"
#include "uSimLogger.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>

#include <sys/socket.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int cWAIT_MS = 60000;
const char* const cHEADING = "Port            Serial";

// The ports of the station: a sysfs tree, a /dev for the simulators' links, and the socket
// that carries the uevents.
class Station : public ::testing::Test {
protected:
  void SetUp() override {
    char aName[] = "/tmp/tarvik-station-XXXXXX";
    if (mkdtemp(aName) == nullptr) {
      throw std::runtime_error("mkdtemp failed");
    }
    FRoot = aName;
    fs::create_directories(FRoot / "sys" / "class" / "tty");
    fs::create_directories(FRoot / "dev");
    int aFd[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0, aFd), 0);
    FhStation = aFd[0];
    FhTest = aFd[1];
    FsJson = (FRoot / "station.json").string();
  }

  void TearDown() override {
    FpStation.reset();
    FaSims.clear();
    ::close(FhStation);
    ::close(FhTest);
    std::error_code eError;
    fs::remove_all(FRoot, eError);
  }

  std::string Dev(const std::string& sName) const { return (FRoot / "dev" / sName).string(); }

  void Send(const char* sAction, const std::string& sName) {
    std::string sData = std::string(sAction) + "@/devices/usb1/1-1/" + sName + "/tty/" + sName;
    for (const std::string& sField :
         {std::string("ACTION=") + sAction, std::string("SUBSYSTEM=tty"), "DEVNAME=" + sName}) {
      sData += '\0' + sField;
    }
    sData += '\0';
    ASSERT_EQ(::send(FhTest, sData.data(), sData.size(), 0), static_cast<ssize_t>(sData.size()));
  }

  // A tty of sDriver in sysfs.
  void AddAdapter(const std::string& sName, const std::string& sDriver) {
    const fs::path pathDriver = FRoot / "sys" / "bus" / "usb-serial" / "drivers" / sDriver;
    fs::create_directories(pathDriver);
    fs::create_directories(FRoot / "sys" / "class" / "tty" / sName / "device");
    fs::create_directory_symlink(pathDriver,
                                 FRoot / "sys" / "class" / "tty" / sName / "device" / "driver");
  }

  // The device of the tty: a logger whose port is linked there.
  TSimLogger& StartLogger(const std::string& sName, std::vector<std::string> aArgs = {}) {
    aArgs.insert(aArgs.end(), {"--link", Dev(sName)});
    FaSims.push_back(std::make_unique<TSimLogger>(aArgs));
    return *FaSims.back();
  }

  // An adapter of sDriver with a logger behind it; the system tells of it when bTell.
  TSimLogger& Plug(const std::string& sName, std::vector<std::string> aArgs = {},
                   const std::string& sDriver = "ftdi_sio", bool bTell = true) {
    TSimLogger& rSim = StartLogger(sName, std::move(aArgs));
    AddAdapter(sName, sDriver);
    if (bTell) {
      Send("add", sName);
    }
    return rSim;
  }

  // Pulls the adapter out: its logger stops (its flash stays readable), the tty goes.
  void Unplug(const std::string& sName, TSimLogger& rSim) {
    rSim.Stop();
    fs::remove_all(FRoot / "sys" / "class" / "tty" / sName);
    Send("remove", sName);
  }

  TCliProcess& StartStation(std::vector<std::string> aArgs = {}) {
    aArgs.insert(aArgs.end(), {"--watch", "--yes", "--json", FsJson});
    FpStation =
        std::make_unique<TCliProcess>(aArgs, FHome.Path(),
                                      TCliStart{false,
                                                {{"TARVIK_PORT_ROOT", FRoot.string()},
                                                 {"TARVIK_UEVENT_FD", std::to_string(FhStation)}},
                                                FhStation});
    // The heading comes once the ports there at the start are known.
    EXPECT_TRUE(FpStation->WaitForOutput(cHEADING, cWAIT_MS)) << FpStation->SoFar().sErr;
    return *FpStation;
  }

  // Waits until stdout has nRows rows of sPort.
  bool WaitForRows(const std::string& sPort, std::size_t nRows) {
    return FpStation->WaitUntil(
        [&](const TCliResult& rSoFar) { return Count(rSoFar.sOut, sPort + " ") >= nRows; },
        cWAIT_MS);
  }

  TCliResult Stop() {
    FpStation->Signal(SIGINT);
    return FpStation->Wait();
  }

  fs::path FRoot;
  int FhStation = -1;
  int FhTest = -1;
  std::string FsJson;
  TConfigHome FHome{false};
  std::vector<std::unique_ptr<TSimLogger>> FaSims;
  std::unique_ptr<TCliProcess> FpStation;
};

} // namespace

TEST_F(Station, EachArrivalIsUpdatedOnceAndAgainAfterItCameBack) {
  TSimLogger& rThere = Plug("ttyUSB9", {}, "ftdi_sio", false);
  StartStation();
  EXPECT_TRUE(FpStation->WaitForError("Left alone (there at the start): " + Dev("ttyUSB9"), 5000));

  TSimLogger& rFirst = Plug("ttyUSB0", {"--serial", "101"});
  ASSERT_TRUE(WaitForRows(Dev("ttyUSB0"), 1)) << FpStation->SoFar().sErr;
  // Another arrival and an adapter of another driver: the list is read again, and the port
  // that stayed is not updated again.
  TSimLogger& rOtherDriver = Plug("ttyACM0", {}, "cdc_acm");
  TSimLogger& rSecond = Plug("ttyUSB1", {"--serial", "102"});
  ASSERT_TRUE(WaitForRows(Dev("ttyUSB1"), 1)) << FpStation->SoFar().sErr;

  Unplug("ttyUSB0", rFirst);
  ASSERT_TRUE(FpStation->WaitForError(Dev("ttyUSB0") + ": left", cWAIT_MS));
  TSimLogger& rBack = Plug("ttyUSB0", {"--serial", "103"});
  ASSERT_TRUE(WaitForRows(Dev("ttyUSB0"), 2)) << FpStation->SoFar().sErr;

  const TCliResult rResult = Stop();
  EXPECT_EQ(rResult.nStatus, 0) << rResult.sErr;
  EXPECT_EQ(Count(rResult.sOut, Dev("ttyUSB0") + " "), 2U) << rResult.sOut;
  EXPECT_EQ(Count(rResult.sOut, Dev("ttyUSB1") + " "), 1U) << rResult.sOut;
  EXPECT_EQ(Count(rResult.sOut, Dev("ttyUSB9")), 0U) << rResult.sOut;
  EXPECT_EQ(Count(rResult.sOut, Dev("ttyACM0")), 0U) << rResult.sOut;
  EXPECT_EQ(Count(rResult.sErr, "arrived, update started"), 3U) << rResult.sErr;
  EXPECT_TRUE(rFirst.ReadFlash() == ImageBytes(12));
  EXPECT_TRUE(rSecond.ReadFlash() == ImageBytes(12));
  EXPECT_TRUE(rBack.ReadFlash() == ImageBytes(12));
  EXPECT_TRUE(rThere.ReadFlash().empty());
  EXPECT_TRUE(rOtherDriver.ReadFlash().empty());

  const std::vector<nlohmann::json> aRecords = ReadJsonLines(FsJson);
  ASSERT_EQ(aRecords.size(), 3U);
  std::vector<std::uint32_t> aSerials;
  for (const nlohmann::json& rRecord : aRecords) {
    EXPECT_EQ(rRecord["exit_code"], 0);
    EXPECT_EQ(rRecord["image"]["index"], 12);
    EXPECT_FALSE(rRecord["report"].empty());
    aSerials.push_back(rRecord["serial_number"].get<std::uint32_t>());
  }
  EXPECT_EQ(aSerials, (std::vector<std::uint32_t>{101, 102, 103}));
}

TEST_F(Station, PortBackWhileItsUpdateRunsIsNotStartedTwice) {
  StartStation();
  // Slow enough that the update is still running after the port's glitch.
  Plug("ttyUSB0", {"--baud", "9600"});
  ASSERT_TRUE(FpStation->WaitForError(Dev("ttyUSB0") + ": arrived, update started", cWAIT_MS));
  Send("remove", "ttyUSB0");
  ASSERT_TRUE(FpStation->WaitForError(Dev("ttyUSB0") + ": left", cWAIT_MS));
  Send("add", "ttyUSB0");
  ASSERT_TRUE(FpStation->WaitForError(Dev("ttyUSB0") + ": back while its update runs", cWAIT_MS))
      << FpStation->SoFar().sErr;

  const TCliResult rResult = Stop();
  EXPECT_EQ(rResult.nStatus, 20) << rResult.sErr;
  EXPECT_EQ(Count(rResult.sErr, "arrived, update started"), 1U) << rResult.sErr;
  EXPECT_EQ(Count(rResult.sOut, Dev("ttyUSB0") + " "), 1U) << rResult.sOut;
  const std::vector<nlohmann::json> aRecords = ReadJsonLines(FsJson);
  ASSERT_EQ(aRecords.size(), 1U);
  EXPECT_EQ(aRecords[0]["exit_code"], 20);
  EXPECT_EQ(aRecords[0]["outcome"], "Process cancelled!");
  EXPECT_EQ(aRecords[0]["runs"], 1);
}

TEST_F(Station, PortListedBeforeItsDeviceExistsIsTakenOnceTheDeviceIsThere) {
  StartStation();
  AddAdapter("ttyUSB0", "ftdi_sio"); // in sysfs, its device not yet in /dev
  Send("add", "ttyUSB0");
  TSimLogger& rOther = Plug("ttyUSB1");
  // The list with both was read: the one without its device was not started.
  ASSERT_TRUE(FpStation->WaitForError(Dev("ttyUSB1") + ": arrived", cWAIT_MS));
  TSimLogger& rLate = StartLogger("ttyUSB0");
  Send("add", "ttyUSB0");
  ASSERT_TRUE(WaitForRows(Dev("ttyUSB0"), 1)) << FpStation->SoFar().sErr;
  ASSERT_TRUE(WaitForRows(Dev("ttyUSB1"), 1)) << FpStation->SoFar().sErr;
  const TCliResult rResult = Stop();
  EXPECT_EQ(rResult.nStatus, 0) << rResult.sOut << rResult.sErr;
  EXPECT_EQ(Count(rResult.sErr, Dev("ttyUSB0") + ": arrived"), 1U) << rResult.sErr;
  EXPECT_TRUE(rLate.ReadFlash() == ImageBytes(12));
  EXPECT_TRUE(rOther.ReadFlash() == ImageBytes(12));
}

TEST_F(Station, WithAllPortsThePortsThereAtTheStartAreUpdatedToo) {
  TSimLogger& rThere = Plug("ttyUSB3", {}, "ftdi_sio", false);
  StartStation({"--all-ports"});
  ASSERT_TRUE(WaitForRows(Dev("ttyUSB3"), 1)) << FpStation->SoFar().sErr;
  const TCliResult rResult = Stop();
  EXPECT_EQ(rResult.nStatus, 0) << rResult.sErr;
  EXPECT_TRUE(rThere.ReadFlash() == ImageBytes(12));
  EXPECT_EQ(ReadJsonLines(FsJson).size(), 1U);
}

TEST_F(Station, CtrlCWithNothingPluggedEndsWith0) {
  StartStation();
  const TCliResult rResult = Stop();
  EXPECT_EQ(rResult.nStatus, 0) << rResult.sErr;
  EXPECT_EQ(rResult.sOut.substr(0, std::string(cHEADING).size()), cHEADING);
  EXPECT_TRUE(ReadJsonLines(FsJson).empty());
}
