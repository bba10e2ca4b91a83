// Recognises, among the system's device-change broadcasts (WM_DEVICECHANGE), the arrival or
// removal of a serial port. Plain logic on the message's two parameters, so every platform
// can test it.
#pragma once

#include <cstdint>
#include <cstring>

constexpr std::uint32_t cDBT_DEVICEARRIVAL = 0x8000;
constexpr std::uint32_t cDBT_DEVICEREMOVECOMPLETE = 0x8004;
constexpr std::uint32_t cDBT_DEVTYP_PORT = 3;

// nEvent: the event code (first parameter). pHeader: the DEV_BROADCAST_HDR the second parameter
// points to; it is looked at only for an arrival or a removal. Its second 32-bit field is the
// device type.
inline bool IsPortChange(std::uint32_t nEvent, const void* pHeader) {
  if (nEvent != cDBT_DEVICEARRIVAL && nEvent != cDBT_DEVICEREMOVECOMPLETE) return false;
  if (pHeader == nullptr) return false;
  std::uint32_t nDeviceType = 0;
  std::memcpy(&nDeviceType, static_cast<const unsigned char*>(pHeader) + sizeof(std::uint32_t),
              sizeof(nDeviceType));
  return nDeviceType == cDBT_DEVTYP_PORT;
}
