#include "uSimPty.h"

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace {

[[noreturn]] void RaiseErrno(const char* sCall) {
  throw std::system_error(errno, std::generic_category(), sCall);
}

} // namespace

void TSimPty::Open() {
  termios Raw{};
  cfmakeraw(&Raw);
  Raw.c_cflag |= CLOCAL | CREAD;
  cfsetispeed(&Raw, B9600);
  cfsetospeed(&Raw, B9600);
  char sName[256] = {};
  if (openpty(&FhMaster, &FhSlave, sName, &Raw, nullptr) != 0) RaiseErrno("openpty");
  FsSlavePath = sName;
  const int nFlags = fcntl(FhMaster, F_GETFL);
  if (nFlags < 0 || fcntl(FhMaster, F_SETFL, nFlags | O_NONBLOCK) != 0) RaiseErrno("fcntl");
  fcntl(FhMaster, F_SETFD, FD_CLOEXEC);
  fcntl(FhSlave, F_SETFD, FD_CLOEXEC);
}

void TSimPty::AddLink(const std::string& sLinkPath) {
  // A stale link from an earlier simulator is replaced; any other file is left alone.
  struct stat Info {};
  if (lstat(sLinkPath.c_str(), &Info) == 0) {
    if (!S_ISLNK(Info.st_mode)) {
      errno = EEXIST;
      RaiseErrno("--link");
    }
    if (unlink(sLinkPath.c_str()) != 0) RaiseErrno("unlink --link");
  }
  if (symlink(FsSlavePath.c_str(), sLinkPath.c_str()) != 0) RaiseErrno("symlink --link");
  FsLinkPath = sLinkPath;
}

ssize_t TSimPty::Read(std::uint8_t* pData, std::size_t nCount) {
  if (FhMaster < 0) return -1;
  const ssize_t nRead = read(FhMaster, pData, nCount);
  if (nRead > 0) return nRead;
  if (nRead < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
  return -1;
}

ssize_t TSimPty::Write(const std::uint8_t* pData, std::size_t nCount) {
  if (FhMaster < 0) return -1;
  const ssize_t nWritten = write(FhMaster, pData, nCount);
  if (nWritten >= 0) return nWritten;
  if (errno == EAGAIN || errno == EINTR) return 0;
  return -1;
}

void TSimPty::Close() {
  if (!FsLinkPath.empty()) {
    unlink(FsLinkPath.c_str());
    FsLinkPath.clear();
  }
  if (FhMaster >= 0) close(FhMaster);
  if (FhSlave >= 0) close(FhSlave);
  FhMaster = -1;
  FhSlave = -1;
}
