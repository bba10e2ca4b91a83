#include "uSoakImage.h"

#include "catalogue/uFWVersions.h"

#include <sstream>

namespace {

constexpr std::uint16_t cCLASS_TARVIK = 0x6601;
constexpr std::size_t cDATA_BYTES = 64;

int HexValue(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

// The bytes of one upper-case record with a correct checksum; empty when it is none.
std::vector<std::uint8_t> RecordBytes(const std::string& sLine) {
  if (sLine.size() < 11 || sLine[0] != ':' || sLine.size() % 2 == 0) return {};
  std::vector<std::uint8_t> aBytes;
  unsigned nSum = 0;
  for (std::size_t i = 1; i < sLine.size(); i += 2) {
    const int nHigh = HexValue(sLine[i]);
    const int nLow = HexValue(sLine[i + 1]);
    if (nHigh < 0 || nLow < 0) return {};
    aBytes.push_back(static_cast<std::uint8_t>(nHigh * 16 + nLow));
    nSum += aBytes.back();
  }
  if ((nSum & 0xFF) != 0 || aBytes.size() != aBytes[0] + 5u) return {};
  return aBytes;
}

TBl3FileHeader Header(std::int32_t nImage) {
  TBl3FileHeader rHeader;
  GetFwHeader(nImage, rHeader);
  return rHeader;
}

// The first image in index order that the tool's choice takes for a logger with this
// header's platform, print and bootloader (its update class is the served class).
std::int32_t ChosenImage(std::uint16_t nPlatform, std::uint16_t nPrint, std::uint16_t nBlVersion) {
  for (std::int32_t i = 1; i <= GetFwCount(); ++i) {
    const TBl3FileHeader rHeader = Header(i);
    if (rHeader.tarv_class == cCLASS_TARVIK && rHeader.tarv_platform == nPlatform &&
        rHeader.tarv_print == nPrint && rHeader.tarv_bl_ver == nBlVersion &&
        (rHeader.tarv_bl == 2 || rHeader.tarv_bl == 3))
      return i;
  }
  return 0;
}

std::uint32_t DataLines(std::int32_t nImage) {
  return static_cast<std::uint32_t>(ImageFlash(nImage).size() / cDATA_BYTES);
}

TSoakLogger LoggerFor(std::int32_t nImage, const char* sBlClass) {
  const TBl3FileHeader rHeader = Header(nImage);
  TSoakLogger rLogger;
  rLogger.sName = "image " + std::to_string(nImage) + " (" + sBlClass + ")";
  rLogger.aArgs = {"--platform",      std::to_string(rHeader.tarv_platform),
                   "--print",         std::to_string(rHeader.tarv_print),
                   "--upid-platform", std::to_string(rHeader.tarv_platform),
                   "--upid-print",    std::to_string(rHeader.tarv_print),
                   "--bl-class",      sBlClass,
                   "--bl-version",    std::to_string(rHeader.tarv_bl_ver)};
  rLogger.nImage = ChosenImage(rHeader.tarv_platform, rHeader.tarv_print, rHeader.tarv_bl_ver);
  rLogger.nDataLines = DataLines(rLogger.nImage);
  return rLogger;
}

} // namespace

std::vector<TSoakLogger> SoakLoggers() {
  std::vector<TSoakLogger> aLoggers;
  for (std::int32_t i = 1; i <= GetFwCount(); ++i) {
    const TBl3FileHeader rHeader = Header(i);
    // An image that an earlier one with the same header values hides is chosen only for the
    // restricted serial numbers: no logger of its own.
    if (ChosenImage(rHeader.tarv_platform, rHeader.tarv_print, rHeader.tarv_bl_ver) != i) continue;
    aLoggers.push_back(LoggerFor(i, rHeader.tarv_bl == 3 ? "0xC802" : "0xC801"));
    if (rHeader.tarv_platform == 0 && rHeader.tarv_print == 0 && rHeader.tarv_bl == 2) {
      // The first bootloader reports neither platform nor print: the tool takes both as 0.
      TSoakLogger rFirst = LoggerFor(i, "0xC800");
      rFirst.bInfoRecords = false;
      aLoggers.push_back(rFirst);
    }
  }
  return aLoggers;
}

TFlashBytes ImageFlash(std::int32_t nImage) {
  const std::int32_t nSaved = gnFwIndex;
  gnFwIndex = nImage;
  const bool bBlocks = Header(nImage).tarv_bl == 3;
  TFlashBytes aFlash;
  for (std::int32_t j = 0; j < GetFwLastLine(); ++j) {
    std::string sLine;
    GetFwLine(j, sLine);
    const std::vector<std::uint8_t> aBytes = RecordBytes(sLine);
    if (aBytes.size() != cDATA_BYTES + 5 || aBytes[3] != 0) continue; // not sent
    std::uint32_t nAddress = aBytes[1] * 256u + aBytes[2];
    if (bBlocks) nAddress *= cDATA_BYTES;
    for (std::size_t i = 0; i < cDATA_BYTES; ++i)
      aFlash[nAddress + static_cast<std::uint32_t>(i)] = aBytes[4 + i];
  }
  gnFwIndex = nSaved;
  return aFlash;
}

bool ParseFlashText(const std::string& sText, TFlashBytes& aBytes) {
  aBytes.clear();
  std::istringstream Input(sText);
  std::uint32_t nBase = 0;
  for (std::string sLine; std::getline(Input, sLine);) {
    if (!sLine.empty() && sLine.back() == '\r') sLine.pop_back();
    if (sLine.empty()) continue;
    const std::vector<std::uint8_t> aRecord = RecordBytes(sLine);
    if (aRecord.empty()) return false;
    const std::uint32_t nAddress = aRecord[1] * 256u + aRecord[2];
    switch (aRecord[3]) {
    case 0x00:
      for (std::size_t i = 0; i < aRecord[0]; ++i)
        aBytes[nBase + nAddress + static_cast<std::uint32_t>(i)] = aRecord[4 + i];
      break;
    case 0x01:
      return true;
    case 0x04:
      if (aRecord[0] != 2) return false;
      nBase = (aRecord[4] * 256u + aRecord[5]) << 16;
      break;
    default:
      return false;
    }
  }
  return false; // no end record: the file was cut short
}
