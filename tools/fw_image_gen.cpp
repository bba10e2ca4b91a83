// Build-time generator of the carried firmware images.
//
// Reads the manifest (the image files in catalogue index order), checks every file strictly and
// writes one C++ unit per image, uFW_<stem>.cpp, holding its constant header and its constant
// table of lines, plus uFwCarriedImages.cpp listing them in index order. Any fault stops the
// build with "<file>:<line>: <reason>".
//
// Usage: tarvik-fwgen <manifest> <firmware folder> <output folder>
#include "catalogue/uFwImage.h"
#include "catalogue/uHeaderInteger.h"

#include <cstdint>
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// A fault in an input, already worded as "<file>:<line>: <reason>".
class EGenerate : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& sFile, std::size_t nLine, const std::string& sReason) {
  throw EGenerate(sFile + ":" + std::to_string(nLine) + ": " + sReason);
}

struct TImage {
  std::string sFile; // file name as the manifest gives it
  std::string sStem; // the name both the file and the unit are named after
  std::uint16_t nClass = 0, nVerH = 0, nVerL = 0, nPlatform = 0, nPrint = 0;
  std::string sDate;
  std::uint16_t nBl = 0, nBlVer = 0;
  std::vector<std::string> aLines; // the records, end record last
};

constexpr std::size_t cHEADER_LINES = 8;
constexpr std::size_t cDATA_LINE_LENGTH = 139; // ":" + 2 * (4 + 64 + 1) digits
const std::string cEND_RECORD = ":00000001FF";
const char* const cNUMERIC_KEYS[] = {"bootloader version", "class",    "versionH",
                                     "versionL",           "platform", "print"};

std::string ReadWhole(const std::string& sPath) {
  std::ifstream file(sPath, std::ios::binary);
  if (!file) throw EGenerate(sPath + ": cannot open");
  std::string sText((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) throw EGenerate(sPath + ": cannot read");
  return sText;
}

// Lines end with LF or CR LF; a final line end does not start another line.
std::vector<std::string> SplitLines(const std::string& sText) {
  std::vector<std::string> aLines;
  std::size_t nStart = 0;
  while (nStart < sText.size()) {
    std::size_t nEnd = sText.find('\n', nStart);
    if (nEnd == std::string::npos) nEnd = sText.size();
    std::string sLine = sText.substr(nStart, nEnd - nStart);
    if (!sLine.empty() && sLine.back() == '\r') sLine.pop_back();
    aLines.push_back(sLine);
    nStart = nEnd + 1;
  }
  if (!aLines.empty() && aLines[0].starts_with("\xEF\xBB\xBF")) aLines[0].erase(0, 3);
  return aLines;
}

std::string ExpectValue(const TImage& rImage, const std::vector<std::string>& aLines,
                        std::size_t nIndex, const std::string& sKey) {
  if (nIndex >= aLines.size())
    Fail(rImage.sFile, nIndex + 1, "the file ends before its \"" + sKey + "\" header line");
  const std::string& sLine = aLines[nIndex];
  const std::size_t nEqual = sLine.find('=');
  if (nEqual == std::string::npos || sLine.substr(0, nEqual) != sKey)
    Fail(rImage.sFile, nIndex + 1, "expected the header line \"" + sKey + "=...\"");
  return sLine.substr(nEqual + 1);
}

std::uint16_t ExpectWord(const TImage& rImage, const std::vector<std::string>& aLines,
                         std::size_t nIndex, const std::string& sKey) {
  const std::string sValue = ExpectValue(rImage, aLines, nIndex, sKey);
  std::int32_t nValue = 0;
  std::string sReason;
  if (!HeaderInteger(sValue, nValue, sReason))
    Fail(rImage.sFile, nIndex + 1, "the value of \"" + sKey + "\" " + sReason);
  if (nValue < 0 || nValue > 0xFFFF)
    Fail(rImage.sFile, nIndex + 1, "the value of \"" + sKey + "\" is not a 16-bit word");
  return static_cast<std::uint16_t>(nValue);
}

// "DD.MM.YYYY hh:mm:ss", as every carried image is dated.
bool IsDate(const std::string& sDate) {
  const std::string cFORM = "00.00.0000 00:00:00";
  if (sDate.size() != cFORM.size()) return false;
  for (std::size_t i = 0; i < cFORM.size(); ++i) {
    const bool bDigit = sDate[i] >= '0' && sDate[i] <= '9';
    if (cFORM[i] == '0' ? !bDigit : sDate[i] != cFORM[i]) return false;
  }
  return true;
}

void ReadHeader(TImage& rImage, const std::vector<std::string>& aLines) {
  const std::string sBl = ExpectValue(rImage, aLines, 0, "bootloader");
  if (sBl != "2" && sBl != "3") Fail(rImage.sFile, 1, "the value of \"bootloader\" must be 2 or 3");
  rImage.nBl = static_cast<std::uint16_t>(sBl[0] - '0');
  std::uint16_t* apFields[] = {&rImage.nBlVer, &rImage.nClass,    &rImage.nVerH,
                               &rImage.nVerL,  &rImage.nPlatform, &rImage.nPrint};
  for (std::size_t i = 0; i < std::size(apFields); ++i)
    *apFields[i] = ExpectWord(rImage, aLines, i + 1, cNUMERIC_KEYS[i]);
  rImage.sDate = ExpectValue(rImage, aLines, 7, "date");
  if (!IsDate(rImage.sDate))
    Fail(rImage.sFile, 8, "the value of \"date\" must have the form DD.MM.YYYY hh:mm:ss");
}

int HexValue(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

// The address field of a 64-byte type-0 record, after checking its whole form.
std::uint16_t CheckDataRecord(const TImage& rImage, const std::string& sLine, std::size_t nLine) {
  if (sLine.size() != cDATA_LINE_LENGTH || sLine[0] != ':')
    Fail(rImage.sFile, nLine,
         "expected a data record of 139 characters (\":40\", address, \"00\", 64 data bytes, "
         "checksum)");
  std::uint8_t nSum = 0;
  std::uint8_t aHead[4] = {};
  for (std::size_t k = 0; k < (cDATA_LINE_LENGTH - 1) / 2; ++k) {
    const int nHigh = HexValue(sLine[1 + 2 * k]);
    const int nLow = HexValue(sLine[2 + 2 * k]);
    if (nHigh < 0 || nLow < 0)
      Fail(rImage.sFile, nLine,
           "character " + std::to_string(nHigh < 0 ? 2 + 2 * k : 3 + 2 * k) +
               " is not an upper-case hexadecimal digit");
    const auto nByte = static_cast<std::uint8_t>(nHigh * 16 + nLow);
    if (k < 4) aHead[k] = nByte;
    nSum = static_cast<std::uint8_t>(nSum + nByte);
  }
  if (aHead[0] != 0x40) Fail(rImage.sFile, nLine, "the record count must be 0x40 (64 bytes)");
  if (aHead[3] != 0x00) Fail(rImage.sFile, nLine, "the record type must be 00 (data)");
  if (nSum != 0) Fail(rImage.sFile, nLine, "the record checksum is wrong");
  return static_cast<std::uint16_t>(aHead[1] * 256 + aHead[2]);
}

void ReadRecords(TImage& rImage, const std::vector<std::string>& aLines) {
  if (aLines.size() <= cHEADER_LINES)
    Fail(rImage.sFile, aLines.size(), "the image has no records and no end record");
  std::int32_t nLastAddress = -1;
  for (std::size_t i = cHEADER_LINES; i < aLines.size(); ++i) {
    const std::string& sLine = aLines[i];
    const std::size_t nLine = i + 1;
    if (sLine == cEND_RECORD) {
      if (i + 1 != aLines.size())
        Fail(rImage.sFile, nLine + 1, "nothing may follow the end record");
      if (i == cHEADER_LINES) Fail(rImage.sFile, nLine, "the image has no data records");
      rImage.aLines.push_back(sLine);
      return;
    }
    const std::uint16_t nAddress = CheckDataRecord(rImage, sLine, nLine);
    if (static_cast<std::int32_t>(nAddress) <= nLastAddress)
      Fail(rImage.sFile, nLine, "the record address does not rise above that of the line before");
    nLastAddress = nAddress;
    rImage.aLines.push_back(sLine);
  }
  Fail(rImage.sFile, aLines.size(), "the last line must be the end record " + cEND_RECORD);
}

std::string StemOf(const TImage& rImage) {
  const std::string sClass =
      rImage.nClass == 0x6601 ? "Tarvik" : "C" + std::to_string(rImage.nClass);
  return sClass + "_V" + std::to_string(rImage.nVerH) + "_" + std::to_string(rImage.nVerL) + "_PF" +
         std::to_string(rImage.nPlatform) + "_PR" + std::to_string(rImage.nPrint) + "_BL" +
         std::to_string(rImage.nBl) + "_" + std::to_string(rImage.nBlVer);
}

TImage ReadImage(const std::string& sFolder, const std::string& sFile) {
  TImage image;
  image.sFile = sFolder + "/" + sFile;
  const std::vector<std::string> aLines = SplitLines(ReadWhole(image.sFile));
  ReadHeader(image, aLines);
  ReadRecords(image, aLines);
  image.sStem = StemOf(image);
  if (sFile != image.sStem + ".hex")
    Fail(image.sFile, 1, "the file must be named after its header values: " + image.sStem + ".hex");
  return image;
}

std::vector<std::string> ReadManifest(const std::string& sManifest) {
  std::istringstream text(ReadWhole(sManifest));
  std::vector<std::string> aFiles;
  std::set<std::string> seen;
  std::string sLine;
  std::size_t nLine = 0;
  while (std::getline(text, sLine)) {
    ++nLine;
    if (!sLine.empty() && sLine.back() == '\r') sLine.pop_back();
    const std::size_t nFirst = sLine.find_first_not_of(" \t");
    if (nFirst == std::string::npos || sLine[nFirst] == '#') continue;
    sLine = sLine.substr(nFirst, sLine.find_last_not_of(" \t") - nFirst + 1);
    if (sLine.find('/') != std::string::npos || !sLine.ends_with(".hex"))
      Fail(sManifest, nLine, "expected a file name ending in .hex in the firmware folder");
    if (!seen.insert(sLine).second) Fail(sManifest, nLine, "the image is listed twice");
    aFiles.push_back(sLine);
  }
  if (aFiles.size() != static_cast<std::size_t>(cFW_CARRIED_COUNT))
    Fail(sManifest, nLine,
         "the manifest lists " + std::to_string(aFiles.size()) + " images; the catalogue carries " +
             std::to_string(cFW_CARRIED_COUNT));
  return aFiles;
}

void WriteFile(const std::string& sPath, const std::string& sText) {
  std::ofstream file(sPath, std::ios::binary | std::ios::trunc);
  file << sText;
  if (!file.flush()) throw EGenerate(sPath + ": cannot write");
}

// Header values and dates are checked above, so only hex records and the date reach the output:
// no escaping is needed.
std::string ImageUnit(const TImage& rImage, std::size_t nIndex) {
  const std::string sName = "uFW_" + rImage.sStem;
  std::ostringstream out;
  out << "// Generated by tarvik-fwgen from firmware/" << rImage.sStem << ".hex (image " << nIndex
      << "). Do not edit.\n"
      << "#include \"catalogue/uFwImage.h\"\n\n"
      << "namespace {\n"
      << "const char* const cLINES[] = {\n";
  for (const std::string& sLine : rImage.aLines)
    out << "    \"" << sLine << "\",\n";
  out << "};\n"
      << "} // namespace\n\n"
      << "extern const TCarriedImage " << sName << ";\n"
      << "constinit const TCarriedImage " << sName << " = {" << rImage.nClass << ", "
      << rImage.nVerH << ", " << rImage.nVerL << ", " << rImage.nPlatform << ", " << rImage.nPrint
      << ", \"" << rImage.sDate << "\", " << rImage.nBl << ", " << rImage.nBlVer << ", cLINES, "
      << rImage.aLines.size() << "};\n";
  return out.str();
}

std::string ListUnit(const std::vector<TImage>& aImages) {
  std::ostringstream out;
  out << "// Generated by tarvik-fwgen from firmware/images.txt. Do not edit.\n"
      << "#include \"catalogue/uFwImage.h\"\n\n";
  for (const TImage& rImage : aImages)
    out << "extern const TCarriedImage uFW_" << rImage.sStem << ";\n";
  out << "\nconstinit const TCarriedImage* const cFW_CARRIED_IMAGES[cFW_CARRIED_COUNT] = {\n";
  for (const TImage& rImage : aImages)
    out << "    &uFW_" << rImage.sStem << ",\n";
  out << "};\n";
  return out.str();
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: tarvik-fwgen <manifest> <firmware folder> <output folder>\n";
    return 2;
  }
  try {
    const std::string sManifest = argv[1];
    const std::string sFolder = argv[2];
    const std::string sOut = argv[3];
    std::vector<TImage> aImages;
    for (const std::string& sFile : ReadManifest(sManifest))
      aImages.push_back(ReadImage(sFolder, sFile));
    for (std::size_t i = 0; i < aImages.size(); ++i)
      WriteFile(sOut + "/uFW_" + aImages[i].sStem + ".cpp", ImageUnit(aImages[i], i + 1));
    WriteFile(sOut + "/uFwCarriedImages.cpp", ListUnit(aImages));
  } catch (const EGenerate& e) {
    std::cerr << e.what() << "\n"
              << "tarvik-fwgen: the firmware images were not generated\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "tarvik-fwgen: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
