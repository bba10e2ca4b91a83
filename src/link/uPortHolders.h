// Which other processes hold a serial device open, as /proc shows them (Linux). OpenPort leaves
// such a port alone; the same answer can tell the operator who holds it.
#pragma once

#include <string>
#include <vector>

struct TPortHolder {
  int nPid;
  std::string sName; // the process's command name, as /proc/<pid>/comm gives it
};

struct TPortHolders {
  std::vector<TPortHolder> aHolders; // other processes that hold the device open
  std::vector<int> aUnseen;          // processes whose descriptors could not be read
  bool bListed = true;               // false when /proc could not be listed: nothing was seen
};

// The processes other than this one that hold the device that sPath names open. A process
// that also holds the master of the same pseudo-terminal serves that port (a simulated
// logger) and is no holder. Names that stand for another terminal (/dev/tty, /dev/console,
// /dev/ptmx) and anything that is not a character device have no holders here. Processes of
// other users are unseen without privileges; kernel threads and zombies hold no files and are
// skipped.
TPortHolders FindPortHolders(const std::string& sPath);
