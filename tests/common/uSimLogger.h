// Test support: runs the build's tarvik-logger-sim as the serial peer of a test.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class TSimLogger { // starts the build's tarvik-logger-sim, stops it in the destructor
public:
  // Starts the simulator with aArgs (plus --flash-out and --trace into a private temporary
  // directory) and waits for the port line. Raises std::runtime_error if it does not come.
  explicit TSimLogger(std::vector<std::string> aArgs = {});
  ~TSimLogger(); // SIGTERM and wait, if still running; removes the temporary directory
  TSimLogger(const TSimLogger&) = delete;
  TSimLogger& operator=(const TSimLogger&) = delete;

  const std::string& Port() const;                   // the name to pass to OpenPort / --port
  int Stop();                                        // SIGTERM, wait, return exit status
  std::string FlashOutPath() const;                  // a temp file passed as --flash-out
  std::string TracePath() const;                     // a temp file passed as --trace
  std::map<std::uint32_t, std::uint8_t> ReadFlash(); // Stop() if needed, parse flash-out
  std::string TraceTail(std::size_t nLines) const;   // the trace's last lines, as text

private:
  void ReportIfTestFailed() const; // the trace's tail to stderr, before it is removed
  std::string FsDir;
  std::string FsPort;
  long long FnPid = -1; // the process (or handle) of the running simulator, -1 when stopped
  int FnExitStatus = -1;
};

// Asked when a simulator is dropped: whether the running test has failed, so that the tail of
// the simulator's trace (what it saw and answered) goes to stderr. GoogleTest's answer by
// default; a Qt Test program sets its own.
extern bool (*gpSimTestFailed)();

// The bytes of an Intel-HEX text (types 00, 01, 04 and 02), by byte address. Raises
// std::runtime_error on a line that is not a valid record.
std::map<std::uint32_t, std::uint8_t> ParseIntelHex(const std::string& sText);

// The path of the simulator program this build made.
std::string SimLoggerProgram();
