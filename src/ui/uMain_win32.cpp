// The main window's watch of serial port arrivals and removals on Windows: the system's
// WM_DEVICECHANGE broadcast to the window, seen through a native event filter.
#include "ui/uMain.h"
#include "ui/uPortChange.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

namespace {

// Lives as a child of the main window, so it is removed with it.
class TDeviceChangeFilter : public QObject, public QAbstractNativeEventFilter {
public:
  explicit TDeviceChangeFilter(TfrmMain* pMain) : QObject(pMain), FpMain(pMain) {
    QCoreApplication::instance()->installNativeEventFilter(this);
  }
  ~TDeviceChangeFilter() override { QCoreApplication::instance()->removeNativeEventFilter(this); }

  bool nativeEventFilter(const QByteArray& sEventType, void* pMessage, qintptr*) override {
    if (sEventType != "windows_generic_MSG") {
      return false;
    }
    const MSG* pMsg = static_cast<const MSG*>(pMessage);
    if (pMsg->message == WM_DEVICECHANGE && pMsg->hwnd == reinterpret_cast<HWND>(FpMain->winId())) {
      FpMain->HandleDeviceChange(IsPortChange(static_cast<std::uint32_t>(pMsg->wParam),
                                              reinterpret_cast<const void*>(pMsg->lParam)));
    }
    return false; // the toolkit handles the message as well
  }

private:
  TfrmMain* FpMain;
};

} // namespace

void TfrmMain::InstallPortWatch() {
  new TDeviceChangeFilter(this);
}

// The broadcast needs no descriptor on Windows.
void TfrmMain::SetPortWatch(int fd) {
  (void)fd;
}
