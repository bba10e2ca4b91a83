// On Linux the ports come from sysfs and their arrivals and removals from the kernel's
// uevents, as in the window. For tests, two environment values stand in for the system:
//   TARVIK_PORT_ROOT=DIR   the sysfs tree is DIR/sys and the devices are named DIR/dev/<name>
//   TARVIK_UEVENT_FD=N     descriptor N (inherited, a datagram socket) carries the uevents
#include "cli/uCliPorts.h"

#include "ui/uPortList.h"
#include "ui/uPortList_posix.h"
#include "ui/uPortWatch.h"

#include <charconv>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>

namespace {

// Without uevents (no netlink socket), and as a safety net beside them, the list is read again
// this often.
constexpr auto cREREAD_INTERVAL = std::chrono::seconds(2);

std::optional<std::string> PortRoot() {
  const char* sRoot = std::getenv("TARVIK_PORT_ROOT");
  if (sRoot == nullptr || *sRoot == '\0') {
    return std::nullopt;
  }
  return std::string(sRoot);
}

int InheritedWatch() {
  const char* sFd = std::getenv("TARVIK_UEVENT_FD");
  if (sFd == nullptr) {
    return -1;
  }
  int fd = -1;
  const char* pEnd = sFd + std::char_traits<char>::length(sFd);
  const auto [pStop, eError] = std::from_chars(sFd, pEnd, fd);
  if (eError != std::errc() || pStop != pEnd || fd < 0 || fcntl(fd, F_GETFD) < 0) {
    return -1;
  }
  fcntl(fd, F_SETFD, FD_CLOEXEC); // not handed on to the ports' processes
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  return fd;
}

std::string DevDir() {
  const std::optional<std::string> sRoot = PortRoot();
  return sRoot ? *sRoot + "/dev" : "/dev";
}

} // namespace

std::vector<std::string> ListSerialPorts() {
  std::vector<std::string> slPorts;
  if (const std::optional<std::string> sRoot = PortRoot()) {
    FillPortListFrom(*sRoot + "/sys", slPorts, *sRoot + "/dev");
  } else {
    FillPortList(slPorts);
  }
  return slPorts;
}

bool PortDeviceExists(const std::string& sPort) {
  const std::string sPath = sPort.find('/') == std::string::npos ? "/dev/" + sPort : sPort;
  struct stat rInfo {};
  return stat(sPath.c_str(), &rInfo) == 0;
}

TPortWatcher::TPortWatcher() : FtNextRead(std::chrono::steady_clock::now() + cREREAD_INTERVAL) {
  FhWatch = InheritedWatch();
  if (FhWatch < 0) {
    FhWatch = OpenPortWatch();
  }
}

TPortWatcher::~TPortWatcher() {
  ClosePortWatch(FhWatch);
}

TPortWatcher::TChanges TPortWatcher::Poll() {
  TChanges rChanges;
  if (FhWatch >= 0) {
    std::vector<TPortUevent> aEvents;
    rChanges.bListChanged = ReadPortUevents(FhWatch, aEvents);
    const std::string sDevDir = DevDir();
    for (const TPortUevent& rEvent : aEvents) {
      rChanges.bListChanged = true;
      if (!rEvent.bAdded) {
        rChanges.slGone.push_back(sDevDir + "/" + rEvent.sName);
      }
    }
  }
  const auto tNow = std::chrono::steady_clock::now();
  if (tNow >= FtNextRead) {
    rChanges.bListChanged = true;
    FtNextRead = tNow + cREREAD_INTERVAL;
  }
  return rChanges;
}

std::string TPortWatcher::Description() const {
  return FhWatch >= 0 ? "kernel uevents" : "reading the port list every 2 s";
}
