// The holders of a device, from /proc/<pid>/fd of every process: each link there stands for an
// open file, and following it gives that file's device numbers.
#include "link/uPortHolders.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr unsigned cTTYAUX_MAJOR = 5; // /dev/tty, /dev/console, /dev/ptmx
constexpr unsigned cPTMX_MINOR = 2;
constexpr unsigned cPTY_SLAVE_MAJOR_FIRST = 136; // /dev/pts/N
constexpr unsigned cPTY_SLAVE_MAJOR_LAST = 143;
constexpr unsigned long cPF_KTHREAD = 0x00200000; // process flag of a kernel thread

struct TDirCloser {
  void operator()(DIR* pDir) const { closedir(pDir); }
};
using TDir = std::unique_ptr<DIR, TDirCloser>;

// The device looked for. A pseudo-terminal slave is also told apart by its devpts instance
// (a container's /dev/pts/0 has the same device number as the host's); a real device is the
// same whichever node names it.
struct TDevice {
  unsigned nMajor = 0;
  unsigned nMinor = 0;
  unsigned nFsMajor = 0;
  unsigned nFsMinor = 0;
  bool bPtySlave = false;
  unsigned nPtyIndex = 0;
};

// Follows a link without waiting for a network or FUSE file system to answer.
bool StatNoSync(int hDir, const char* pName, struct statx& rInfo) {
  return statx(hDir, pName, AT_STATX_DONT_SYNC, STATX_TYPE, &rInfo) == 0;
}

bool IsChar(const struct statx& rInfo) {
  return S_ISCHR(rInfo.stx_mode);
}

bool IsDevice(const struct statx& rInfo, const TDevice& rDevice) {
  if (!IsChar(rInfo) || rInfo.stx_rdev_major != rDevice.nMajor ||
      rInfo.stx_rdev_minor != rDevice.nMinor)
    return false;
  return !rDevice.bPtySlave ||
         (rInfo.stx_dev_major == rDevice.nFsMajor && rInfo.stx_dev_minor == rDevice.nFsMinor);
}

bool IsPtmx(const struct statx& rInfo) {
  return IsChar(rInfo) && rInfo.stx_rdev_major == cTTYAUX_MAJOR &&
         rInfo.stx_rdev_minor == cPTMX_MINOR;
}

// Up to 4 KiB of a small /proc file; nothing when it cannot be read.
std::optional<std::string> ReadSmallFile(const std::string& sPath) {
  const int hFile = open(sPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (hFile < 0) return std::nullopt;
  char aBuffer[4096];
  ssize_t nRead = 0;
  do
    nRead = read(hFile, aBuffer, sizeof aBuffer);
  while (nRead < 0 && errno == EINTR);
  close(hFile);
  if (nRead < 0) return std::nullopt;
  return std::string(aBuffer, static_cast<std::size_t>(nRead));
}

// The "tty-index:" of a pseudo-terminal master's fdinfo: the N of the /dev/pts/N it serves.
std::optional<unsigned> PtyIndexOfMaster(const std::string& sProcess, const char* pFd) {
  const std::optional<std::string> sInfo = ReadSmallFile(sProcess + "/fdinfo/" + pFd);
  if (!sInfo) return std::nullopt;
  const std::string cKEY = "tty-index:";
  for (std::size_t nLine = 0; nLine < sInfo->size();) {
    std::size_t nEnd = sInfo->find('\n', nLine);
    if (nEnd == std::string::npos) nEnd = sInfo->size();
    if (sInfo->compare(nLine, cKEY.size(), cKEY) == 0) {
      const std::string sValue = sInfo->substr(nLine + cKEY.size(), nEnd - nLine - cKEY.size());
      char* pEnd = nullptr;
      const unsigned long nIndex = std::strtoul(sValue.c_str(), &pEnd, 10);
      if (pEnd == sValue.c_str()) return std::nullopt;
      return static_cast<unsigned>(nIndex);
    }
    nLine = nEnd + 1;
  }
  return std::nullopt;
}

// Kernel threads and zombies hold no files; their descriptors are unreadable to other users
// but hide nothing.
bool HoldsNoFiles(const std::string& sProcess) {
  const std::optional<std::string> sStat = ReadSmallFile(sProcess + "/stat");
  if (!sStat) return false;
  // "pid (comm) state ppid pgrp session tty_nr tpgid flags ...": comm may hold blanks and ")".
  const std::size_t nClose = sStat->rfind(')');
  if (nClose == std::string::npos || nClose + 2 >= sStat->size()) return false;
  const char cState = (*sStat)[nClose + 2];
  if (cState == 'Z' || cState == 'X') return true;
  const char* pField = sStat->c_str() + nClose + 2;
  for (int i = 0; i < 6; ++i) { // skip state to tpgid
    pField = std::strchr(pField, ' ');
    if (pField == nullptr) return false;
    ++pField;
  }
  return (std::strtoul(pField, nullptr, 10) & cPF_KTHREAD) != 0;
}

std::string ProcessName(const std::string& sProcess) {
  std::string sName = ReadSmallFile(sProcess + "/comm").value_or("?");
  if (!sName.empty() && sName.back() == '\n') sName.pop_back();
  return sName;
}

enum class TLook : std::uint8_t { Holds, HoldsNot, Unseen };

TLook LookAtProcess(const std::string& sProcess, const TDevice& rDevice) {
  const TDir pFds(opendir((sProcess + "/fd").c_str()));
  if (!pFds) {
    if (errno == ENOENT) return TLook::HoldsNot; // ended meanwhile
    return HoldsNoFiles(sProcess) ? TLook::HoldsNot : TLook::Unseen;
  }
  bool bHolds = false;
  std::vector<std::string> aMasters;
  while (const dirent* pEntry = readdir(pFds.get())) {
    if (pEntry->d_name[0] == '.') continue;
    struct statx info {};
    if (!StatNoSync(dirfd(pFds.get()), pEntry->d_name, info)) {
      if (errno == EACCES || errno == EPERM) return TLook::Unseen; // listed, but not to follow
      continue; // closed meanwhile, or a file that cannot be followed
    }
    if (IsDevice(info, rDevice))
      bHolds = true;
    else if (rDevice.bPtySlave && IsPtmx(info))
      aMasters.emplace_back(pEntry->d_name);
  }
  if (!bHolds) return TLook::HoldsNot;
  // The peer that plays the device on a pseudo-terminal holds its master too.
  for (const std::string& sFd : aMasters)
    if (PtyIndexOfMaster(sProcess, sFd.c_str()) == rDevice.nPtyIndex) return TLook::HoldsNot;
  return TLook::Holds;
}

std::optional<TDevice> DeviceOf(const std::string& sPath) {
  struct statx info {};
  if (!StatNoSync(AT_FDCWD, sPath.c_str(), info) || !IsChar(info)) return std::nullopt;
  TDevice device;
  device.nMajor = info.stx_rdev_major;
  device.nMinor = info.stx_rdev_minor;
  if (device.nMajor == cTTYAUX_MAJOR) return std::nullopt; // stands for another terminal
  device.nFsMajor = info.stx_dev_major;
  device.nFsMinor = info.stx_dev_minor;
  device.bPtySlave =
      device.nMajor >= cPTY_SLAVE_MAJOR_FIRST && device.nMajor <= cPTY_SLAVE_MAJOR_LAST;
  if (device.bPtySlave)
    device.nPtyIndex = (device.nMajor - cPTY_SLAVE_MAJOR_FIRST) * 256 + device.nMinor;
  return device;
}

// This process as /proc numbers it, which need not be getpid() when /proc belongs to another
// pid namespace.
std::string OwnProcess() {
  char aLink[32] = {};
  const ssize_t n = readlink("/proc/self", aLink, sizeof aLink - 1);
  return n > 0 ? std::string(aLink, static_cast<std::size_t>(n)) : std::to_string(getpid());
}

bool IsPid(const char* pName) {
  if (*pName == '\0') return false;
  for (; *pName != '\0'; ++pName)
    if (*pName < '0' || *pName > '9') return false;
  return true;
}

} // namespace

TPortHolders FindPortHolders(const std::string& sPath) {
  TPortHolders result;
  const std::optional<TDevice> device = DeviceOf(sPath);
  if (!device) return result;
  const TDir pProc(opendir("/proc"));
  if (!pProc) {
    result.bListed = false;
    return result;
  }
  const std::string sSelf = OwnProcess();
  while (const dirent* pEntry = readdir(pProc.get())) {
    if (!IsPid(pEntry->d_name) || pEntry->d_name == sSelf) continue;
    const std::string sProcess = std::string("/proc/") + pEntry->d_name;
    const int nPid = std::atoi(pEntry->d_name);
    switch (LookAtProcess(sProcess, *device)) {
    case TLook::Holds:
      result.aHolders.push_back(TPortHolder{nPid, ProcessName(sProcess)});
      break;
    case TLook::Unseen:
      result.aUnseen.push_back(nPid);
      break;
    case TLook::HoldsNot:
      break;
    }
  }
  return result;
}
