// Serial ports that arrive or leave while the program is the active one: the port box's list
// is refilled and, for an operator who looks at the idle window, opened at once. These tests
// make the window the foreground window of the display; the other tests' windows may take the
// foreground at any time, so a broadcast counts only when the window held it.
#include "uWinUiTestKit.h"

#include "ui/uPortChange.h"

#include <dbt.h>

#include <gtest/gtest.h>

namespace {

using TTexts = std::vector<std::string>;

void Broadcast(WPARAM nEvent, DWORD nDeviceType) {
  DEV_BROADCAST_HDR rHeader{};
  rHeader.dbch_size = sizeof(rHeader);
  rHeader.dbch_devicetype = nDeviceType;
  SendMessageW(frmMain->Handle(), WM_DEVICECHANGE, nEvent, reinterpret_cast<LPARAM>(&rHeader));
}

TTexts Items(HWND hBox) {
  TTexts slItems;
  const int nCount = static_cast<int>(SendMessageW(hBox, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < nCount; ++i) {
    wchar_t aText[64] = {};
    SendMessageW(hBox, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(aText));
    slItems.push_back(Utf8(aText));
  }
  return slItems;
}

bool DroppedDown(HWND hBox) {
  return SendMessageW(hBox, CB_GETDROPPEDSTATE, 0, 0) != FALSE;
}

// The main window as the operator's foreground window. Other tests' windows on the same
// display may take the foreground at any time.
bool InFront(HWND hMain) {
  return WaitFor([hMain] {
    if (GetForegroundWindow() == hMain) return true;
    SetForegroundWindow(hMain);
    return false;
  });
}

// The broadcast to the window in front: true when the window was the foreground window before
// and after it, so the broadcast found the program active.
bool BroadcastInFront(WPARAM nEvent, DWORD nDeviceType) {
  constexpr int cTRIES = 20;
  for (int nTry = 0; nTry < cTRIES; ++nTry) {
    if (!InFront(frmMain->Handle())) continue;
    Broadcast(nEvent, nDeviceType);
    if (GetForegroundWindow() == frmMain->Handle()) return true;
    SendMessageW(frmMain->cbxPort, CB_SHOWDROPDOWN, FALSE, 0);
  }
  return false;
}

} // namespace

TEST(Win32PortChange, ArrivalWhileIdleRefillsAndOpensTheList) {
  TWindowSetup rSetup(true, {}, {"COM3"});
  SetWindowTextW(rSetup.Main()->cbxPort, L"COM77");
  rSetup.slPorts = {"COM3", "COM5"};
  ASSERT_TRUE(BroadcastInFront(DBT_DEVICEARRIVAL, DBT_DEVTYP_PORT));
  EXPECT_EQ(Items(rSetup.Main()->cbxPort), (TTexts{"COM3", "COM5"}));
  // The typed text stays; nothing is picked anew.
  EXPECT_EQ(Text(rSetup.Main()->cbxPort), "COM77");
  EXPECT_TRUE(DroppedDown(rSetup.Main()->cbxPort));
  SendMessageW(rSetup.Main()->cbxPort, CB_SHOWDROPDOWN, FALSE, 0);

  // The last port leaves: an empty list, the text still there.
  rSetup.slPorts = {};
  Broadcast(DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_PORT);
  EXPECT_EQ(Items(rSetup.Main()->cbxPort), TTexts{});
  EXPECT_EQ(Text(rSetup.Main()->cbxPort), "COM77");
}

TEST(Win32PortChange, DuringARunTheListIsRefilledButStaysClosed) {
  TWindowSetup rSetup(true, {}, {"COM3"});
  TScriptedThread::Queue({{cMSG_FAILURE, 20, true}});
  Click(rSetup.Main()->btnProg);
  ASSERT_TRUE(rSetup.Main()->IsRunning());
  rSetup.slPorts = {"COM3", "COM6"};
  ASSERT_TRUE(BroadcastInFront(DBT_DEVICEARRIVAL, DBT_DEVTYP_PORT));
  EXPECT_EQ(Items(rSetup.Main()->cbxPort), (TTexts{"COM3", "COM6"}));
  EXPECT_EQ(Text(rSetup.Main()->cbxPort), "COM3");
  EXPECT_FALSE(DroppedDown(rSetup.Main()->cbxPort));
  EXPECT_FALSE(IsWindowEnabled(rSetup.Main()->cbxPort));
  Click(rSetup.Main()->btnCancel);
  ASSERT_TRUE(WaitIdle());
}

TEST(Win32PortChange, OtherDeviceChangesDoNothing) {
  TWindowSetup rSetup(true, {}, {"COM3"});
  const int nFills = rSetup.nPortListFills;
  rSetup.slPorts = {"COM9"};
  ASSERT_TRUE(BroadcastInFront(DBT_DEVICEARRIVAL, DBT_DEVTYP_VOLUME));
  ASSERT_TRUE(BroadcastInFront(DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_DEVICEINTERFACE));
  SendMessageW(rSetup.Handle(), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
  EXPECT_EQ(rSetup.nPortListFills, nFills);
  EXPECT_EQ(Items(rSetup.Main()->cbxPort), TTexts{"COM3"});
  EXPECT_FALSE(DroppedDown(rSetup.Main()->cbxPort));
}

namespace {

// Another program's window in front: the system's notepad, ended with the object.
class TOtherProgramInFront {
public:
  TOtherProgramInFront() {
    STARTUPINFOW rStartup{};
    rStartup.cb = sizeof(rStartup);
    wchar_t aCommand[] = L"notepad.exe";
    if (!CreateProcessW(nullptr, aCommand, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &rStartup,
                        &FProcess))
      return;
    WaitForInputIdle(FProcess.hProcess, 10000);
    FbInFront = WaitFor(
        [this] {
          DWORD nProcess = 0;
          GetWindowThreadProcessId(GetForegroundWindow(), &nProcess);
          if (nProcess == FProcess.dwProcessId) return true;
          EnumWindows(
              [](HWND hWindow, LPARAM nId) -> BOOL {
                DWORD nOwner = 0;
                GetWindowThreadProcessId(hWindow, &nOwner);
                if (nOwner == static_cast<DWORD>(nId) && IsWindowVisible(hWindow)) {
                  SetForegroundWindow(hWindow);
                  return FALSE;
                }
                return TRUE;
              },
              static_cast<LPARAM>(FProcess.dwProcessId));
          return false;
        },
        10000);
  }
  ~TOtherProgramInFront() {
    if (FProcess.hProcess == nullptr) return;
    TerminateProcess(FProcess.hProcess, 0);
    WaitForSingleObject(FProcess.hProcess, 5000);
    CloseHandle(FProcess.hThread);
    CloseHandle(FProcess.hProcess);
  }
  bool FbInFront = false;

private:
  PROCESS_INFORMATION FProcess{};
};

} // namespace

TEST(Win32PortChange, WhileAnotherProgramIsActiveTheListIsOnlyRefilled) {
  TWindowSetup rSetup(true, {}, {"COM3"});
  const TOtherProgramInFront rOther;
  ASSERT_TRUE(rOther.FbInFront);
  rSetup.slPorts = {"COM3", "COM8"};
  Broadcast(DBT_DEVICEARRIVAL, DBT_DEVTYP_PORT);
  EXPECT_EQ(Items(rSetup.Main()->cbxPort), (TTexts{"COM3", "COM8"}));
  EXPECT_FALSE(DroppedDown(rSetup.Main()->cbxPort));
}
