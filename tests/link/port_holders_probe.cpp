// Test helper: the holder check and an open of a port, as whatever user runs this program.
// Usage: port_holders_probe PORT TRACEFILE
// Prints "listed 0|1", then "holder PID NAME" and "unseen PID" lines, then "open ok|failed";
// the open's byte trace goes to TRACEFILE. A failed open is followed by what the link kept of
// it: "fault N", "call NAME", "error ERRNO", "holders-unseen 0|1", and
// "access USER OWNER GROUP MODE(octal) USER-IN-GROUP PROCESS-IN-GROUP".
#include "link/uPortHolders.h"
#include "link/uRS232.h"

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: port_holders_probe PORT TRACEFILE\n", stderr);
    return 2;
  }
  const TPortHolders holders = FindPortHolders(argv[1]);
  std::printf("listed %d\n", holders.bListed ? 1 : 0);
  for (const TPortHolder& holder : holders.aHolders)
    std::printf("holder %d %s\n", holder.nPid, holder.sName.c_str());
  for (const int nPid : holders.aUnseen)
    std::printf("unseen %d\n", nPid);
  if (!OpenPortTrace(argv[2])) return 1;
  const TPortHandle hPort = OpenPort(argv[1], 9600);
  std::printf("open %s\n", hPort == cINVALID_PORT ? "failed" : "ok");
  ClosePortHandle(hPort);
  ClosePortTrace();
  if (const std::optional<TOpenFailure> rFailure = LastOpenFailure(argv[1])) {
    const TDeviceAccess& rAccess = rFailure->rAccess;
    std::printf("fault %d\ncall %s\nerror %d\nholders-unseen %d\n",
                static_cast<int>(rFailure->eFault), rFailure->sCall.c_str(), rFailure->nError,
                rFailure->bHoldersUnseen ? 1 : 0);
    std::printf("access %s %s %s %o %d %d\n", rAccess.sUser.c_str(), rAccess.sOwner.c_str(),
                rAccess.sGroup.c_str(), static_cast<unsigned>(rAccess.nMode),
                rAccess.bUserInGroup ? 1 : 0, rAccess.bProcessInGroup ? 1 : 0);
  }
  return 0;
}
