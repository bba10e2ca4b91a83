// The serial ports for --list-ports, --all-ports and the station: the window's port list, and
// the arrivals and removals of ports. One back end per platform (uCliPorts_posix.cpp: kernel
// uevents; uCliPorts_win32.cpp: the registry's list, read again and again).
#pragma once

#include <chrono>
#include <string>
#include <vector>

// The ports that the window lists, in its order.
std::vector<std::string> ListSerialPorts();

// The port's device is there to be opened. On Linux a tty shows in sysfs a moment before its
// node in /dev; a port started in that moment would fail to open.
bool PortDeviceExists(const std::string& sPort);

class TPortWatcher {
public:
  TPortWatcher();
  ~TPortWatcher();
  TPortWatcher(const TPortWatcher&) = delete;
  TPortWatcher& operator=(const TPortWatcher&) = delete;

  struct TChanges {
    std::vector<std::string> slGone; // ports the system reported removed, in order
    bool bListChanged = false;       // the list is to be read again
  };
  // What happened since the last call; returns at once.
  TChanges Poll();
  // How the ports are watched, for the operator.
  std::string Description() const;

private:
  int FhWatch = -1;
  std::chrono::steady_clock::time_point FtNextRead;
};
