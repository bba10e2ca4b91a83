#include "uEngineRun.h"

#include "catalogue/uFwHeader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <unistd.h>

std::vector<std::uint32_t> TRunLog::Codes() const {
  std::vector<std::uint32_t> aCodes;
  for (const TNotification& rNote : aNotes) {
    aCodes.push_back(rNote.FnCode);
  }
  return aCodes;
}

std::vector<std::uint32_t> TRunLog::ValuesOf(std::uint32_t nCode) const {
  std::vector<std::uint32_t> aValues;
  for (const TNotification& rNote : aNotes) {
    if (rNote.FnCode == nCode) {
      aValues.push_back(rNote.FnValue);
    }
  }
  return aValues;
}

void ResetEngineState() {
  ResetSwitches();
  gbReadInfoOnly = false;
  gnFwIndex = -1;
  gbCancel.store(false);
}

TRunLog RunEngine(const std::string& sPort, TCmd cmd, std::uint32_t nCancelOnCode) {
  auto pQueue = std::make_shared<TNotifyQueue>();
  TCommThread::Create<TTarvikCommThread>(pQueue, cmd, sPort);
  TRunLog rLog;
  for (;;) {
    const std::optional<TNotification> rNote = pQueue->Wait(60000);
    if (!rNote) {
      ADD_FAILURE() << "no final notification within a minute";
      rLog.aNotes.push_back(TNotification{0xFFFFFFFF, 0});
      break;
    }
    rLog.aNotes.push_back(*rNote);
    if (rNote->FnCode == nCancelOnCode) {
      gbCancel.store(true);
    }
    if (IsFinalMessage(rNote->FnCode)) {
      break;
    }
  }
  EXPECT_TRUE(TCommThread::WaitForWorkers(5000));
  return rLog;
}

namespace {

struct TLoggerKind {
  std::uint16_t nPlatform;
  std::uint16_t nPrint;
  const char* sBlClass;
  std::uint16_t nBlVersion;
};

// Platform and print of each carried image (index 1..12), its bootloader.
const TLoggerKind caLoggers[13] = {
    {0, 0, "", 0},         {0, 0, "0xC801", 0},   {1, 1, "0xC801", 0},   {1, 2, "0xC801", 0},
    {4, 6, "0xC801", 0},   {4, 10, "0xC801", 1},  {12, 18, "0xC802", 0}, {12, 30, "0xC802", 0},
    {12, 30, "0xC802", 0}, {12, 44, "0xC802", 0}, {23, 49, "0xC802", 0}, {24, 49, "0xC802", 0},
    {24, 53, "0xC802", 0},
};

int HexValue(char ch) {
  if (ch >= '0' && ch <= '9') {
    return ch - '0';
  }
  if (ch >= 'A' && ch <= 'F') {
    return ch - 'A' + 10;
  }
  throw std::runtime_error("not a hex digit");
}

std::uint8_t ByteAt(const std::string& sLine, std::size_t nPos) {
  return static_cast<std::uint8_t>(HexValue(sLine.at(nPos)) * 16 + HexValue(sLine.at(nPos + 1)));
}

} // namespace

std::vector<std::string> LoggerFor(std::int32_t nImage) {
  const TLoggerKind& rKind = caLoggers[nImage];
  std::vector<std::string> aArgs{"--platform",      std::to_string(rKind.nPlatform),
                                 "--print",         std::to_string(rKind.nPrint),
                                 "--upid-platform", std::to_string(rKind.nPlatform),
                                 "--upid-print",    std::to_string(rKind.nPrint),
                                 "--bl-class",      rKind.sBlClass,
                                 "--bl-version",    std::to_string(rKind.nBlVersion)};
  if (nImage == 8) {
    // Image 8 is only for a restricted serial number running version 5.136.
    aArgs.insert(aArgs.end(), {"--app-version", "0x0588", "--serial", "328297"});
  }
  return aArgs;
}

std::map<std::uint32_t, std::uint8_t> ImageBytes(std::int32_t nIndex) {
  const std::int32_t nSaved = gnFwIndex;
  gnFwIndex = nIndex;
  TBl3FileHeader rHeader;
  GetFwHeader(nIndex, rHeader);
  const std::int32_t nLast = GetFwLastLine();
  std::map<std::uint32_t, std::uint8_t> aBytes;
  for (std::int32_t j = 0; j < nLast; ++j) {
    std::string sLine;
    GetFwLine(j, sLine);
    const std::uint8_t nCount = ByteAt(sLine, 1);
    std::uint32_t nAddress = ByteAt(sLine, 3) * 256U + ByteAt(sLine, 5);
    if (ByteAt(sLine, 7) != 0) {
      continue;
    }
    if (rHeader.tarv_bl == 3) {
      nAddress *= 64; // block numbers
    }
    for (std::uint32_t i = 0; i < nCount; ++i) {
      aBytes[nAddress + i] = ByteAt(sLine, 9 + 2 * i);
    }
  }
  gnFwIndex = nSaved;
  return aBytes;
}

std::string ReadText(const std::string& sPath) {
  std::ifstream F(sPath, std::ios::binary);
  std::ostringstream sText;
  sText << F.rdbuf();
  return sText.str();
}

std::int64_t LastProgrammedAddress(const std::string& sTracePath) {
  const std::string sTrace = ReadText(sTracePath);
  static const std::regex cPROGRAMMED("programmed 64 bytes at 0x([0-9A-Fa-f]+)");
  std::int64_t nLast = -1;
  for (auto it = std::sregex_iterator(sTrace.begin(), sTrace.end(), cPROGRAMMED);
       it != std::sregex_iterator(); ++it) {
    nLast = std::stoll((*it)[1].str(), nullptr, 16);
  }
  return nLast;
}

std::vector<TSimTraceLine> ReadSimTrace(const std::string& sTracePath) {
  std::istringstream sTrace(ReadText(sTracePath));
  static const std::regex cLINE(R"(^\s*(\d+)\.(\d{6}) (in |out|-- ) ?(.*)$)");
  std::vector<TSimTraceLine> aLines;
  for (std::string sLine; std::getline(sTrace, sLine);) {
    std::smatch match;
    if (!std::regex_match(sLine, match, cLINE)) continue;
    std::string sKind = match[3].str();
    if (sKind.back() == ' ') sKind.pop_back();
    aLines.push_back(TSimTraceLine{
        std::stoll(match[1].str()) * 1000000 + std::stoll(match[2].str()), sKind, match[4].str()});
  }
  return aLines;
}

TTempFile::TTempFile(const std::string& sContent) {
  char aName[] = "/tmp/tarvik-engine-test-XXXXXX";
  const int hFile = mkstemp(aName);
  if (hFile < 0) {
    throw std::runtime_error("mkstemp failed");
  }
  close(hFile);
  FsPath = aName;
  std::ofstream(FsPath, std::ios::binary) << sContent;
}

TTempFile::~TTempFile() {
  std::remove(FsPath.c_str());
}

std::string FirmwareFileText(const std::vector<std::string>& slLines) {
  std::string sText = "bootloader=3\r\nbootloader version=0\r\nclass=26113\r\nversionH=6\r\n"
                      "versionL=21\r\nplatform=24\r\nprint=53\r\ndate=test image\r\n";
  for (const std::string& sLine : slLines) {
    sText += sLine + "\r\n";
  }
  return sText;
}

void UseFileImage(const std::vector<std::string>& slLines) {
  std::istringstream sHeader(FirmwareFileText({}));
  ReadFwFileHeader(sHeader, grFwFileHeader);
  gslFwFileLines = slLines;
  gnFwIndex = 0;
}
