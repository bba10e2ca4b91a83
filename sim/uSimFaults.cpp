#include "uSimFaults.h"

#include <array>
#include <utility>

#include "uSimUsage.h"

namespace {

constexpr std::array<std::pair<const char*, TFaultKind>, 7> cFAULT_KINDS{{
    {"silent", TFaultKind::Silent},
    {"short", TFaultKind::Short},
    {"crc", TFaultKind::Crc},
    {"noise", TFaultKind::Noise},
    {"status", TFaultKind::Status},
    {"echo", TFaultKind::Echo},
    {"hangup", TFaultKind::Hangup},
}};

constexpr std::array<std::pair<const char*, TFaultTarget>, 10> cFAULT_TARGETS{{
    {"frame", TFaultTarget::Frame},
    {"line", TFaultTarget::Line},
    {"prog", TFaultTarget::Prog},
    {"ident", TFaultTarget::Ident},
    {"serial", TFaultTarget::Serial},
    {"entry", TFaultTarget::Entry},
    {"platform", TFaultTarget::Platform},
    {"upid", TFaultTarget::Upid},
    {"start", TFaultTarget::Start},
    {"end", TFaultTarget::End},
}};

bool IsFrameTarget(TFaultTarget Target) {
  return Target == TFaultTarget::Frame || Target == TFaultTarget::Ident ||
         Target == TFaultTarget::Serial;
}

// The entry frame and the end command get no answer that a fault could spoil.
bool HasAnswer(TFaultTarget Target) {
  return Target != TFaultTarget::Entry && Target != TFaultTarget::End;
}

std::vector<std::string> SplitFields(const std::string& sText) {
  std::vector<std::string> aFields;
  std::size_t nStart = 0;
  for (;;) {
    const std::size_t nColon = sText.find(':', nStart);
    aFields.push_back(sText.substr(nStart, nColon - nStart));
    if (nColon == std::string::npos) return aFields;
    nStart = nColon + 1;
  }
}

[[noreturn]] void BadSpec(const std::string& sSpec, const std::string& sWhy) {
  throw ESimUsage("--fault " + sSpec + ": " + sWhy);
}

} // namespace

const char* FaultKindName(TFaultKind Kind) {
  for (const auto& [sName, Each] : cFAULT_KINDS)
    if (Each == Kind) return sName;
  return "none";
}

const char* FaultTargetName(TFaultTarget Target) {
  for (const auto& [sName, Each] : cFAULT_TARGETS)
    if (Each == Target) return sName;
  return "?";
}

void TFaultPlan::AddSpec(const std::string& sSpec) {
  const std::vector<std::string> aFields = SplitFields(sSpec);
  if (aFields.size() == 1 && aFields[0] == "no-bootloader") {
    FbNoBootloader = true;
    return;
  }
  if (aFields[0] == "restart-class") {
    if (aFields.size() != 2) BadSpec(sSpec, "expected restart-class:C");
    FonRestartClass = static_cast<std::uint16_t>(ParseSimNumber(aFields[1], 0xFFFF, "--fault"));
    return;
  }
  if (aFields.size() != 3 && aFields.size() != 4)
    BadSpec(sSpec, "expected KIND:TARGET:N[:always], no-bootloader or restart-class:C");

  TFault Fault;
  bool bKnown = false;
  for (const auto& [sName, Kind] : cFAULT_KINDS)
    if (aFields[0] == sName) {
      Fault.Kind = Kind;
      bKnown = true;
    }
  if (!bKnown) BadSpec(sSpec, "unknown kind \"" + aFields[0] + "\"");
  bKnown = false;
  for (const auto& [sName, Target] : cFAULT_TARGETS)
    if (aFields[1] == sName) {
      Fault.Target = Target;
      bKnown = true;
    }
  if (!bKnown) BadSpec(sSpec, "unknown target \"" + aFields[1] + "\"");
  Fault.nIndex = ParseSimNumber(aFields[2], 0xFFFFFFFFu, "--fault");
  if (Fault.nIndex == 0) BadSpec(sSpec, "N counts from 1");
  if (aFields.size() == 4) {
    if (aFields[3] != "always") BadSpec(sSpec, "the fourth field can only be \"always\"");
    Fault.bAlways = true;
  }
  if (Fault.Kind == TFaultKind::Status && !IsFrameTarget(Fault.Target))
    BadSpec(sSpec, "status applies to frame, ident and serial only");
  if ((Fault.Kind == TFaultKind::Short || Fault.Kind == TFaultKind::Crc ||
       Fault.Kind == TFaultKind::Noise) &&
      !HasAnswer(Fault.Target))
    BadSpec(sSpec, std::string(aFields[1]) + " gets no answer: only silent and hangup apply");
  if (Fault.Kind == TFaultKind::Echo && Fault.Target != TFaultTarget::Prog)
    BadSpec(sSpec, "echo applies to prog only");
  FaFaults.push_back(Fault);
}

TFaultKind TFaultPlan::Decide(TFaultTarget Target, std::uint32_t nIndex) {
  for (TFault& Fault : FaFaults) {
    if (Fault.Target != Target) continue;
    if (Fault.bAlways ? nIndex < Fault.nIndex : (nIndex != Fault.nIndex || Fault.bFired)) continue;
    Fault.bFired = true;
    return Fault.Kind;
  }
  return TFaultKind::None;
}
