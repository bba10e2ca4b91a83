// Test support: a raw pseudo-terminal pair held by this process, its slave standing for a
// serial port that tests can set up (owner, mode) or hand to other processes.
#pragma once

#include <pty.h>
#include <stdexcept>
#include <string>
#include <termios.h>
#include <unistd.h>

// A raw pseudo-terminal pair, held by this process.
class TPty {
public:
  TPty() {
    termios tio{};
    cfmakeraw(&tio);
    char aName[256] = {};
    if (openpty(&FnMaster, &FnSlave, aName, &tio, nullptr) != 0)
      throw std::runtime_error("openpty failed");
    FsPath = aName;
  }
  ~TPty() {
    close(FnMaster);
    close(FnSlave);
  }
  TPty(const TPty&) = delete;
  TPty& operator=(const TPty&) = delete;

  int Master() const { return FnMaster; }
  int Slave() const { return FnSlave; }
  const std::string& Path() const { return FsPath; }

private:
  int FnMaster = -1;
  int FnSlave = -1;
  std::string FsPath;
};
