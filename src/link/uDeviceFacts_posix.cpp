// Device facts from the user and group databases and from sysfs.
#include "link/uDeviceFacts.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t cNAME_BUFFER = 16384;

std::string UserName(uid_t nUid) {
  passwd entry{};
  passwd* pFound = nullptr;
  std::vector<char> aBuffer(cNAME_BUFFER);
  if (getpwuid_r(nUid, &entry, aBuffer.data(), aBuffer.size(), &pFound) != 0 || pFound == nullptr)
    return std::to_string(nUid);
  return entry.pw_name;
}

std::string GroupName(gid_t nGid) {
  group entry{};
  group* pFound = nullptr;
  std::vector<char> aBuffer(cNAME_BUFFER);
  if (getgrgid_r(nGid, &entry, aBuffer.data(), aBuffer.size(), &pFound) != 0 || pFound == nullptr)
    return std::to_string(nGid);
  return entry.gr_name;
}

bool ProcessHasGroup(gid_t nGid) {
  if (getegid() == nGid) return true;
  const int nCount = getgroups(0, nullptr);
  if (nCount <= 0) return false;
  std::vector<gid_t> aGroups(static_cast<std::size_t>(nCount));
  const int nGot = getgroups(nCount, aGroups.data());
  return nGot > 0 &&
         std::find(aGroups.begin(), aGroups.begin() + nGot, nGid) != aGroups.begin() + nGot;
}

// The groups the database gives the user: what a new login of the user would have.
bool UserHasGroup(uid_t nUid, gid_t nGid) {
  passwd entry{};
  passwd* pFound = nullptr;
  std::vector<char> aBuffer(cNAME_BUFFER);
  if (getpwuid_r(nUid, &entry, aBuffer.data(), aBuffer.size(), &pFound) != 0 || pFound == nullptr)
    return false;
  if (entry.pw_gid == nGid) return true;
  int nCount = 64;
  std::vector<gid_t> aGroups(static_cast<std::size_t>(nCount));
  if (getgrouplist(entry.pw_name, entry.pw_gid, aGroups.data(), &nCount) < 0) {
    aGroups.resize(static_cast<std::size_t>(nCount));
    if (getgrouplist(entry.pw_name, entry.pw_gid, aGroups.data(), &nCount) < 0) return false;
  }
  return std::find(aGroups.begin(), aGroups.begin() + nCount, nGid) != aGroups.begin() + nCount;
}

std::string FirstLine(const fs::path& pathFile) {
  std::ifstream file(pathFile);
  std::string sLine;
  std::getline(file, sLine);
  return sLine;
}

} // namespace

TDeviceAccess DeviceAccessOf(const std::string& sPath) {
  TDeviceAccess rAccess;
  rAccess.sUser = UserName(geteuid());
  struct stat info {};
  if (stat(sPath.c_str(), &info) != 0) return rAccess;
  rAccess.sOwner = UserName(info.st_uid);
  rAccess.sGroup = GroupName(info.st_gid);
  rAccess.nMode = static_cast<std::uint32_t>(info.st_mode & 07777);
  rAccess.bUserInGroup = UserHasGroup(geteuid(), info.st_gid);
  rAccess.bProcessInGroup = ProcessHasGroup(info.st_gid);
  return rAccess;
}

std::string UsbIdOf(const std::string& sPath) {
  struct stat info {};
  if (stat(sPath.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) return {};
  std::error_code ec;
  // /sys/dev/char/MAJOR:MINOR leads to the tty; the USB device that carries it is the first
  // directory above with a vendor and product id.
  fs::path pathDevice = fs::canonical("/sys/dev/char/" + std::to_string(major(info.st_rdev)) + ":" +
                                          std::to_string(minor(info.st_rdev)),
                                      ec);
  if (ec) return {};
  for (; pathDevice.has_relative_path() && pathDevice != "/sys/devices";
       pathDevice = pathDevice.parent_path()) {
    if (fs::exists(pathDevice / "idVendor", ec) && fs::exists(pathDevice / "idProduct", ec)) {
      const std::string sVendor = FirstLine(pathDevice / "idVendor");
      const std::string sProduct = FirstLine(pathDevice / "idProduct");
      if (sVendor.empty() || sProduct.empty()) return {};
      return sVendor + ":" + sProduct;
    }
  }
  return {};
}
