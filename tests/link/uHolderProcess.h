// A child process that holds a port the way another program would: it keeps some of the
// descriptors it inherits, may open a path itself with a plain open(), give it its own line
// setting and lock it (flock and TIOCEXCL, as a careful terminal program does), and holds them
// until the object is dropped. Between fork and exit the child makes
// only calls that are safe in the child of a threaded process.
#pragma once

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

struct THoldSpec {
  std::vector<int> aKeep;          // inherited descriptors the child keeps; all others it closes
  std::string sOpen;               // a path the child opens itself, O_RDWR | O_NOCTTY; or none
  std::optional<termios> tSetting; // applied to that path's descriptor
  bool bLock = false;              // that path's descriptor locked and made exclusive
};

class THolderProcess {
public:
  explicit THolderProcess(const THoldSpec& rSpec) {
    int aReady[2] = {-1, -1};
    int aGo[2] = {-1, -1};
    if (pipe(aReady) != 0 || pipe(aGo) != 0) throw std::runtime_error("pipe failed");
    const char* pOpen = rSpec.sOpen.empty() ? nullptr : rSpec.sOpen.c_str();
    const termios* pSetting = rSpec.tSetting ? &*rSpec.tSetting : nullptr;
    FnPid = fork();
    if (FnPid < 0) throw std::runtime_error("fork failed");
    if (FnPid == 0) Hold(rSpec.aKeep, pOpen, pSetting, rSpec.bLock, aReady[1], aGo[0]);
    close(aReady[1]);
    close(aGo[0]);
    FhGo = aGo[1];
    char ch = 0;
    const bool bReady = read(aReady[0], &ch, 1) == 1 && ch == 'R';
    close(aReady[0]);
    if (!bReady) {
      Release();
      throw std::runtime_error("the holder process could not take the port");
    }
  }

  ~THolderProcess() { Release(); }
  THolderProcess(const THolderProcess&) = delete;
  THolderProcess& operator=(const THolderProcess&) = delete;

  int Pid() const { return FnPid; }

  // Lets the child go and waits for it.
  void Release() {
    if (FhGo >= 0) close(FhGo);
    FhGo = -1;
    if (FnPid > 0) waitpid(FnPid, nullptr, 0);
    FnPid = -1;
  }

private:
  [[noreturn]] static void Hold(const std::vector<int>& aKeep, const char* pOpen,
                                const termios* pSetting, bool bLock, int hReady, int hGo) {
    const int nMax = static_cast<int>(sysconf(_SC_OPEN_MAX));
    for (int fd = 3; fd < nMax && fd < 65536; ++fd) {
      bool bKeep = fd == hReady || fd == hGo;
      for (const int fdKeep : aKeep)
        bKeep = bKeep || fd == fdKeep;
      if (!bKeep) close(fd);
    }
    int fd = -1;
    if (pOpen != nullptr) {
      fd = open(pOpen, O_RDWR | O_NOCTTY);
      if (fd < 0 || (pSetting != nullptr && tcsetattr(fd, TCSANOW, pSetting) != 0)) _exit(1);
      if (bLock && (flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0)) _exit(1);
    }
    const char ch = 'R';
    if (write(hReady, &ch, 1) != 1) _exit(1);
    for (;;) { // until the parent closes its end
      char chGo = 0;
      const ssize_t n = read(hGo, &chGo, 1);
      if (n == 0 || (n < 0 && errno != EINTR)) {
        if (bLock) ioctl(fd, TIOCNXCL); // the tty stays exclusive while others hold it
        _exit(0);
      }
    }
  }

  int FnPid = -1;
  int FhGo = -1;
};
