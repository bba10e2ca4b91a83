// What the soak knows of the carried images: the simulated loggers that each one fits, and
// the flash an update must leave behind.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

using TFlashBytes = std::map<std::uint32_t, std::uint8_t>;

// A simulated logger for which the tool must choose a known image.
struct TSoakLogger {
  std::string sName;              // "image 12 (0xC802)", for the report
  std::vector<std::string> aArgs; // the simulator's options that make this logger
  std::int32_t nImage = 0;        // the image its update must program
  bool bInfoRecords = true;       // false: the first bootloader reads no hardware information
  std::uint32_t nDataLines = 0;   // 64-byte data lines the update sends
};

// One logger per carried image (with the bootloader generation its header names), and the
// first bootloader (0xC800) for the image of platform 0 and print 0. Left out: the image for
// restricted serial numbers, which a run that starts in the bootloader does not choose.
// Reads the catalogue; call before any thread starts.
std::vector<TSoakLogger> SoakLoggers();

// The bytes that programming image nImage leaves in the logger's flash: its 64-byte data
// records at their byte address (block number times 64 on the third bootloader generation).
// Decoded here, not by the tool's codec. Reads the catalogue.
TFlashBytes ImageFlash(std::int32_t nImage);

// The bytes of an Intel-HEX text (data, type 04 and end records). False on a line that is not
// a valid record.
bool ParseFlashText(const std::string& sText, TFlashBytes& aBytes);
