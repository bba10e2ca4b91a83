// The Tarvik update procedure: identification and bootloader entry, image selection,
// programming and verification.
#pragma once

#include "worker/uCommThread.h"

#include <atomic>
#include <cstdint>

extern bool gbReadInfoOnly;          // the run ends with 70 once an image is chosen
extern bool gbReadInfoOnlySupported; // true: the engine supports read-info-only runs

// The serial number that the latest update run read from the logger (only a logger of the
// served class in its application tells it); -1 when that run read none. Written by the
// worker before its final notification, for front ends that keep a record of each logger.
extern std::atomic<std::int64_t> gnSerialNumber;

class TTarvikCommThread : public TCommThread {
public:
  TTarvikCommThread(TWindowHandle hWindow, TCmd cmd, std::string sPort);

  static bool isRestrictedSN(std::uint32_t nSN);

protected:
  void DoCommand() override;
  void DoUpdate() override;

private:
  struct TUpdateRun; // the values of one run of the update procedure

  // The steps of DoUpdate, in the order they run.
  void Identify(TUpdateRun& rRun);
  void EnterBootloader(TUpdateRun& rRun);
  void ReadHardwareInfo(TUpdateRun& rRun);
  void SelectImage(TUpdateRun& rRun);
  void CheckImage(TUpdateRun& rRun);
  void Program(TUpdateRun& rRun);
  void Verify(TUpdateRun& rRun);

  // Sends the type-5 request byCommand at wAddress and decodes the answer of byCount data
  // bytes into gaRecord; failure 46 when no valid record comes back.
  void ReadInfoRecord(std::uint16_t wAddress, std::uint8_t byCommand, std::uint8_t byCount);
  // Sends a one-byte bootloader command; byCount answer bytes are expected (0: none).
  void SendBootloaderCommand(std::uint8_t byCommand, std::uint8_t byCount);
  // Programs one 64-byte data line and checks its echo; failure 44 (after cMSG_PROG_ERROR
  // with nIndex) when the echo differs.
  void ProgramLine(const std::string& sLine, std::int32_t nIndex);
};
