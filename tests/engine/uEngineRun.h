// Test helpers for the update engine: run one worker against the simulated logger and keep
// every notification; loggers that fit each carried image; the bytes an image should leave.
#pragma once

#include "catalogue/uFWVersions.h"
#include "engine/uSwitches.h"
#include "engine/uTarvikCommThread.h"
#include "worker/uMessages.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct TRunLog {
  std::vector<TNotification> aNotes;

  const TNotification& Final() const { return aNotes.back(); }
  std::vector<std::uint32_t> Codes() const;
  std::vector<std::uint32_t> ValuesOf(std::uint32_t nCode) const;
  // The note right before the final one.
  const TNotification& BeforeFinal() const { return aNotes.at(aNotes.size() - 2); }
};

// The switches, gnFwIndex, gbReadInfoOnly and gbCancel as at program start.
void ResetEngineState();

// Runs one worker of the engine on sPort and collects its notifications up to the final one
// (at most a minute). sStopAfterCode: when a notification with this code arrives, gbCancel is
// set (the run should then end with 20).
TRunLog RunEngine(const std::string& sPort, TCmd cmd = TCmd::tCMD0,
                  std::uint32_t nCancelOnCode = 0xFFFFFFFF);

// Simulator options for a logger in its application that fits carried image nImage.
std::vector<std::string> LoggerFor(std::int32_t nImage);

// The bytes image nIndex puts into the logger's flash, by byte address.
std::map<std::uint32_t, std::uint8_t> ImageBytes(std::int32_t nIndex);

// The byte address of the last data line the simulator programmed, from its trace.
std::int64_t LastProgrammedAddress(const std::string& sTracePath);
// The whole trace text.
std::string ReadText(const std::string& sPath);

// One line of the simulator's trace: its time since the simulator started, "in", "out" or
// "--" (a note), and the rest of the line.
struct TSimTraceLine {
  std::int64_t nMicros;
  std::string sKind;
  std::string sText;
};
std::vector<TSimTraceLine> ReadSimTrace(const std::string& sTracePath);

// A temporary firmware file with the given header values and lines; removed by the destructor.
class TTempFile {
public:
  explicit TTempFile(const std::string& sContent);
  ~TTempFile();
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;
  const std::string& Path() const { return FsPath; }

private:
  std::string FsPath;
};

// A firmware file text: header for class 0x6601, platform 24, print 53, BL3.0, then the lines.
std::string FirmwareFileText(const std::vector<std::string>& slLines);

// Image 0 set to the header of FirmwareFileText and these lines without the file reader, which
// would refuse lines the engine must still guard against; gnFwIndex 0.
void UseFileImage(const std::vector<std::string>& slLines);
