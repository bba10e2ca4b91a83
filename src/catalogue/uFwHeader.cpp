// The firmware file reader: the eight header lines and the image lines of a firmware file.
#include "catalogue/uFwHeader.h"

#include "catalogue/uFWVersions.h"
#include "catalogue/uFwFileLines.h"
#include "catalogue/uHeaderInteger.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

// No firmware image comes near this; reading stops with an error once a file passes it.
constexpr std::uintmax_t cMAX_FILE_SIZE = 16u * 1024u * 1024u;

// Reads the next header line; at the end of the file the line is empty.
class THeaderLines {
public:
  explicit THeaderLines(std::istream& F) : FStream(F) {}

  std::string Next() {
    std::string sLine;
    ++FnLine;
    if (!std::getline(FStream, sLine)) {
      if (FStream.bad()) throw EFwFile("line " + std::to_string(FnLine) + ": cannot be read");
      sLine.clear();
    }
    StripLineEnd(sLine);
    if (FnLine == 1) StripByteOrderMark(sLine);
    return sLine;
  }

  std::int32_t LineNumber() const { return FnLine; }

private:
  std::istream& FStream;
  std::int32_t FnLine = 0;
};

std::uint16_t ReadWord(THeaderLines& rLines, const std::string& sKey) {
  const std::string sLine = rLines.Next();
  std::string sValue;
  GetHeaderValue(sLine, sKey, sValue);
  const std::string sWhere =
      "line " + std::to_string(rLines.LineNumber()) + " (\"" + sKey + "\"): ";
  if (sValue.empty() && !sLine.starts_with(sKey + "="))
    throw EFwFile(sWhere + "the line does not start with \"" + sKey + "=\"");
  std::int32_t nValue = 0;
  std::string sReason;
  if (!HeaderInteger(sValue, nValue, sReason)) throw EFwFile(sWhere + "the value " + sReason);
  return static_cast<std::uint16_t>(static_cast<std::uint32_t>(nValue) & 0xFFFFu);
}

// The whole file as bytes. Raises EFwFile naming the file.
std::string ReadWholeFile(const std::string& sFile) {
  std::error_code error;
  if (std::filesystem::is_directory(sFile, error))
    throw EFwFile(sFile + ": is a folder, not a firmware file");
  std::ifstream file(sFile, std::ios::binary);
  if (!file) throw EFwFile(sFile + ": cannot open the file");
  std::string sText;
  char aBuffer[65536];
  while (file) {
    file.read(aBuffer, sizeof aBuffer);
    sText.append(aBuffer, static_cast<std::size_t>(file.gcount()));
    if (sText.size() > cMAX_FILE_SIZE)
      throw EFwFile(sFile + ": the file is larger than 16 MiB and cannot be a firmware image");
  }
  if (file.bad()) throw EFwFile(sFile + ": cannot read the file");
  return sText;
}

TBl3FileHeader HeaderOf(const std::string& sFile, const std::string& sText) {
  std::istringstream stream(sText);
  TBl3FileHeader header;
  try {
    ReadFwFileHeader(stream, header);
  } catch (const EFwFile& e) {
    throw EFwFile(sFile + ": " + e.what());
  }
  return header;
}

} // namespace

void GetHeaderValue(const std::string& line, const std::string& key, std::string& value) {
  value.clear();
  const std::size_t nEqual = line.find('=');
  if (nEqual == std::string::npos) return;
  if (line.compare(0, nEqual, key) == 0) value = line.substr(nEqual + 1);
}

bool ReadFwFileHeader(std::istream& F, TBl3FileHeader& header) {
  THeaderLines lines(F);
  std::string sValue;
  GetHeaderValue(lines.Next(), "bootloader", sValue);
  if (sValue == "2")
    header.tarv_bl = 2;
  else if (sValue == "3")
    header.tarv_bl = 3;
  else
    header.tarv_bl = cUNKNOWN;
  header.tarv_bl_ver = ReadWord(lines, "bootloader version");
  header.tarv_class = ReadWord(lines, "class");
  header.tarv_verH = ReadWord(lines, "versionH");
  header.tarv_verL = ReadWord(lines, "versionL");
  header.tarv_platform = ReadWord(lines, "platform");
  header.tarv_print = ReadWord(lines, "print");
  GetHeaderValue(lines.Next(), "date", header.tarv_date);
  return true;
}

void LoadFwFileImage(const std::string& sFile) {
  const std::string sText = ReadWholeFile(sFile);
  TBl3FileHeader header = HeaderOf(sFile, sText);
  // Programming sends only 64-byte data records and passes any other record over: such a file
  // would be sent in part, and the run could still end as a success.
  std::vector<std::string> aLines;
  for (TFileLine& line : FwImageFileLines(sText)) {
    if (const std::optional<std::string> sWhy = UnprogrammableLine(line.sText))
      throw EFwFile(sFile + ": line " + std::to_string(line.nLine) + ": " + *sWhy);
    aLines.push_back(std::move(line.sText));
  }
  // Everything is read: only now does the new image replace the previous one.
  grFwFileHeader = std::move(header);
  gslFwFileLines = std::move(aLines);
  gnFwIndex = 0;
}

void ReadFwFileVersion(const std::string& sFile) {
  const std::string sText = ReadWholeFile(sFile);
  grFwFileHeader = HeaderOf(sFile, sText);
  gnFwIndex = 0;
}
