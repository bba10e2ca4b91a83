#include "uLoggerModel.h"

#include <array>
#include <cstdio>

#include "catalogue/uCodeTables.h"
#include "link/uCrc.h"
#include "uSimFrames.h"
#include "uSimLines.h"

namespace {

constexpr std::uint8_t cFRAME_IDENT = 0x81; // command 1 with bit 7 set
constexpr std::uint8_t cIDENT_CLASS = 0x00;
constexpr std::uint8_t cIDENT_SN = 0x03;
constexpr std::array<std::uint8_t, 7> cFRAME_BOOT{0x82, 0x81, 0x00, 0xA5, 0x5A, 0x00, 0x00};
constexpr std::array<std::uint8_t, 7> cFRAME_BOOT_OLD{0x85, 0x03, 0xA5, 0x5A, 0x00, 0x00, 0x00};

constexpr std::uint8_t cTYPE_DATA = 0x00;
constexpr std::uint8_t cTYPE_REQUEST = 0x05;
constexpr std::uint8_t cBL_PLATFORM = 0x20;
constexpr std::uint8_t cBL_UPID = 0x30;
constexpr std::uint8_t cBL_PROG_START = 0x31;
constexpr std::uint8_t cBL_PROG_END = 0x33;
constexpr std::uint8_t cBL_PROG_START_OLD = 0x11; // bootloader class 0xC800
constexpr std::uint8_t cBL_PROG_END_OLD = 0x13;
constexpr std::size_t cUPID_BLOCK_SIZE = 64;
constexpr std::uint32_t cBLOCK_SIZE = 64; // address unit of bootloader class 0xC802

bool FrameIs(const std::string& sFrame, const std::array<std::uint8_t, 7>& aBytes) {
  for (std::size_t i = 0; i < aBytes.size(); ++i)
    if (static_cast<std::uint8_t>(sFrame[i]) != aBytes[i]) return false;
  return true;
}

std::string Hex4(std::uint32_t nValue) {
  char sText[16];
  std::snprintf(sText, sizeof sText, "0x%04X", nValue);
  return sText;
}

void PutWordLow(std::vector<std::uint8_t>& aData, std::uint16_t nWord) {
  aData.push_back(static_cast<std::uint8_t>(nWord & 0xFF));
  aData.push_back(static_cast<std::uint8_t>(nWord >> 8));
}

void PutWordHigh(std::vector<std::uint8_t>& aData, std::uint16_t nWord) {
  aData.push_back(static_cast<std::uint8_t>(nWord >> 8));
  aData.push_back(static_cast<std::uint8_t>(nWord & 0xFF));
}

} // namespace

const char* LoggerStateName(TLoggerState State) {
  switch (State) {
  case TLoggerState::Application:
    return "application";
  case TLoggerState::Restarting:
    return "restarting";
  case TLoggerState::Bootloader:
    return "bootloader";
  case TLoggerState::Programming:
    return "programming";
  }
  return "?";
}

TLoggerModel::TLoggerModel(TSimOptions Options, TSimFlash Flash)
    : FOptions(std::move(Options)),
      FState(FOptions.bStartInBootloader ? TLoggerState::Bootloader : TLoggerState::Application),
      FnAppClass(FOptions.nAppClass), FFlash(std::move(Flash)) {}

TLoggerReply TLoggerModel::OnItem(const TSimItem& Item, TClock::time_point tNow) {
  if (FState == TLoggerState::Restarting) return {{}, false, "ignored: the logger is restarting"};
  return Item.Kind == TSimItemKind::Frame ? OnFrame(Item.sBytes, tNow) : OnLine(Item.sBytes, tNow);
}

std::string TLoggerModel::OnTime(TClock::time_point tNow) {
  if (FState != TLoggerState::Restarting || tNow < FtRestartDue) return {};
  FState = FRestartTarget;
  if (FState == TLoggerState::Application) {
    FnAppClass = FOptions.FaultPlan.RestartClass().value_or(FOptions.nAppClass);
    return "up: application, class " + Hex4(FnAppClass);
  }
  return "up: bootloader, class " + Hex4(FOptions.nBlClass);
}

void TLoggerModel::Restart(TLoggerState Target, TClock::time_point tNow) {
  FState = TLoggerState::Restarting;
  FRestartTarget = Target;
  FtRestartDue = tNow + std::chrono::milliseconds(FOptions.nRestartMs);
}

TLoggerReply TLoggerModel::OnFrame(const std::string& sFrame, TClock::time_point tNow) {
  if (IsWakeFrame(sFrame)) return {{}, false, "wake frame"};
  if (!FrameCrcIsValid(sFrame)) return {{}, false, "ignored: frame with a wrong CRC-8"};

  const bool bInApplication = FState == TLoggerState::Application;
  if (FrameIs(sFrame, cFRAME_BOOT) || FrameIs(sFrame, cFRAME_BOOT_OLD)) {
    if (!bInApplication) return {{}, false, "ignored: bootloader entry in the bootloader"};
    const std::string sWhere = "bootloader entry (entry " + std::to_string(++FnEntries) + ")";
    const TFaultKind Fault = FOptions.FaultPlan.Decide(TFaultTarget::Entry, FnEntries);
    if (Fault == TFaultKind::Hangup) return {{}, true, sWhere + ", fault hangup"};
    if (Fault == TFaultKind::Silent) return {{}, false, "ignored: " + sWhere + ", fault silent"};
    if (FOptions.FaultPlan.NoBootloader())
      return {{}, false, "ignored: " + sWhere + " (fault no-bootloader)"};
    Restart(TLoggerState::Bootloader, tNow);
    return {{}, false, sWhere + ": restarting"};
  }

  const std::uint8_t byCommand = static_cast<std::uint8_t>(sFrame[0]);
  const std::uint8_t byRequest = static_cast<std::uint8_t>(sFrame[1]);
  std::array<std::uint8_t, 7> aAnswer{};
  std::string sNote;
  TFaultTarget Target = TFaultTarget::Ident;
  std::uint32_t nCount = 0;
  if (byCommand == cFRAME_IDENT && byRequest == cIDENT_CLASS) {
    nCount = ++FnIdents;
    const std::uint16_t nClass = bInApplication ? FnAppClass : FOptions.nBlClass;
    const std::uint16_t nVersion = bInApplication ? FOptions.nAppVersion : FOptions.nBlVersion;
    aAnswer[2] = static_cast<std::uint8_t>(nClass >> 8);
    aAnswer[3] = static_cast<std::uint8_t>(nClass & 0xFF);
    aAnswer[4] = static_cast<std::uint8_t>(nVersion >> 8);
    aAnswer[5] = static_cast<std::uint8_t>(nVersion & 0xFF);
    sNote = "identify: class " + Hex4(nClass) + ", version " + Hex4(nVersion);
  } else if (byCommand == cFRAME_IDENT && byRequest == cIDENT_SN && bInApplication) {
    Target = TFaultTarget::Serial;
    nCount = ++FnSerials;
    for (int i = 0; i < 4; ++i)
      aAnswer[1 + i] = static_cast<std::uint8_t>(FOptions.nSerial >> (8 * i));
    sNote = "serial number " + std::to_string(FOptions.nSerial);
  } else {
    return {{}, false, "ignored: unknown frame"};
  }

  // Both counts advance, so each fault lands on its own item whatever else fired.
  TFaultKind Fault = FOptions.FaultPlan.Decide(TFaultTarget::Frame, ++FnFrames);
  const TFaultKind StepFault = FOptions.FaultPlan.Decide(Target, nCount);
  if (Fault == TFaultKind::None) Fault = StepFault;
  sNote += " (frame " + std::to_string(FnFrames) + ", " + FaultTargetName(Target) + " " +
           std::to_string(nCount) + ")";
  if (Fault == TFaultKind::Hangup) return {{}, true, sNote + ", fault hangup"};
  if (Fault == TFaultKind::Silent) return {{}, false, sNote + ", fault silent"};
  std::string sAnswer = BuildAnswerFrame(aAnswer);
  ApplyFrameFault(Fault, sAnswer);
  if (Fault != TFaultKind::None) sNote += std::string(", fault ") + FaultKindName(Fault);
  return {sAnswer, false, sNote};
}

TLoggerReply TLoggerModel::OnLine(const std::string& sLine, TClock::time_point tNow) {
  if (FState == TLoggerState::Application)
    return {{}, false, "ignored: hex line in the application"};
  TSimRecord Record;
  if (!DecodeSimLine(sLine, Record)) return {{}, false, "ignored: invalid hex line"};

  const bool bData =
      Record.byType == cTYPE_DATA && FState == TLoggerState::Programming && !Record.aData.empty();
  const bool bRequest = Record.byType == cTYPE_REQUEST && Record.aData.size() == 1;
  TFaultKind Fault = FOptions.FaultPlan.Decide(TFaultTarget::Line, ++FnLines);
  std::string sWhere = "line " + std::to_string(FnLines);
  TFaultKind StepFault = TFaultKind::None;
  if (bData) {
    StepFault = FOptions.FaultPlan.Decide(TFaultTarget::Prog, ++FnProg);
    sWhere += ", prog " + std::to_string(FnProg);
  } else if (bRequest) {
    if (const std::optional<TFaultTarget> Target = RequestTarget(Record.aData[0])) {
      const std::uint32_t nCount = ++FaRequests[*Target];
      StepFault = FOptions.FaultPlan.Decide(*Target, nCount);
      sWhere += std::string(", ") + FaultTargetName(*Target) + " " + std::to_string(nCount);
    }
  }
  if (Fault == TFaultKind::None) Fault = StepFault;
  if (Fault == TFaultKind::Hangup) return {{}, true, sWhere + ": fault hangup"};
  if (Fault == TFaultKind::Silent) return {{}, false, sWhere + ": ignored, fault silent"};

  TLoggerReply Reply;
  if (bData)
    Reply = OnDataLine(sLine, Record);
  else if (bRequest)
    Reply = OnBootloaderRequest(Record, tNow);
  else
    Reply = {{}, false, "ignored: unknown record"};

  ApplyLineFault(Fault, Reply.sAnswer);
  Reply.sNote = sWhere + ": " + Reply.sNote;
  if (Fault != TFaultKind::None) Reply.sNote += std::string(", fault ") + FaultKindName(Fault);
  return Reply;
}

std::uint8_t TLoggerModel::BootloaderCommand(std::uint8_t byCommand) const {
  if (FOptions.nBlClass != cCLASS_BL) return byCommand;
  // The first bootloader knows only its own start and end codes.
  if (byCommand == cBL_PROG_START_OLD) return cBL_PROG_START;
  if (byCommand == cBL_PROG_END_OLD) return cBL_PROG_END;
  return 0;
}

std::optional<TFaultTarget> TLoggerModel::RequestTarget(std::uint8_t byCommand) const {
  switch (BootloaderCommand(byCommand)) {
  case cBL_PLATFORM:
    return TFaultTarget::Platform;
  case cBL_UPID:
    return TFaultTarget::Upid;
  case cBL_PROG_START:
    return TFaultTarget::Start;
  case cBL_PROG_END:
    return TFaultTarget::End;
  default:
    return std::nullopt;
  }
}

TLoggerReply TLoggerModel::OnBootloaderRequest(const TSimRecord& Record, TClock::time_point tNow) {
  TSimRecord Answer{Record.nAddress, cTYPE_DATA, {}};
  switch (BootloaderCommand(Record.aData[0])) {
  case cBL_PLATFORM:
    PutWordHigh(Answer.aData, FOptions.nPlatform);
    PutWordHigh(Answer.aData, FOptions.nPrint);
    PutWordHigh(Answer.aData, FOptions.nInfo);
    return {EncodeSimLine(Answer), false, "platform request"};
  case cBL_UPID:
    if (Record.nAddress != UpidRequestAddress()) {
      Answer.aData.assign(cUPID_BLOCK_SIZE, 0xFF);
      return {EncodeSimLine(Answer), false,
              "update-ID request at " + Hex4(Record.nAddress) + ", not the block " +
                  Hex4(UpidRequestAddress()) + ": all 0xFF"};
    }
    Answer.aData = UpidBlock();
    return {EncodeSimLine(Answer), false, "update-ID request"};
  case cBL_PROG_START:
    FState = TLoggerState::Programming;
    FnProg = 0;
    Answer.aData.push_back(Record.aData[0]);
    return {EncodeSimLine(Answer), false, "start programming"};
  case cBL_PROG_END:
    Restart(TLoggerState::Application, tNow);
    return {{}, false, "end programming: restarting"};
  default:
    return {{}, false, "ignored: unknown request"};
  }
}

TLoggerReply TLoggerModel::OnDataLine(const std::string& sLine, const TSimRecord& Record) {
  const std::uint32_t nAddress =
      FOptions.nBlClass == cCLASS_BL3 ? Record.nAddress * cBLOCK_SIZE : Record.nAddress;
  FFlash.Write(nAddress, Record.aData);
  return {sLine, false,
          "programmed " + std::to_string(Record.aData.size()) + " bytes at " + Hex4(nAddress)};
}

std::uint16_t TLoggerModel::UpidRequestAddress() const {
  TPlatformInfo Info;
  PlatformInfo(FOptions.nPlatform, Info);
  std::uint32_t nAddress = Info.aRange[0].nFirst;
  if (FOptions.nBlClass == cCLASS_BL3) nAddress /= cBLOCK_SIZE;
  return static_cast<std::uint16_t>(nAddress & 0xFFFF);
}

std::vector<std::uint8_t> TLoggerModel::UpidBlock() const {
  std::vector<std::uint8_t> aBlock;
  PutWordLow(aBlock, FOptions.nUpidClass);
  PutWordLow(aBlock, FOptions.nInfo);
  PutWordLow(aBlock, FOptions.nUpidPlatform);
  PutWordLow(aBlock, FOptions.nUpidPrint);
  PutWordLow(aBlock, 0xFFFF); // reserve
  const std::uint16_t nCrc =
      FOptions.onUpidCrc.value_or(Crc16(aBlock.data(), static_cast<std::uint16_t>(aBlock.size())));
  PutWordLow(aBlock, nCrc);
  aBlock.resize(cUPID_BLOCK_SIZE, 0xFF);
  return aBlock;
}
