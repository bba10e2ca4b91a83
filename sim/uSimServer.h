// The simulator's single-threaded poll loop: port, input, logger, output, timers, signals.
#pragma once

#include "uLoggerModel.h"
#include "uSimInput.h"
#include "uSimOutput.h"
#include "uSimPty.h"
#include "uSimTrace.h"

class TSimServer {
public:
  // Flash: the flash content at power-on.
  explicit TSimServer(const TSimOptions& Options, TSimFlash Flash = {});

  // Creates the port (and --link) and opens the trace. Raises std::system_error.
  void Open();
  const std::string& PortPath() const { return FPty.SlavePath(); }

  // Serves until SIGINT, SIGTERM or SIGHUP (the signals must already be blocked and are taken
  // from hSignal, a signalfd) or until a hang-up fault. Writes --flash-out at the end.
  // Returns the exit status.
  int Run(int hSignal);

private:
  using TClock = std::chrono::steady_clock;
  void AdvanceTime(TClock::time_point tNow);  // completes a restart that has come due
  bool ReceiveBytes(TClock::time_point tNow); // false when the port is to vanish
  bool SendDueBytes(TClock::time_point tNow); // false when the port is full
  void Finish();

  TSimOptions FOptions;
  TSimPty FPty;
  TSimInput FInput;
  TSimOutput FOutput;
  TSimTrace FTrace;
  TLoggerModel FModel;
};
