// Command-line options of the simulated logger.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "uSimFaults.h"
#include "uSimUsage.h"

struct TSimOptions {
  std::uint16_t nAppClass = 0x6601;
  std::uint16_t nAppVersion = 0x0614;
  std::uint32_t nSerial = 12345;
  bool bStartInBootloader = false;
  std::uint16_t nBlClass = 0xC802;
  std::uint16_t nBlVersion = 0;
  std::uint16_t nPlatform = 24;
  std::uint16_t nPrint = 53;
  std::uint16_t nInfo = 0;
  std::uint16_t nUpidClass = 0x6601;
  std::uint16_t nUpidPlatform = 24;
  std::uint16_t nUpidPrint = 53;
  std::optional<std::uint16_t> onUpidCrc; // empty: the correct CRC-16
  std::uint32_t nRestartMs = 300;
  std::uint32_t nBaud = 0; // 0: bytes leave at once
  std::string sFlashOut;
  std::string sFlashIn;
  std::string sTrace;
  std::string sLink;
  TFaultPlan FaultPlan;
  bool bHelp = false;
};

// Parses the arguments after the program name. Raises ESimUsage on anything it cannot use.
TSimOptions ParseSimOptions(const std::vector<std::string>& aArgs);

// The --help text.
const char* SimHelpText();
