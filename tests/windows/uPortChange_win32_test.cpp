// IsPortChange with the system's own broadcast structures, as WM_DEVICECHANGE delivers them.
#include "ui/uPortChange.h"

#include <windows.h>

#include <dbt.h>
#include <gtest/gtest.h>

#include <cstddef>

namespace {

static_assert(offsetof(DEV_BROADCAST_HDR, dbch_devicetype) == sizeof(std::uint32_t));
static_assert(DBT_DEVICEARRIVAL == cDBT_DEVICEARRIVAL);
static_assert(DBT_DEVICEREMOVECOMPLETE == cDBT_DEVICEREMOVECOMPLETE);
static_assert(DBT_DEVTYP_PORT == cDBT_DEVTYP_PORT);

TEST(PortChangeWin32Test, PortBroadcastCounts) {
  DEV_BROADCAST_PORT_W port{};
  port.dbcp_size = sizeof(port);
  port.dbcp_devicetype = DBT_DEVTYP_PORT;
  EXPECT_TRUE(IsPortChange(DBT_DEVICEARRIVAL, &port));
  EXPECT_TRUE(IsPortChange(DBT_DEVICEREMOVECOMPLETE, &port));
  EXPECT_FALSE(IsPortChange(DBT_DEVICEQUERYREMOVE, &port));
}

TEST(PortChangeWin32Test, VolumeAndInterfaceBroadcastsDoNotCount) {
  DEV_BROADCAST_VOLUME volume{};
  volume.dbcv_size = sizeof(volume);
  volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
  DEV_BROADCAST_DEVICEINTERFACE_W device{};
  device.dbcc_size = sizeof(device);
  device.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  EXPECT_FALSE(IsPortChange(DBT_DEVICEARRIVAL, &volume));
  EXPECT_FALSE(IsPortChange(DBT_DEVICEREMOVECOMPLETE, &device));
  EXPECT_FALSE(IsPortChange(DBT_DEVNODES_CHANGED, nullptr));
}

} // namespace
