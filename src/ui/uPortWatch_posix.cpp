#include "ui/uPortWatch.h"

#include <cerrno>
#include <string_view>

#include <linux/netlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr unsigned cKERNEL_UEVENT_GROUP = 1;
constexpr std::size_t cUEVENT_BUFFER = 8192;
// A burst larger than this is read on the next wake-up of the watch.
constexpr int cMAX_DATAGRAMS_PER_READ = 256;

} // namespace

int OpenPortWatch() {
  const int fd =
      socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_KOBJECT_UEVENT);
  if (fd < 0) {
    return -1;
  }
  sockaddr_nl rAddr{};
  rAddr.nl_family = AF_NETLINK;
  rAddr.nl_groups = cKERNEL_UEVENT_GROUP;
  if (bind(fd, reinterpret_cast<const sockaddr*>(&rAddr), sizeof rAddr) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

void ClosePortWatch(int fd) {
  if (fd >= 0) {
    close(fd);
  }
}

std::optional<TPortUevent> ParsePortUevent(const char* pData, std::size_t nLen) {
  if (pData == nullptr || nLen == 0) {
    return std::nullopt;
  }
  const std::string_view sData(pData, nLen);
  std::string_view sAction;
  std::string_view sSubsystem;
  std::string_view sDevPath;
  std::string_view sDevName;
  bool bFirst = true;
  std::size_t nPos = 0;
  while (nPos < sData.size()) {
    std::size_t nEnd = sData.find('\0', nPos);
    if (nEnd == std::string_view::npos) {
      nEnd = sData.size();
    }
    const std::string_view sField = sData.substr(nPos, nEnd - nPos);
    if (bFirst) {
      // udevd's own messages start with this magic and a binary header: not the kernel's.
      if (sField == "libudev") {
        return std::nullopt;
      }
      // The kernel's header line "add@/devices/...".
      const std::size_t nAt = sField.find('@');
      if (nAt != std::string_view::npos) {
        sAction = sField.substr(0, nAt);
        sDevPath = sField.substr(nAt + 1);
      }
      bFirst = false;
    } else if (sField.starts_with("ACTION=")) {
      sAction = sField.substr(7);
    } else if (sField.starts_with("SUBSYSTEM=")) {
      sSubsystem = sField.substr(10);
    } else if (sField.starts_with("DEVPATH=")) {
      sDevPath = sField.substr(8);
    } else if (sField.starts_with("DEVNAME=")) {
      sDevName = sField.substr(8);
    }
    nPos = nEnd + 1;
  }
  if ((sAction != "add" && sAction != "remove") || sSubsystem != "tty") {
    return std::nullopt;
  }
  if (sDevName.empty()) {
    sDevName = sDevPath.substr(sDevPath.rfind('/') + 1); // npos + 1: the whole path
  }
  return TPortUevent{sAction == "add", std::string(sDevName)};
}

bool IsPortChangeUevent(const char* pData, std::size_t nLen) {
  return ParsePortUevent(pData, nLen).has_value();
}

bool ReadPortChanges(int fd) {
  std::vector<TPortUevent> aEvents;
  const bool bLost = ReadPortUevents(fd, aEvents);
  return bLost || !aEvents.empty();
}

bool ReadPortUevents(int fd, std::vector<TPortUevent>& aEvents) {
  bool bLost = false;
  char aBuffer[cUEVENT_BUFFER];
  for (int nCount = 0; nCount < cMAX_DATAGRAMS_PER_READ; ++nCount) {
    const ssize_t nRead = recv(fd, aBuffer, sizeof aBuffer, MSG_DONTWAIT);
    if (nRead < 0) {
      if (errno == EINTR) {
        continue;
      }
      if (errno == ENOBUFS) {
        // The socket's queue overflowed and uevents were lost: one of them may have been a
        // tty, so the list is read again.
        bLost = true;
        continue;
      }
      break; // EAGAIN: drained; anything else: nothing more to read now
    }
    if (std::optional<TPortUevent> rEvent =
            ParsePortUevent(aBuffer, static_cast<std::size_t>(nRead))) {
      aEvents.push_back(std::move(*rEvent));
    }
  }
  return bLost;
}
