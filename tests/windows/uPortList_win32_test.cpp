// Port discovery against the registry's serial device map, written by the test itself.
#include "uRegistryFixture_win32.h"
#include "ui/uPortList.h"

#include <gtest/gtest.h>

namespace {

class PortListTest : public ::testing::Test {
protected:
  TRegistryKeyGuard FMap{HKEY_LOCAL_MACHINE, L"hardware\\devicemap\\serialcomm"};
};

TEST_F(PortListTest, ListsOnlyVirtualComPortsInEnumerationOrder) {
  // Written in the order the registry sorts them too, so either enumeration order shows that
  // the list is not sorted by port name (COM9 before COM10).
  FMap.Write({TextValue(L"\\Device\\Serial0", L"COM1"), TextValue(L"\\Device\\VCP0", L"COM9"),
              TextValue(L"\\DEVICE\\vcp12", L"COM10"), TextValue(L"\\foo\\device\\vcp3", L"COM4")});
  std::vector<std::string> aPorts{"stale entry"};
  FillPortList(aPorts);
  EXPECT_EQ(aPorts, (std::vector<std::string>{"COM9", "COM10"}));
}

TEST_F(PortListTest, SkipsVirtualPortValuesThatHoldNoPortName) {
  // The bare prefix is a name that begins with it, too.
  FMap.Write({TextValue(L"\\Device\\VCP", L"COM13"), DwordValue(L"\\Device\\VCP0", 7),
              TextValue(L"\\Device\\VCP1", L""), TextValue(L"\\Device\\VCP2", L"COM12")});
  std::vector<std::string> aPorts;
  FillPortList(aPorts);
  EXPECT_EQ(aPorts, (std::vector<std::string>{"COM13", "COM12"}));
}

TEST_F(PortListTest, NonAsciiPortNameArrivesAsUtf8) {
  FMap.Write({TextValue(L"\\Device\\VCP0", L"COM\x00E9")});
  std::vector<std::string> aPorts;
  FillPortList(aPorts);
  EXPECT_EQ(aPorts, (std::vector<std::string>{"COM\xC3\xA9"}));
}

TEST_F(PortListTest, MissingDeviceMapGivesAnEmptyList) {
  std::vector<std::string> aPorts{"COM3"};
  FillPortList(aPorts);
  EXPECT_TRUE(aPorts.empty());
}

TEST_F(PortListTest, RemovalOfTheLastPortEmptiesTheList) {
  FMap.Write({TextValue(L"\\Device\\VCP0", L"COM9")});
  std::vector<std::string> aPorts;
  FillPortList(aPorts);
  ASSERT_EQ(aPorts.size(), 1u);
  FMap.Remove();
  FMap.Write({TextValue(L"\\Device\\Serial0", L"COM1")});
  FillPortList(aPorts);
  EXPECT_TRUE(aPorts.empty());
}

} // namespace
