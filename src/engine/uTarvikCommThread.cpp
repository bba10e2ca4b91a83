#include "engine/uTarvikCommThread.h"

#include "catalogue/uCodeTables.h"
#include "catalogue/uFWVersions.h"
#include "engine/uSwitches.h"
#include "link/uConvert1V0.h"
#include "link/uFlash.h"
#include "worker/uAnswers.h"
#include "worker/uExceptions1V0.h"

#include <array>

bool gbReadInfoOnly = false;
// Constant-initialised, so it is true before any code of any unit runs: the engine supports
// read-info-only runs.
bool gbReadInfoOnlySupported = true;
std::atomic<std::int64_t> gnSerialNumber{-1};

namespace {

// Logger commands (command frames).
constexpr std::uint8_t cCMD_IDENT = 1;
constexpr std::uint8_t cIDENT_CLASS = 0;
constexpr std::uint8_t cIDENT_SN = 3;
constexpr std::uint8_t cCMD_BOOT = 2;
constexpr std::uint8_t cCMD_BOOT_OLD = 5;
// Applications from this version on know cCMD_BOOT; older ones only cCMD_BOOT_OLD.
constexpr std::uint16_t cBOOT_NEW_VERSION = 0x0600;

// Bootloader requests (type-5 hex records with one data byte).
constexpr std::uint8_t cREC_COMMAND = 5;
constexpr std::uint8_t cREC_DATA = 0;
constexpr std::uint8_t cBL_PLATFORM = 0x20;
constexpr std::uint8_t cBL_UPID = 0x30;
constexpr std::uint8_t cBL_PROG_START = 0x31;
constexpr std::uint8_t cBL_PROG_END = 0x33;
// The first bootloader generation takes the same commands 0x20 lower.
constexpr std::uint8_t cBL_OLD_OFFSET = 0x20;

constexpr std::uint8_t cPLATFORM_ANSWER = 6;
constexpr std::uint8_t cUPID_ANSWER = 64;
constexpr std::uint8_t cDATA_COUNT = 64;

// The vector-table record, held back and programmed last.
constexpr std::uint8_t cVECTOR_ADDR_HI = 0x03;
constexpr std::uint8_t cVECTOR_ADDR_LO = 0xDF;

constexpr const char* cEND_RECORD = ":00000001FF";

// Pauses the logger needs around programming.
constexpr std::uint32_t cBOOT_PAUSE_MS = 1;
constexpr std::uint32_t cBEFORE_END_PAUSE_MS = 500;
constexpr std::uint32_t cAFTER_END_PAUSE_MS = 2000;

// The one application version whose restricted serial numbers keep their own image.
constexpr std::uint16_t cRESTRICTED_APP_VERSION = 0x0588;
constexpr std::uint16_t cRESTRICTED_VER_H = 5;
constexpr std::uint16_t cRESTRICTED_VER_L = 136;

struct TSNRange {
  std::uint32_t nFirst;
  std::uint32_t nLast;
};
constexpr std::array<TSNRange, 5> caRestrictedSN{{
    {328108, 328108},
    {328224, 328224},
    {328235, 328236},
    {328283, 328287},
    {328297, 328504},
}};

bool IsBootloaderClass(std::uint16_t nClass) {
  return static_cast<std::uint16_t>(nClass - cCLASS_BL) < 3;
}

std::uint16_t LowFirstWord(std::size_t nDataIndex) {
  return MakeWord(gaRecord[4 + nDataIndex + 1], gaRecord[4 + nDataIndex]);
}

std::uint16_t HighFirstWord(std::size_t nDataIndex) {
  return MakeWord(gaRecord[4 + nDataIndex], gaRecord[4 + nDataIndex + 1]);
}

} // namespace

struct TTarvikCommThread::TUpdateRun {
  std::int32_t nTry = 1;
  std::uint16_t nClass = 0;
  std::uint16_t nVersion = 0;
  std::uint16_t nAppVersion = 0;
  std::uint32_t nSN = 0;
  std::uint16_t nPlatform = cUNKNOWN;
  std::uint16_t nPrint = cUNKNOWN;
  std::uint16_t nInfo = 0;
  std::uint16_t nUpdClass = cUNKNOWN;
  std::uint16_t upid_info = cUNKNOWN; // reported as 0xFFFF where the block was not read
  std::uint16_t upid_platform = cUNKNOWN;
  std::uint16_t upid_print = cUNKNOWN;
  std::uint16_t upid_reserve = cUNKNOWN;
  std::uint16_t upid_crc = cUNKNOWN;
  TBl3FileHeader rHeader; // of the chosen image
  std::int32_t nLastLine = 0;
};

TTarvikCommThread::TTarvikCommThread(TWindowHandle hWindow, TCmd cmd, std::string sPort)
    : TCommThread(std::move(hWindow), cmd, std::move(sPort)) {}

bool TTarvikCommThread::isRestrictedSN(std::uint32_t nSN) {
  for (const TSNRange& rRange : caRestrictedSN) {
    if (nSN >= rRange.nFirst && nSN <= rRange.nLast) {
      return true;
    }
  }
  return false;
}

void TTarvikCommThread::DoCommand() {
  switch (FCmd) {
  case TCmd::tCMD0:
    TCommThread::DoCommand();
    break;
  default:
    break; // the other commands run nothing on this logger
  }
}

void TTarvikCommThread::DoUpdate() {
  TUpdateRun rRun;
  gnSerialNumber.store(-1);
  Identify(rRun);
  if (!IsBootloaderClass(rRun.nClass)) {
    EnterBootloader(rRun);
  }
  ReadHardwareInfo(rRun);
  SelectImage(rRun);
  CheckImage(rRun);
  Program(rRun);
  Verify(rRun);
}

void TTarvikCommThread::Identify(TUpdateRun& rRun) {
  SendCommand(true, cCMD_IDENT, cIDENT_CLASS);
  rRun.nClass = MakeWord(FRxBuffer[2], FRxBuffer[3]);
  rRun.nVersion = MakeWord(FRxBuffer[4], FRxBuffer[5]);
  Post(cMSG_CLASS, rRun.nClass);
  Post(cMSG_VERSION, rRun.nVersion);
}

void TTarvikCommThread::EnterBootloader(TUpdateRun& rRun) {
  // The logger runs an application.
  if (gbRequireServedClass && rRun.nClass != cCLASS_TARVIK) {
    throw ETarv(cERR_NO_BOOTLOADER);
  }
  if (rRun.nClass == cCLASS_TARVIK) {
    rRun.nAppVersion = rRun.nVersion;
    SendCommand(true, cCMD_IDENT, cIDENT_SN);
    rRun.nSN = MakeDWord(FRxBuffer[4], FRxBuffer[3], FRxBuffer[2], FRxBuffer[1]);
    gnSerialNumber.store(rRun.nSN);
  }
  if (rRun.nVersion >= cBOOT_NEW_VERSION) {
    SendCommand(false, cCMD_BOOT, 0x81, 0x00, 0xA5, 0x5A, 0x00, 0x00);
  } else {
    SendCommand(false, cCMD_BOOT_OLD, 0x03, 0xA5, 0x5A, 0x00, 0x00, 0x00);
  }
  // The identification's own tries give the restarting logger time to come up.
  Sleep(cBOOT_PAUSE_MS);
  rRun.nTry = 2;
  Identify(rRun);
  if (!IsBootloaderClass(rRun.nClass)) {
    throw ETarv(cERR_NO_BOOTLOADER); // it did not restart into its bootloader
  }
}

void TTarvikCommThread::ReadInfoRecord(std::uint16_t wAddress, std::uint8_t byCommand,
                                       std::uint8_t byCount) {
  gaRecord[0] = 1;
  gaRecord[1] = static_cast<std::uint8_t>(wAddress >> 8);
  gaRecord[2] = static_cast<std::uint8_t>(wAddress & 0xFF);
  gaRecord[3] = cREC_COMMAND;
  gaRecord[4] = byCommand;
  BuildRecordLine();
  if (!SendLine(gsLine, byCount, false)) {
    throw ETarv(cERR_INFO);
  }
  // The link checks only the answer's length and checksum; the record must decode, and
  // carry as many data bytes as were asked for, before its fields are read.
  if (!DecodeAnswerRecord(AnswerLine(), byCount)) {
    throw ETarv(cERR_INFO);
  }
}

void TTarvikCommThread::ReadHardwareInfo(TUpdateRun& rRun) {
  if (rRun.nClass == cCLASS_BL) {
    // The first bootloader generation keeps no hardware information.
    rRun.nPlatform = 0;
    rRun.nPrint = 0;
    rRun.nUpdClass = cCLASS_TARVIK;
  } else {
    ReadInfoRecord(0x0000, cBL_PLATFORM, cPLATFORM_ANSWER);
    rRun.nPlatform = PlatformFromRaw(HighFirstWord(0));
    rRun.nPrint = PrintFromRaw(HighFirstWord(2));
    rRun.nInfo = HighFirstWord(4);

    if (rRun.nPlatform != cUNKNOWN) {
      // The update-ID block sits at the first address of the platform's first memory range;
      // the third bootloader generation counts 64-byte blocks.
      TPlatformInfo rInfo;
      PlatformInfo(rRun.nPlatform, rInfo);
      std::uint32_t nAddress = rInfo.aRange[0].nFirst;
      if (rRun.nClass == cCLASS_BL3) {
        nAddress /= 64;
      }
      ReadInfoRecord(static_cast<std::uint16_t>(nAddress & 0xFFFF), cBL_UPID, cUPID_ANSWER);
      rRun.nUpdClass = ClassFromRaw(LowFirstWord(0));
      rRun.upid_info = LowFirstWord(2);
      rRun.upid_platform = LowFirstWord(4);
      rRun.upid_print = LowFirstWord(6);
      rRun.upid_reserve = LowFirstWord(8);
      rRun.upid_crc = LowFirstWord(10);
    }
  }

  Post(cMSG_PLATFORM, rRun.nPlatform);
  Post(cMSG_PRINT, rRun.nPrint);
  Post(cMSG_INFO, rRun.nInfo);
  Post(cMSG_UPD_CLASS, rRun.nUpdClass);
  Post(cMSG_UPD_INFO, rRun.upid_info);

  // The checksum covers the update class after ClassFromRaw, not the raw word.
  const std::uint16_t nCrc = calculateCRC16(rRun.nUpdClass, rRun.upid_info, rRun.upid_platform,
                                            rRun.upid_print, rRun.upid_reserve);
  if (nCrc == rRun.upid_crc && rRun.upid_platform != cUNKNOWN && rRun.upid_print != cUNKNOWN) {
    // The stored update information wins over what the bootloader reports.
    rRun.nPlatform = rRun.upid_platform;
    rRun.nPrint = rRun.upid_print;
    Post(cMSG_PLATFORM, rRun.nPlatform);
    Post(cMSG_PRINT, rRun.nPrint);
  }
}

void TTarvikCommThread::SelectImage(TUpdateRun& rRun) {
  std::int32_t nFirst = 1;
  std::int32_t nLast = GetFwCount();
  if (gnFwIndex == 0) {
    nFirst = 0; // only the image loaded from a file
    nLast = 0;
  }
  gnFwIndex = -1;

  const bool bRestricted = rRun.nAppVersion == cRESTRICTED_APP_VERSION && isRestrictedSN(rRun.nSN);
  for (std::int32_t i = nFirst; i <= nLast; ++i) {
    Post(cMSG_CHECK, static_cast<std::uint32_t>(i));
    TBl3FileHeader rHeader;
    GetFwHeader(i, rHeader);
    if (gbMatchClass && rRun.nUpdClass != rHeader.tarv_class) {
      continue;
    }
    if (gbMatchPlatform && rRun.nPlatform != rHeader.tarv_platform) {
      continue;
    }
    if (rRun.nPrint != rHeader.tarv_print) {
      continue;
    }
    if (bRestricted &&
        (rHeader.tarv_verH != cRESTRICTED_VER_H || rHeader.tarv_verL != cRESTRICTED_VER_L)) {
      continue;
    }
    if (rRun.nVersion != rHeader.tarv_bl_ver) {
      continue;
    }
    if (rHeader.tarv_bl != 2 && rHeader.tarv_bl != 3) {
      continue;
    }
    gnFwIndex = i;
    rRun.rHeader = rHeader;
    break;
  }

  if (gnFwIndex == -1) {
    throw ETarv(cERR_NO_IMAGE);
  }
  if (gbReadInfoOnly) {
    throw ETarv(cERR_INFO_ONLY);
  }
}

void TTarvikCommThread::CheckImage(TUpdateRun& rRun) {
  rRun.nLastLine = GetFwLastLine();
  if (rRun.nLastLine < 1) {
    throw ETarv(cERR_LAST_LINE);
  }
  GetFwLine(rRun.nLastLine, gsLine);
  if (gsLine != cEND_RECORD) {
    throw ETarv(cERR_LAST_LINE);
  }
  Post(cMSG_PROGRAM, static_cast<std::uint32_t>(FCmd));
}

void TTarvikCommThread::SendBootloaderCommand(std::uint8_t byCommand, std::uint8_t byCount) {
  gaRecord[0] = 1;
  gaRecord[1] = 0;
  gaRecord[2] = 0;
  gaRecord[3] = cREC_COMMAND;
  gaRecord[4] = byCommand;
  BuildRecordLine();
  SendLine(gsLine, byCount, true);
}

void TTarvikCommThread::ProgramLine(const std::string& sLine, std::int32_t nIndex) {
  SendLine(sLine, cDATA_COUNT, true);
  if (AnswerLine() != sLine) {
    Post(cMSG_PROG_ERROR, static_cast<std::uint32_t>(nIndex));
    throw ETarv(cERR_ECHO);
  }
}

void TTarvikCommThread::Program(TUpdateRun& rRun) {
  const std::uint8_t byOffset = rRun.nClass == cCLASS_BL ? cBL_OLD_OFFSET : 0;
  SendBootloaderCommand(static_cast<std::uint8_t>(cBL_PROG_START - byOffset), 1);

  std::string sVectorLine;
  for (std::int32_t j = 0; j < rRun.nLastLine; ++j) {
    GetFwLine(j, gsLine);
    const std::string sLine = gsLine;
    if (!ParseRecordLine()) {
      Post(cMSG_CONV_ERROR, static_cast<std::uint32_t>(j));
      throw ETarv(cERR_CONVERSION);
    }
    if (gaRecord[0] == cDATA_COUNT && gaRecord[3] == cREC_DATA) {
      if (gaRecord[1] == cVECTOR_ADDR_HI && gaRecord[2] == cVECTOR_ADDR_LO) {
        sVectorLine = sLine; // a later vector record replaces an earlier one
        Post(cMSG_VECTOR, 0);
        continue;
      }
      ProgramLine(sLine, j);
    }
    // Records of another length or type are passed over.
    SetProgress(j, rRun.nLastLine);
  }

  if (!sVectorLine.empty()) {
    Post(cMSG_VECTOR, 1);
    ProgramLine(sVectorLine, rRun.nLastLine);
  }
  Sleep(cBEFORE_END_PAUSE_MS);
  SendBootloaderCommand(static_cast<std::uint8_t>(cBL_PROG_END - byOffset), 0);
  Sleep(cAFTER_END_PAUSE_MS);
}

void TTarvikCommThread::Verify(TUpdateRun& rRun) {
  SendCommand(true, cCMD_IDENT, cIDENT_CLASS);
  const std::uint16_t nClass = MakeWord(FRxBuffer[2], FRxBuffer[3]);
  Post(cMSG_CLASS, nClass);
  if (nClass != rRun.rHeader.tarv_class) {
    throw ETarv(cERR_CLASS);
  }
}
