// tarvik-logger-sim: a simulated Tarvik logger on a pseudo-terminal.
#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <sys/signalfd.h>
#include <utility>
#include <vector>

#include "uSimOptions.h"
#include "uSimServer.h"
#include "uVersion.h"

namespace {

constexpr int cEXIT_USAGE = 2;

int UsageError(const std::string& sMessage) {
  std::fprintf(stderr, "tarvik-logger-sim: %s\nTry 'tarvik-logger-sim --help'.\n",
               sMessage.c_str());
  return cEXIT_USAGE;
}

// Blocks the stop signals and returns a descriptor that reports them to the poll loop.
int StopSignals() {
  sigset_t Set;
  sigemptyset(&Set);
  sigaddset(&Set, SIGINT);
  sigaddset(&Set, SIGTERM);
  sigaddset(&Set, SIGHUP);
  sigprocmask(SIG_BLOCK, &Set, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
  return signalfd(-1, &Set, SFD_CLOEXEC);
}

} // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]) == "--version") {
      std::printf("tarvik-logger-sim %s\n", cVERSION_TEXT);
      return 0;
    }
  TSimOptions Options;
  try {
    Options = ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const ESimUsage& Error) {
    return UsageError(Error.what());
  }
  if (Options.bHelp) {
    std::fputs(SimHelpText(), stdout);
    return 0;
  }
  TSimFlash Flash;
  if (!Options.sFlashIn.empty() && !Flash.Load(Options.sFlashIn))
    return UsageError("cannot read --flash-in " + Options.sFlashIn +
                      " (Intel HEX as --flash-out writes it)");
  // The flash file from the start: a simulator that is killed still leaves one behind.
  if (!Options.sFlashOut.empty() && !Flash.Save(Options.sFlashOut))
    return UsageError("cannot write --flash-out " + Options.sFlashOut);

  const int hSignal = StopSignals();
  if (hSignal < 0) {
    std::perror("tarvik-logger-sim: signalfd");
    return 1;
  }
  TSimServer Server(Options, std::move(Flash));
  try {
    Server.Open();
  } catch (const std::exception& Error) {
    return UsageError(Error.what());
  }
  std::printf("%s\n", Server.PortPath().c_str());
  std::fflush(stdout);
  return Server.Run(hSignal);
}
