// On Windows the ports come from the registry's device map. A console program has no window
// for the device-change broadcast, so the list is read again twice a second: an arrival or a
// removal shows as a difference between two readings.
#include "cli/uCliPorts.h"

#include "ui/uPortList.h"

namespace {

constexpr auto cREREAD_INTERVAL = std::chrono::milliseconds(500);

} // namespace

std::vector<std::string> ListSerialPorts() {
  std::vector<std::string> slPorts;
  FillPortList(slPorts);
  return slPorts;
}

bool PortDeviceExists(const std::string& sPort) {
  static_cast<void>(sPort);
  return true; // the registry lists a port once it can be opened
}

TPortWatcher::TPortWatcher() : FtNextRead(std::chrono::steady_clock::now()) {}

TPortWatcher::~TPortWatcher() = default;

TPortWatcher::TChanges TPortWatcher::Poll() {
  TChanges rChanges;
  const auto tNow = std::chrono::steady_clock::now();
  if (tNow >= FtNextRead) {
    rChanges.bListChanged = true;
    FtNextRead = tNow + cREREAD_INTERVAL;
  }
  return rChanges;
}

std::string TPortWatcher::Description() const {
  return "reading the port list twice a second";
}
