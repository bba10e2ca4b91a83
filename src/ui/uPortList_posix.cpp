// Serial port discovery on Linux: the ttys in sysfs whose USB serial driver is ftdi_sio, the
// driver of the adapters the logger is reached through.
#include "ui/uPortList_posix.h"
#include "ui/uPortList.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr const char* cSERIAL_DRIVER = "ftdi_sio";

// The name of the driver a tty's device is bound to; empty when it has none.
std::string DriverName(const fs::path& pathTty) {
  std::error_code ec;
  const fs::path pathDriver = pathTty / "device" / "driver";
  fs::path pathTarget = fs::read_symlink(pathDriver, ec);
  if (ec) {
    pathTarget = fs::canonical(pathDriver, ec);
    if (ec) {
      return {};
    }
  }
  return pathTarget.filename().string();
}

bool IsDigit(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

} // namespace

bool NaturalLess(const std::string& sLeft, const std::string& sRight) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < sLeft.size() && j < sRight.size()) {
    if (IsDigit(sLeft[i]) && IsDigit(sRight[j])) {
      std::size_t iEnd = i;
      std::size_t jEnd = j;
      while (iEnd < sLeft.size() && IsDigit(sLeft[iEnd]))
        ++iEnd;
      while (jEnd < sRight.size() && IsDigit(sRight[jEnd]))
        ++jEnd;
      // Compare the numbers without converting them: leading zeros aside, the longer is larger.
      std::size_t iFirst = i;
      std::size_t jFirst = j;
      while (iFirst + 1 < iEnd && sLeft[iFirst] == '0')
        ++iFirst;
      while (jFirst + 1 < jEnd && sRight[jFirst] == '0')
        ++jFirst;
      const std::size_t nLeftLen = iEnd - iFirst;
      const std::size_t nRightLen = jEnd - jFirst;
      if (nLeftLen != nRightLen) {
        return nLeftLen < nRightLen;
      }
      const int nCmp = sLeft.compare(iFirst, nLeftLen, sRight, jFirst, nRightLen);
      if (nCmp != 0) {
        return nCmp < 0;
      }
      if (iEnd - i != jEnd - j) {
        return iEnd - i < jEnd - j;
      }
      i = iEnd;
      j = jEnd;
    } else {
      if (sLeft[i] != sRight[j]) {
        return static_cast<unsigned char>(sLeft[i]) < static_cast<unsigned char>(sRight[j]);
      }
      ++i;
      ++j;
    }
  }
  return sLeft.size() - i < sRight.size() - j;
}

void FillPortListFrom(const std::string& sSysRoot, std::vector<std::string>& Strings,
                      const std::string& sDevDir) {
  Strings.clear();
  std::vector<std::string> slNames;
  std::error_code ec;
  fs::directory_iterator it(fs::path(sSysRoot) / "class" / "tty", ec);
  if (ec) {
    return;
  }
  for (const fs::directory_iterator itEnd; it != itEnd; it.increment(ec)) {
    if (ec) {
      break;
    }
    const std::string sName = it->path().filename().string();
    if (DriverName(it->path()) == cSERIAL_DRIVER) {
      slNames.push_back(sName);
    }
  }
  std::sort(slNames.begin(), slNames.end(), NaturalLess);
  for (const std::string& sName : slNames) {
    Strings.push_back(sDevDir + "/" + sName);
  }
}

void FillPortList(std::vector<std::string>& Strings) {
  FillPortListFrom("/sys", Strings);
}
