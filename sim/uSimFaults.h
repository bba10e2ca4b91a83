// Fault injection: the --fault grammar and the decision for each frame, line and data line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class TFaultKind { None, Silent, Short, Crc, Noise, Status, Echo, Hangup };
// Frame, Line and Prog count items of any kind; the others count one request each, so that a
// fault lands on the same step of the procedure however the items before it went.
enum class TFaultTarget {
  Frame,    // answered frames: identify and serial number
  Line,     // valid hex lines the bootloader receives
  Prog,     // data lines since the last start-programming command
  Ident,    // identify frames, in the application or the bootloader
  Serial,   // serial-number requests (application)
  Entry,    // bootloader-entry frames (application)
  Platform, // platform requests
  Upid,     // update-ID requests
  Start,    // start-programming commands
  End       // end-programming commands
};

struct TFault {
  TFaultKind Kind = TFaultKind::None;
  TFaultTarget Target = TFaultTarget::Frame;
  std::uint32_t nIndex = 1; // 1-based
  bool bAlways = false;     // on nIndex and every later item, else on nIndex only
  bool bFired = false;      // a one-shot fault fires once over the simulator's life
};

class TFaultPlan {
public:
  // Adds one --fault value. Raises ESimUsage for anything outside the grammar.
  void AddSpec(const std::string& sSpec);

  // The fault for the nIndex-th item of a target (1-based), or None. The first matching
  // fault in the order given wins; a one-shot fault is used up by this call.
  TFaultKind Decide(TFaultTarget Target, std::uint32_t nIndex);

  bool NoBootloader() const { return FbNoBootloader; }
  std::optional<std::uint16_t> RestartClass() const { return FonRestartClass; }
  const std::vector<TFault>& Faults() const { return FaFaults; }

private:
  std::vector<TFault> FaFaults;
  bool FbNoBootloader = false;
  std::optional<std::uint16_t> FonRestartClass;
};

const char* FaultKindName(TFaultKind Kind);

// What a noise fault puts before an answer: a line end and a prompt, as a logger might print.
constexpr const char* cSIM_NOISE = "\r\n>";
const char* FaultTargetName(TFaultTarget Target);
