// The main window's watch of serial port arrivals and removals on Linux: the kernel's uevent
// socket, read whenever it has datagrams.
#include "ui/uMain.h"
#include "ui/uPortWatch.h"

void TfrmMain::InstallPortWatch() {
  SetPortWatch(OpenPortWatch());
}

void TfrmMain::SetPortWatch(int fd) {
  if (FPortNotifier != nullptr) {
    delete FPortNotifier;
    FPortNotifier = nullptr;
  }
  ClosePortWatch(FnPortWatch);
  FnPortWatch = fd;
  if (fd < 0) {
    return;
  }
  FPortNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
  connect(FPortNotifier, &QSocketNotifier::activated, this,
          [this] { HandleDeviceChange(ReadPortChanges(FnPortWatch)); });
}
