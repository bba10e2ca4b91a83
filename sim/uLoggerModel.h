// The logger's behaviour as seen from the serial line: its application, its restarts, its
// bootloader and programming, with faults injected where the options ask for them.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "uSimFlash.h"
#include "uSimInput.h"
#include "uSimLines.h"
#include "uSimOptions.h"

enum class TLoggerState { Application, Restarting, Bootloader, Programming };

const char* LoggerStateName(TLoggerState State);

// What the logger does in answer to one received item.
struct TLoggerReply {
  std::string sAnswer;  // bytes to send; empty for none
  bool bHangup = false; // the port vanishes now
  std::string sNote;    // for the trace: what the logger made of the item
};

class TLoggerModel {
public:
  using TClock = std::chrono::steady_clock;

  // Flash: what the flash holds at power-on (--flash-in); empty by default.
  explicit TLoggerModel(TSimOptions Options, TSimFlash Flash = {});

  TLoggerReply OnItem(const TSimItem& Item, TClock::time_point tNow);

  // Completes a restart whose time has come. Returns a note when the state changed.
  std::string OnTime(TClock::time_point tNow);

  // When the pending restart completes; only meaningful while Restarting.
  TClock::time_point RestartDue() const { return FtRestartDue; }

  TLoggerState State() const { return FState; }
  std::uint16_t AppClass() const { return FnAppClass; }
  const TSimFlash& Flash() const { return FFlash; }

  // The address field of the update-ID request: first address of memory range 1 of the
  // platform, in 64-byte blocks on class 0xC802.
  std::uint16_t UpidRequestAddress() const;

  // The 64 data bytes of the update-ID block.
  std::vector<std::uint8_t> UpidBlock() const;

private:
  TLoggerReply OnFrame(const std::string& sFrame, TClock::time_point tNow);
  TLoggerReply OnLine(const std::string& sLine, TClock::time_point tNow);
  TLoggerReply OnBootloaderRequest(const TSimRecord& Record, TClock::time_point tNow);
  TLoggerReply OnDataLine(const std::string& sLine, const TSimRecord& Record);
  void Restart(TLoggerState Target, TClock::time_point tNow);
  std::uint8_t BootloaderCommand(std::uint8_t byCommand) const;
  // The fault target that counts a request with this command byte; none for unknown ones.
  std::optional<TFaultTarget> RequestTarget(std::uint8_t byCommand) const;

  TSimOptions FOptions;
  TLoggerState FState;
  TLoggerState FRestartTarget = TLoggerState::Application;
  TClock::time_point FtRestartDue{};
  std::uint16_t FnAppClass;
  std::uint32_t FnFrames = 0;  // answerable frames received over the whole life
  std::uint32_t FnLines = 0;   // valid lines the bootloader received over the whole life
  std::uint32_t FnProg = 0;    // data lines since the last start-programming command
  std::uint32_t FnIdents = 0;  // identify frames, answered or not, over the whole life
  std::uint32_t FnSerials = 0; // serial-number requests over the whole life
  std::uint32_t FnEntries = 0; // bootloader-entry frames received in the application
  std::map<TFaultTarget, std::uint32_t> FaRequests; // bootloader requests, over the whole life
  TSimFlash FFlash;
};
