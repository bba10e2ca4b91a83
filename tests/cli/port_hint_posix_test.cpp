// The hint after "Aborted because serial port ... is not ready!" on Linux: for each reason the
// link can give, what the operator reads.
#include "ui/uPortHint.h"

#include <gtest/gtest.h>

namespace {

TOpenFailure Failure(TOpenFault eFault, const std::string& sDevice) {
  TOpenFailure rFailure;
  rFailure.eFault = eFault;
  rFailure.sDevice = sDevice;
  return rFailure;
}

TOpenFailure NoAccess(const std::string& sGroup, std::uint32_t nMode, bool bUserInGroup) {
  TOpenFailure rFailure = Failure(TOpenFault::NoAccess, "/dev/ttyUSB0");
  rFailure.sCall = "open";
  rFailure.rAccess = TDeviceAccess{"alice", "root", sGroup, nMode, bUserInGroup, false};
  return rFailure;
}

TOpenFailure HeldBy(std::vector<TPortHolder> aHolders, const std::string& sUsbId = "") {
  TOpenFailure rFailure = Failure(TOpenFault::InUse, "/dev/ttyUSB0");
  rFailure.aHolders = std::move(aHolders);
  rFailure.sUsbId = sUsbId;
  return rFailure;
}

struct THintCase {
  const char* pName;
  TOpenFailure rFailure;
  std::vector<std::string> slPortsNow;
  std::string sHint;
};

void PrintTo(const THintCase& rCase, std::ostream* pOut) {
  *pOut << rCase.pName;
}

class OpenFailureHint : public testing::TestWithParam<THintCase> {};

TEST_P(OpenFailureHint, SaysWhyAndWhatToDo) {
  EXPECT_EQ(PortHintText(GetParam().rFailure, GetParam().slPortsNow), GetParam().sHint);
}

const std::string cMM_RULE_START =
    "/dev/ttyUSB0 is in use by another program: ModemManager (process 812). ModemManager takes "
    "new serial adapters for modems. Keep it off this one with a udev rule: the line ";

INSTANTIATE_TEST_SUITE_P(
    Linux, OpenFailureHint,
    testing::Values(
        THintCase{"NoDeviceNamesThePortsThereNow",
                  Failure(TOpenFault::NoDevice, "/dev/ttyUSB3"),
                  {"/dev/ttyUSB0", "/dev/ttyUSB1"},
                  "There is no device /dev/ttyUSB3. Serial ports there now: /dev/ttyUSB0, "
                  "/dev/ttyUSB1."},
        THintCase{"NoDeviceAndNoPort",
                  Failure(TOpenFault::NoDevice, "/dev/ttyUSB3"),
                  {},
                  "There is no device /dev/ttyUSB3. No serial port of a USB adapter is there "
                  "now: is it plugged in?"},
        THintCase{"NoName",
                  Failure(TOpenFault::NoDevice, ""),
                  {"/dev/ttyUSB0"},
                  "No port was named. Serial ports there now: /dev/ttyUSB0."},
        THintCase{"GroupTheUserIsNotIn",
                  NoAccess("dialout", 0660, false),
                  {},
                  "Permission denied: /dev/ttyUSB0 is open to group \"dialout\", and user "
                  "\"alice\" is not in it. Add the user with: sudo usermod -aG dialout alice "
                  "(then log out and in again)."},
        THintCase{"GroupTheUserJoinedAfterLogin",
                  NoAccess("dialout", 0660, true),
                  {},
                  "Permission denied: /dev/ttyUSB0 is open to group \"dialout\", and user "
                  "\"alice\" was added to it after this session began: log out and in again "
                  "(or start a shell in the group with: newgrp dialout)."},
        THintCase{"GroupWithoutReadAndWrite",
                  NoAccess("tty", 0620, false),
                  {},
                  "Permission denied: /dev/ttyUSB0 (owner root, group tty, mode rw--w----) may "
                  "not be read and written by user \"alice\". An administrator can open it to a "
                  "group of users, for example with a udev rule that sets GROUP=\"dialout\", "
                  "MODE=\"0660\"."},
        THintCase{"DeviceThatCouldNotBeLookedAt",
                  NoAccess("", 0, false),
                  {},
                  "Permission denied: user \"alice\" may not open /dev/ttyUSB0."},
        THintCase{"HeldByATerminalProgram",
                  HeldBy({{4242, "minicom"}}),
                  {},
                  "/dev/ttyUSB0 is in use by another program: minicom (process 4242). Close it "
                  "and try again."},
        THintCase{"HeldByModemManager",
                  HeldBy({{812, "ModemManager"}}, "0403:6001"),
                  {},
                  cMM_RULE_START +
                      "ATTRS{idVendor}==\"0403\", ATTRS{idProduct}==\"6001\", "
                      "ENV{ID_MM_DEVICE_IGNORE}=\"1\" in /etc/udev/rules.d/99-tarvik.rules, then "
                      "plug the adapter in again; or stop it with: sudo systemctl stop "
                      "ModemManager."},
        THintCase{"HeldByModemManagerOnAnUnknownAdapter",
                  HeldBy({{812, "ModemManager"}}),
                  {},
                  cMM_RULE_START +
                      "ATTRS{idVendor}==\"VVVV\", ATTRS{idProduct}==\"PPPP\", "
                      "ENV{ID_MM_DEVICE_IGNORE}=\"1\" in /etc/udev/rules.d/99-tarvik.rules with "
                      "the adapter's ids (lsusb shows them), then plug the adapter in again; or "
                      "stop it with: sudo systemctl stop ModemManager."},
        THintCase{"HeldByTwoProgramsOneOfThemBrltty",
                  HeldBy({{7, "screen"}, {8, "brltty"}}),
                  {},
                  "/dev/ttyUSB0 is in use by other programs: screen (process 7), brltty "
                  "(process 8). Close it and try again. brltty takes some USB serial adapters "
                  "for braille displays; where no braille display is used, remove it with: sudo "
                  "apt remove brltty."},
        THintCase{"HeldByManyProgramsNamesTheFirstFive",
                  HeldBy({{1, "a"}, {2, "b"}, {3, "c"}, {4, "d"}, {5, "e"}, {6, "f"}, {7, "g"}}),
                  {},
                  "/dev/ttyUSB0 is in use by other programs: a (process 1), b (process 2), c "
                  "(process 3), d (process 4), e (process 5) and 2 more. Close them and try "
                  "again."},
        THintCase{"HeldByAProgramTheUserCannotSee",
                  [] {
                    TOpenFailure rFailure = HeldBy({});
                    rFailure.bHoldersUnseen = true;
                    return rFailure;
                  }(),
                  {},
                  "/dev/ttyUSB0 is in use by another program that this user cannot see (sudo "
                  "fuser -v /dev/ttyUSB0 names it). Close it and try again."},
        THintCase{"NotASerialPort",
                  Failure(TOpenFault::NotSerial, "/dev/null"),
                  {},
                  "/dev/null is not a serial port."},
        THintCase{"AnyOtherErrorByItsText",
                  [] {
                    TOpenFailure rFailure = Failure(TOpenFault::Other, "/dev/ttyS4");
                    rFailure.sCall = "tcsetattr";
                    rFailure.sErrorText = "Input/output error";
                    return rFailure;
                  }(),
                  {},
                  "Opening /dev/ttyS4 failed in tcsetattr: Input/output error."}),
    [](const auto& rInfo) { return std::string(rInfo.param.pName); });

TEST(PortHintOfAPort, IsTheSecondParagraphOfAWindowsFinalMessage) {
  const std::string sMessage = "Aborted because serial port \"ttyUSB3\" is not ready!";
  EXPECT_EQ(MessageWithHint(sMessage, "There is no device /dev/ttyUSB3."),
            sMessage + "\r\n\r\nThere is no device /dev/ttyUSB3.");
  EXPECT_EQ(MessageWithHint(sMessage, ""), sMessage) << "no hint: the message as it was";
}

TEST(PortHintOfAPort, ComesFromTheLatestFailedOpenOfThatPort) {
  EXPECT_EQ(PortHint("/dev/tarvik-never-opened", {}), "");
  EXPECT_EQ(OpenPort("/dev/tarvik-no-such-port", 9600), cINVALID_PORT);
  EXPECT_EQ(PortHint("/dev/tarvik-no-such-port", {"/dev/ttyUSB0"}),
            "There is no device /dev/tarvik-no-such-port. Serial ports there now: /dev/ttyUSB0.");
}

} // namespace
