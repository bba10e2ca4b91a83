// The Tarvik update procedure: identification and bootloader entry, image selection,
// programming and verification.
#pragma once

#include "worker/uCommThread.h"

#include <cstdint>

extern bool gbReadInfoOnly;           // the run ends with 70 once an image is chosen
extern bool gbReadInfoOnlySupported;  // true: the engine supports read-info-only runs

class TTarvikCommThread : public TCommThread {
public:
  TTarvikCommThread(TWindowHandle hWindow, TCmd cmd, std::string sPort);

  static bool isRestrictedSN(std::uint32_t nSN);

protected:
  void DoCommand() override;
  void DoUpdate() override;
};
