// Why an open failed, as the link keeps it for the front ends: each cause the operator can
// act on (no device, no access, in use, not a serial port, anything else), the trace's note of
// it, and the low-latency mode that a pseudo-terminal does not offer.
#include "link/uRS232.h"
#include "uHolderProcess.h"
#include "uPortProbe.h"
#include "uPtyPeer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <sys/stat.h>

namespace {

std::string ReadText(const std::string& sPath) {
  std::ifstream file(sPath);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string TracePath() {
  return testing::TempDir() + "tarvik-open-fail-" + std::to_string(getpid()) + ".txt";
}

struct TFailCase {
  const char* pName;
  const char* pPort;
  TOpenFault eFault;
  const char* pDevice; // as the failure names it
  const char* pCall;
  int nError;
};

void PrintTo(const TFailCase& rCase, std::ostream* pOut) {
  *pOut << rCase.pName;
}

class OpenFails : public testing::TestWithParam<TFailCase> {};

TEST_P(OpenFails, AndTheLinkKeepsWhy) {
  const TFailCase& rCase = GetParam();
  EXPECT_EQ(OpenPort(rCase.pPort, 9600), cINVALID_PORT);
  const std::optional<TOpenFailure> rFailure = LastOpenFailure(rCase.pPort);
  ASSERT_TRUE(rFailure.has_value());
  EXPECT_EQ(rFailure->eFault, rCase.eFault);
  EXPECT_EQ(rFailure->sDevice, rCase.pDevice);
  EXPECT_EQ(rFailure->sCall, rCase.pCall);
  EXPECT_EQ(rFailure->nError, rCase.nError);
  if (rCase.nError != 0) {
    EXPECT_EQ(rFailure->sErrorText, std::strerror(rCase.nError));
  }
  EXPECT_TRUE(rFailure->aHolders.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenFails,
    testing::Values(TFailCase{"MissingPath", "/dev/tarvik-no-such-port", TOpenFault::NoDevice,
                              "/dev/tarvik-no-such-port", "open", ENOENT},
                    TFailCase{"NameLookedForUnderDev", "tarvik-no-such-port", TOpenFault::NoDevice,
                              "/dev/tarvik-no-such-port", "open", ENOENT},
                    TFailCase{"MissingFolder", "/tarvik-no-such-folder/ttyUSB0",
                              TOpenFault::NoDevice, "/tarvik-no-such-folder/ttyUSB0", "open",
                              ENOENT},
                    TFailCase{"PathThroughADevice", "/dev/null/ttyUSB0", TOpenFault::NoDevice,
                              "/dev/null/ttyUSB0", "open", ENOTDIR},
                    TFailCase{"NoName", "", TOpenFault::NoDevice, "", "", 0},
                    TFailCase{"Folder", "/", TOpenFault::Other, "/", "open", EISDIR}),
    [](const auto& rInfo) { return std::string(rInfo.param.pName); });

TEST(OpenFailure, FileThatIsNoTerminalIsNoSerialPort) {
  const std::string sFile = testing::TempDir() + "tarvik-not-a-port-" + std::to_string(getpid());
  std::ofstream(sFile) << "text";
  EXPECT_EQ(OpenPort(sFile, 9600), cINVALID_PORT);
  const std::optional<TOpenFailure> rFailure = LastOpenFailure(sFile);
  std::remove(sFile.c_str());
  ASSERT_TRUE(rFailure.has_value());
  EXPECT_EQ(rFailure->eFault, TOpenFault::NotSerial);
  EXPECT_EQ(rFailure->sCall, "isatty");
  EXPECT_EQ(rFailure->nError, ENOTTY);
}

TEST(OpenFailure, TraceSaysWhy) {
  const std::string sTrace = TracePath();
  ASSERT_TRUE(OpenPortTrace(sTrace));
  EXPECT_EQ(OpenPort("/dev/tarvik-no-such-port", 9600), cINVALID_PORT);
  ClosePortTrace();
  const std::string sText = ReadText(sTrace);
  std::remove(sTrace.c_str());
  EXPECT_NE(sText.find("-- cannot open /dev/tarvik-no-such-port: no such device (open: " +
                       std::string(std::strerror(ENOENT)) + ")"),
            std::string::npos)
      << sText;
}

TEST(OpenFailure, PortHeldAndLockedByAnotherProcessNamesItAndAGoodOpenForgetsIt) {
  TPty pty;
  THolderProcess other(THoldSpec{{}, pty.Path(), std::nullopt, true});
  EXPECT_EQ(OpenPort(pty.Path(), 9600), cINVALID_PORT);
  const std::optional<TOpenFailure> rFailure = LastOpenFailure(pty.Path());
  ASSERT_TRUE(rFailure.has_value());
  EXPECT_EQ(rFailure->eFault, TOpenFault::InUse);
  EXPECT_EQ(rFailure->sCall, "") << "found before anything was opened";
  ASSERT_EQ(rFailure->aHolders.size(), 1U);
  EXPECT_EQ(rFailure->aHolders[0].nPid, other.Pid());
  EXPECT_FALSE(rFailure->aHolders[0].sName.empty());
  EXPECT_EQ(rFailure->sUsbId, "") << "a pseudo-terminal is no USB adapter";
  EXPECT_FALSE(LastOpenFailure("/dev/tarvik-other-port").has_value()) << "kept per port";

  other.Release();
  const TPortHandle hPort = OpenPort(pty.Path(), 9600);
  ASSERT_NE(hPort, cINVALID_PORT);
  EXPECT_FALSE(LastOpenFailure(pty.Path()).has_value()) << "the failure no longer stands";
  ClosePortHandle(hPort);
}

// What an unprivileged user's open of a pseudo-terminal set up by root finds.
struct TNobodyCase {
  const char* pName;
  mode_t nMode;
  bool bDialout; // the device's group is dialout
  bool bHeld;    // a root process holds it open and locked
  int nFault;
  const char* pCall;
  int nError;
  bool bHoldersUnseen;
};

void PrintTo(const TNobodyCase& rCase, std::ostream* pOut) {
  *pOut << rCase.pName;
}

class OpenFailsForNobody : public testing::TestWithParam<TNobodyCase> {};

TEST_P(OpenFailsForNobody, AndTheLinkKeepsWhy) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to set up the device and run as nobody";
  const TNobodyCase& rCase = GetParam();
  TPty pty;
  const group* pDialout = getgrnam("dialout");
  if (rCase.bDialout && pDialout == nullptr) GTEST_SKIP() << "no group dialout here";
  const gid_t nGroup = rCase.bDialout ? pDialout->gr_gid : 0;
  ASSERT_EQ(fchown(pty.Slave(), 0, nGroup), 0);
  ASSERT_EQ(fchmod(pty.Slave(), rCase.nMode), 0);
  std::optional<THolderProcess> other;
  if (rCase.bHeld) other.emplace(THoldSpec{{}, pty.Path(), std::nullopt, true});

  const TProbeResult result = ProbeAsNobody(pty.Path());

  EXPECT_TRUE(result.Has("open failed"));
  EXPECT_EQ(result.Value("fault"), std::to_string(rCase.nFault));
  EXPECT_EQ(result.Value("call"), rCase.pCall);
  EXPECT_EQ(result.Value("error"), std::to_string(rCase.nError));
  EXPECT_EQ(result.Value("holders-unseen"), rCase.bHoldersUnseen ? "1" : "0");
  if (rCase.nFault == static_cast<int>(TOpenFault::NoAccess)) {
    char aMode[8];
    std::snprintf(aMode, sizeof aMode, "%o", static_cast<unsigned>(rCase.nMode));
    const std::string sGroup = rCase.bDialout ? "dialout" : "root";
    EXPECT_EQ(result.Value("access"), "nobody root " + sGroup + " " + aMode + " 0 0");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenFailsForNobody,
    testing::Values(TNobodyCase{"GroupMayUseItButTheUserIsNotInIt", 0660, true, false,
                                static_cast<int>(TOpenFault::NoAccess), "open", EACCES, false},
                    TNobodyCase{"OnlyTheOwnerMayUseIt", 0600, false, false,
                                static_cast<int>(TOpenFault::NoAccess), "open", EACCES, false},
                    // Open to all, but made exclusive by its holder, whom nobody cannot see.
                    TNobodyCase{"HeldAndLockedByAProcessOfRoot", 0666, false, true,
                                static_cast<int>(TOpenFault::InUse), "open", EBUSY, true}),
    [](const auto& rInfo) { return std::string(rInfo.param.pName); });

TEST(LowLatency, APseudoTerminalRefusesItTheTraceSaysSoAndThePortWorksAsBefore) {
  TPtyPeer peer;
  peer.SetResponder([](const TBytes& aPending) { return std::optional<TBytes>(aPending); });
  const std::string sTrace = TracePath();
  ASSERT_TRUE(OpenPortTrace(sTrace));
  const TPortHandle hPort = OpenPort(peer.Path(), 9600);
  ASSERT_NE(hPort, cINVALID_PORT);
  const std::uint8_t aSent[] = {0x81, 0x00, 0x55};
  std::uint32_t nDone = 0;
  EXPECT_TRUE(WritePort(hPort, aSent, sizeof aSent, nDone));
  EXPECT_EQ(nDone, sizeof aSent);
  std::uint8_t aEcho[sizeof aSent] = {};
  EXPECT_TRUE(ReadPort(hPort, aEcho, sizeof aEcho, nDone));
  ASSERT_EQ(nDone, sizeof aEcho);
  EXPECT_EQ(std::memcmp(aEcho, aSent, sizeof aSent), 0);
  ClosePortHandle(hPort);
  ClosePortTrace();
  const std::string sText = ReadText(sTrace);
  std::remove(sTrace.c_str());

  const std::size_t nOpen = sText.find("-- open " + peer.Path());
  const std::size_t nRefused =
      sText.find("-- low latency not offered by this port (TIOCGSERIAL: " +
                 std::string(std::strerror(ENOTTY)) + "): latency left as it is");
  ASSERT_NE(nOpen, std::string::npos) << sText;
  ASSERT_NE(nRefused, std::string::npos) << sText;
  EXPECT_LT(nOpen, nRefused);
  EXPECT_EQ(sText.find("low latency on"), std::string::npos) << sText;
  EXPECT_EQ(sText.find("low latency off again"), std::string::npos) << "nothing to restore";
}

} // namespace
