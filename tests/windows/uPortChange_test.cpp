// Device-change broadcasts: only the arrival or removal of a port header counts.
#include "ui/uPortChange.h"

#include <gtest/gtest.h>

namespace {

// The leading fields of DEV_BROADCAST_HDR: size, device type, reserved.
struct TBroadcastHeader {
  std::uint32_t nSize;
  std::uint32_t nDeviceType;
  std::uint32_t nReserved;
};

constexpr std::uint32_t cDBT_DEVTYP_DEVICEINTERFACE = 5;
constexpr std::uint32_t cDBT_DEVTYP_VOLUME = 2;
constexpr std::uint32_t cDBT_DEVTYP_OEM = 0;
constexpr std::uint32_t cDBT_DEVNODES_CHANGED = 0x0007;
constexpr std::uint32_t cDBT_DEVICEQUERYREMOVE = 0x8001;
constexpr std::uint32_t cDBT_DEVICEREMOVEPENDING = 0x8003;

struct TChangeCase {
  std::uint32_t nEvent;
  std::uint32_t nDeviceType;
  bool bPortChange;
};

TEST(PortChangeTest, OnlyPortArrivalAndRemovalCount) {
  const TChangeCase aCases[] = {
      {cDBT_DEVICEARRIVAL, cDBT_DEVTYP_PORT, true},
      {cDBT_DEVICEREMOVECOMPLETE, cDBT_DEVTYP_PORT, true},
      {cDBT_DEVICEARRIVAL, cDBT_DEVTYP_VOLUME, false},
      {cDBT_DEVICEREMOVECOMPLETE, cDBT_DEVTYP_DEVICEINTERFACE, false},
      {cDBT_DEVICEARRIVAL, cDBT_DEVTYP_OEM, false},
      {cDBT_DEVICEQUERYREMOVE, cDBT_DEVTYP_PORT, false},
      {cDBT_DEVICEREMOVEPENDING, cDBT_DEVTYP_PORT, false},
  };
  for (const TChangeCase& c : aCases) {
    const TBroadcastHeader header{sizeof(TBroadcastHeader), c.nDeviceType, 0};
    EXPECT_EQ(IsPortChange(c.nEvent, &header), c.bPortChange)
        << std::hex << "event 0x" << c.nEvent << " type " << c.nDeviceType;
  }
}

TEST(PortChangeTest, OtherEventsDoNotLookAtTheSecondParameter) {
  // A device-tree change carries no header at all; the second parameter is no pointer then.
  EXPECT_FALSE(IsPortChange(cDBT_DEVNODES_CHANGED, nullptr));
  EXPECT_FALSE(IsPortChange(cDBT_DEVNODES_CHANGED, reinterpret_cast<const void*>(0x1)));
}

TEST(PortChangeTest, ArrivalWithoutHeaderIsNoPortChange) {
  EXPECT_FALSE(IsPortChange(cDBT_DEVICEARRIVAL, nullptr));
}

} // namespace
