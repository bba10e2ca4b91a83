// Serial port discovery on Linux: the ftdi_sio ttys of a fake sysfs tree in natural order,
// and the recognition of tty arrivals and removals among the kernel's uevents.
#include "ui/uPortList_posix.h"
#include "ui/uPortWatch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <sys/socket.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A sysfs stand-in: class/tty/<name>/device/driver links to bus/.../drivers/<driver>.
class TFakeSysfs : public ::testing::Test {
protected:
  void SetUp() override {
    FRoot = fs::temp_directory_path() /
            ("tarvik-sysfs-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(FRoot);
    fs::create_directories(FRoot / "class" / "tty");
  }
  void TearDown() override { fs::remove_all(FRoot); }

  void AddTty(const std::string& sName, const std::string& sDriver) {
    const fs::path pathTty = FRoot / "class" / "tty" / sName;
    fs::create_directories(pathTty);
    if (sDriver.empty()) {
      return; // a virtual console: no device behind it
    }
    const fs::path pathDriver = FRoot / "bus" / "usb-serial" / "drivers" / sDriver;
    fs::create_directories(pathDriver);
    fs::create_directories(pathTty / "device");
    fs::create_directory_symlink(pathDriver, pathTty / "device" / "driver");
  }

  std::vector<std::string> Ports() const {
    std::vector<std::string> slPorts{"stale entry"};
    FillPortListFrom(FRoot.string(), slPorts);
    return slPorts;
  }

  fs::path FRoot;
};

TEST_F(TFakeSysfs, ListsOnlyFtdiAdaptersInEnumerationOrder) {
  AddTty("ttyUSB10", "ftdi_sio");
  AddTty("ttyS0", "serial8250");
  AddTty("ttyUSB2", "ftdi_sio");
  AddTty("ttyACM0", "cdc_acm");
  AddTty("tty1", "");
  AddTty("ttyUSB3", "pl2303");
  AddTty("ttyUSB0", "ftdi_sio");
  EXPECT_EQ(Ports(), (std::vector<std::string>{"/dev/ttyUSB0", "/dev/ttyUSB2", "/dev/ttyUSB10"}));
}

TEST_F(TFakeSysfs, NoAdapterOrNoTreeGivesAnEmptyList) {
  AddTty("ttyS0", "serial8250");
  EXPECT_TRUE(Ports().empty());
  fs::remove_all(FRoot);
  EXPECT_TRUE(Ports().empty());
}

TEST_F(TFakeSysfs, RemovalOfAnAdapterShrinksTheList) {
  AddTty("ttyUSB0", "ftdi_sio");
  AddTty("ttyUSB1", "ftdi_sio");
  EXPECT_EQ(Ports().size(), 2U);
  fs::remove_all(FRoot / "class" / "tty" / "ttyUSB0");
  EXPECT_EQ(Ports(), std::vector<std::string>{"/dev/ttyUSB1"});
}

TEST_F(TFakeSysfs, DevicesNamedUnderAnotherDirectory) {
  AddTty("ttyUSB1", "ftdi_sio");
  std::vector<std::string> slPorts;
  FillPortListFrom(FRoot.string(), slPorts, "/tmp/station/dev");
  EXPECT_EQ(slPorts, std::vector<std::string>{"/tmp/station/dev/ttyUSB1"});
}

TEST(NaturalOrder, NumbersCompareByValue) {
  struct TCase {
    const char* sLeft;
    const char* sRight;
    bool bLess;
  };
  const TCase aCases[] = {
      {"ttyUSB2", "ttyUSB10", true}, {"ttyUSB10", "ttyUSB2", false}, {"ttyUSB0", "ttyUSB0", false},
      {"ttyUSB", "ttyUSB0", true},   {"ttyACM9", "ttyUSB0", true},   {"ttyUSB01", "ttyUSB1", false},
      {"ttyUSB1", "ttyUSB01", true}, {"ttyUSB9x", "ttyUSB10", true}, {"", "a", true},
  };
  for (const TCase& rCase : aCases) {
    EXPECT_EQ(NaturalLess(rCase.sLeft, rCase.sRight), rCase.bLess)
        << rCase.sLeft << " < " << rCase.sRight;
  }
}

std::string Uevent(std::initializer_list<const char*> aFields, bool bTrailingNul = true) {
  std::string sData;
  for (const char* sField : aFields) {
    sData += sField;
    sData += '\0';
  }
  if (!bTrailingNul && !sData.empty()) {
    sData.pop_back();
  }
  return sData;
}

TEST(PortChangeUevent, OnlyTtyArrivalsAndRemovals) {
  const char* sDev = "DEVPATH=/devices/pci0000:00/usb1/1-1/1-1:1.0/ttyUSB0/tty/ttyUSB0";
  struct TCase {
    std::string sData;
    bool bChange;
  };
  const TCase aCases[] = {
      {Uevent({"add@/devices/x/tty/ttyUSB0", "ACTION=add", sDev, "SUBSYSTEM=tty", "DEVNAME=ttyUSB0",
               "SEQNUM=1234"}),
       true},
      {Uevent({"remove@/devices/x/tty/ttyUSB0", "ACTION=remove", sDev, "SUBSYSTEM=tty"}), true},
      {Uevent({"add@/devices/x/tty/ttyUSB0", "ACTION=add", "SUBSYSTEM=tty"}, false), true},
      {Uevent({"change@/devices/x/tty/ttyUSB0", "ACTION=change", "SUBSYSTEM=tty"}), false},
      {Uevent({"bind@/devices/x/ttyUSB0", "ACTION=bind", "SUBSYSTEM=usb-serial"}), false},
      {Uevent({"add@/devices/x/1-1", "ACTION=add", "SUBSYSTEM=usb", "DEVTYPE=usb_device"}), false},
      {Uevent({"add@/devices/virtual/block/loop0", "ACTION=add", "SUBSYSTEM=block"}), false},
      {Uevent({"add@/devices/x", "ACTION=add", "SUBSYSTEM=ttyX"}), false},
      {Uevent({"add@/devices/x/tty/ttyUSB0"}), false},
      {Uevent({"libudev", "ACTION=add", "SUBSYSTEM=tty"}), false},
      {std::string(), false},
      {std::string(64, '\0'), false},
  };
  for (const TCase& rCase : aCases) {
    EXPECT_EQ(IsPortChangeUevent(rCase.sData.data(), rCase.sData.size()), rCase.bChange)
        << rCase.sData.substr(0, rCase.sData.find('\0'));
  }
  EXPECT_FALSE(IsPortChangeUevent(nullptr, 10));
}

TEST(PortChangeUevent, NamesTheDeviceThatCameOrWent) {
  struct TCase {
    std::string sData;
    bool bAdded;
    const char* sName;
  };
  const TCase aCases[] = {
      {Uevent({"add@/devices/x/tty/ttyUSB0", "ACTION=add", "SUBSYSTEM=tty", "DEVNAME=ttyUSB0"}),
       true, "ttyUSB0"},
      {Uevent({"remove@/devices/x/tty/ttyUSB3", "SUBSYSTEM=tty", "DEVNAME=ttyUSB3"}), false,
       "ttyUSB3"},
      // Without DEVNAME: the last part of the device path.
      {Uevent({"remove@/devices/x/tty/ttyUSB7", "ACTION=remove", "SUBSYSTEM=tty"}), false,
       "ttyUSB7"},
      {Uevent({"add@/x", "ACTION=add", "DEVPATH=/devices/y/tty/ttyACM2", "SUBSYSTEM=tty"}), true,
       "ttyACM2"},
      {Uevent({"add@/devices/virtual/tty/pts", "ACTION=add", "SUBSYSTEM=tty", "DEVNAME=pts/4"}),
       true, "pts/4"},
  };
  for (const TCase& rCase : aCases) {
    const std::optional<TPortUevent> rEvent =
        ParsePortUevent(rCase.sData.data(), rCase.sData.size());
    ASSERT_TRUE(rEvent) << rCase.sName;
    EXPECT_EQ(rEvent->bAdded, rCase.bAdded) << rCase.sName;
    EXPECT_EQ(rEvent->sName, rCase.sName);
  }
  const std::string sOther = Uevent({"add@/devices/x/1-1", "ACTION=add", "SUBSYSTEM=usb"});
  EXPECT_FALSE(ParsePortUevent(sOther.data(), sOther.size()));
}

TEST(PortChangeUevent, KeepsArrivalsAndRemovalsInTheirOrder) {
  int aFd[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_DGRAM, 0, aFd), 0);
  for (const std::string& sData :
       {Uevent({"remove@/d/tty/ttyUSB0", "ACTION=remove", "SUBSYSTEM=tty", "DEVNAME=ttyUSB0"}),
        Uevent({"add@/d/1-1", "ACTION=add", "SUBSYSTEM=usb"}),
        Uevent({"add@/d/tty/ttyUSB0", "ACTION=add", "SUBSYSTEM=tty", "DEVNAME=ttyUSB0"})}) {
    ASSERT_GT(::send(aFd[1], sData.data(), sData.size(), 0), 0);
  }
  std::vector<TPortUevent> aEvents;
  EXPECT_FALSE(ReadPortUevents(aFd[0], aEvents)) << "nothing was lost";
  ASSERT_EQ(aEvents.size(), 2U);
  EXPECT_FALSE(aEvents[0].bAdded);
  EXPECT_TRUE(aEvents[1].bAdded);
  EXPECT_EQ(aEvents[1].sName, "ttyUSB0");
  ::close(aFd[0]);
  ::close(aFd[1]);
}

TEST(PortChangeUevent, ReadsEveryWaitingDatagramWithoutBlocking) {
  int aFd[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_DGRAM, 0, aFd), 0);
  EXPECT_FALSE(ReadPortChanges(aFd[0])); // nothing waiting: returns at once

  const std::string sUsb = Uevent({"add@/devices/x/1-1", "ACTION=add", "SUBSYSTEM=usb"});
  const std::string sTty = Uevent({"add@/devices/x/tty/ttyUSB0", "ACTION=add", "SUBSYSTEM=tty"});
  ASSERT_GT(::send(aFd[1], sUsb.data(), sUsb.size(), 0), 0);
  EXPECT_FALSE(ReadPortChanges(aFd[0]));

  ASSERT_GT(::send(aFd[1], sUsb.data(), sUsb.size(), 0), 0);
  ASSERT_GT(::send(aFd[1], sTty.data(), sTty.size(), 0), 0);
  ASSERT_GT(::send(aFd[1], sUsb.data(), sUsb.size(), 0), 0);
  EXPECT_TRUE(ReadPortChanges(aFd[0]));
  EXPECT_FALSE(ReadPortChanges(aFd[0])); // all three were read
  ::close(aFd[0]);
  ::close(aFd[1]);
}

} // namespace
