// A stand-in for /sys and /dev for the command-line tests: the ports that --list-ports,
// --all-ports and the hint of a port that would not open see (TARVIK_PORT_ROOT).
#pragma once

#include <filesystem>
#include <stdexcept>
#include <stdlib.h>
#include <string>
#include <system_error>

class TFakePortRoot {
public:
  TFakePortRoot() {
    char aName[] = "/tmp/tarvik-ports-XXXXXX";
    if (mkdtemp(aName) == nullptr) {
      throw std::runtime_error("mkdtemp failed");
    }
    FRoot = aName;
    std::filesystem::create_directories(FRoot / "sys" / "class" / "tty");
    std::filesystem::create_directories(FRoot / "dev");
  }
  ~TFakePortRoot() {
    std::error_code eError;
    std::filesystem::remove_all(FRoot, eError);
  }
  // A tty served by sDriver; its device is linked to the simulator by --link.
  void AddTty(const std::string& sName, const std::string& sDriver) {
    const std::filesystem::path pathDriver =
        FRoot / "sys" / "bus" / "usb-serial" / "drivers" / sDriver;
    std::filesystem::create_directories(pathDriver);
    std::filesystem::create_directories(FRoot / "sys" / "class" / "tty" / sName / "device");
    std::filesystem::create_directory_symlink(pathDriver, FRoot / "sys" / "class" / "tty" / sName /
                                                              "device" / "driver");
  }
  std::string Dev(const std::string& sName) const { return (FRoot / "dev" / sName).string(); }
  std::string Path() const { return FRoot.string(); }

private:
  std::filesystem::path FRoot;
};
