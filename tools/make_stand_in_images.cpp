// Writes the twelve stand-in firmware images and their manifest into a folder (normally
// firmware/). The headers, line counts, record form and address runs are those of the images
// the tool carries; the data bytes are pseudo-random from a fixed seed, so every run writes the
// same files byte for byte.
//
// Usage: tarvik-make-stand-in-images <folder>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

struct TRun {
  std::uint32_t nFirst; // address field of the first record
  std::uint32_t nCount; // number of consecutive records
};

struct TImageSpec {
  std::uint16_t nClass;
  std::uint16_t nVerH;
  std::uint16_t nVerL;
  std::uint16_t nPlatform;
  std::uint16_t nPrint;
  const char* pDate;
  std::uint16_t nBl;
  std::uint16_t nBlVer;
  std::vector<TRun> aRuns;
};

// Index order of the catalogue: image 1 first.
const std::vector<TImageSpec> cIMAGES = {
    {26113, 3, 20, 0, 0, "18.06.2009 16:27:52", 2, 0, {{0x2500, 521}, {0xF780, 2}}},
    {26113, 4, 8, 1, 1, "26.06.2009 14:37:42", 2, 0, {{0x2800, 558}, {0xF780, 2}}},
    {26113, 5, 8, 1, 2, "27.01.2010 10:04:04", 2, 0, {{0x2800, 560}, {0xF780, 2}}},
    {26113, 5, 18, 4, 6, "03.02.2011 19:30:56", 2, 0, {{0x4400, 596}, {0xF780, 2}}},
    {26113, 5, 42, 4, 10, "16.11.2012 13:15:56", 2, 1, {{0x4400, 720}}},
    {26113,
     5,
     126,
     12,
     18,
     "12.04.2019 08:56:26",
     3,
     0,
     {{0x0128, 46}, {0x03D8, 1}, {0x03DF, 1}, {0x0400, 649}}},
    {26113,
     5,
     134,
     12,
     30,
     "12.08.2020 08:01:44",
     3,
     0,
     {{0x0128, 46}, {0x03D8, 1}, {0x03DF, 1}, {0x0400, 696}}},
    {26113,
     5,
     136,
     12,
     30,
     "06.07.2020 13:03:08",
     3,
     0,
     {{0x0128, 46}, {0x03D8, 1}, {0x03DF, 1}, {0x0400, 734}}},
    {26113,
     5,
     180,
     12,
     44,
     "07.02.2023 10:47:42",
     3,
     0,
     {{0x0128, 46}, {0x03D8, 1}, {0x03DF, 1}, {0x0400, 736}}},
    {26113,
     5,
     180,
     23,
     49,
     "07.02.2023 10:48:10",
     3,
     0,
     {{0x0240, 44}, {0x03D8, 1}, {0x03DF, 1}, {0x0400, 734}}},
    {26113,
     6,
     20,
     24,
     49,
     "21.09.2023 16:20:06",
     3,
     0,
     {{0x02C0, 46}, {0x03D8, 1}, {0x03DF, 1}, {0x0400, 767}}},
    {26113,
     6,
     20,
     24,
     53,
     "21.09.2023 16:19:36",
     3,
     0,
     {{0x02C0, 46}, {0x03D8, 1}, {0x03DF, 1}, {0x0400, 766}}},
};

constexpr const char* cEOL = "\r\n";
constexpr int cDATA_BYTES = 64;

// xorshift32: small, fixed and the same on every compiler.
class TXorShift {
public:
  explicit TXorShift(std::uint32_t nSeed) : FnState(nSeed != 0 ? nSeed : 1) {}
  std::uint8_t NextByte() {
    FnState ^= FnState << 13;
    FnState ^= FnState >> 17;
    FnState ^= FnState << 5;
    return static_cast<std::uint8_t>(FnState >> 24);
  }

private:
  std::uint32_t FnState;
};

std::string ClassWord(std::uint16_t nClass) {
  return nClass == 0x6601 ? "Tarvik" : "C" + std::to_string(nClass);
}

// The file name stem; the build derives the unit name uFW_<stem> from the same header values.
std::string ImageStem(const TImageSpec& rImage) {
  return ClassWord(rImage.nClass) + "_V" + std::to_string(rImage.nVerH) + "_" +
         std::to_string(rImage.nVerL) + "_PF" + std::to_string(rImage.nPlatform) + "_PR" +
         std::to_string(rImage.nPrint) + "_BL" + std::to_string(rImage.nBl) + "_" +
         std::to_string(rImage.nBlVer);
}

void AppendByte(std::string& sLine, std::uint8_t nByte) {
  static const char cDIGITS[] = "0123456789ABCDEF";
  sLine += cDIGITS[nByte >> 4];
  sLine += cDIGITS[nByte & 0x0F];
}

std::string DataRecord(std::uint16_t nAddress, TXorShift& rRandom) {
  std::string sLine = ":";
  std::uint8_t nSum = 0;
  auto add = [&](std::uint8_t nByte) {
    AppendByte(sLine, nByte);
    nSum = static_cast<std::uint8_t>(nSum + nByte);
  };
  add(cDATA_BYTES);
  add(static_cast<std::uint8_t>(nAddress >> 8));
  add(static_cast<std::uint8_t>(nAddress & 0xFF));
  add(0);
  for (int i = 0; i < cDATA_BYTES; ++i)
    add(rRandom.NextByte());
  AppendByte(sLine, static_cast<std::uint8_t>(0x100 - nSum));
  return sLine;
}

bool WriteImage(const std::string& sPath, const TImageSpec& rImage, std::uint32_t nSeed) {
  std::ofstream file(sPath, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  file << "bootloader=" << rImage.nBl << cEOL << "bootloader version=" << rImage.nBlVer << cEOL
       << "class=" << rImage.nClass << cEOL << "versionH=" << rImage.nVerH << cEOL
       << "versionL=" << rImage.nVerL << cEOL << "platform=" << rImage.nPlatform << cEOL
       << "print=" << rImage.nPrint << cEOL << "date=" << rImage.pDate << cEOL;
  TXorShift random(nSeed);
  for (const TRun& rRun : rImage.aRuns)
    for (std::uint32_t i = 0; i < rRun.nCount; ++i)
      file << DataRecord(static_cast<std::uint16_t>(rRun.nFirst + i * (rImage.nBl == 2 ? 0x40 : 1)),
                         random)
           << cEOL;
  file << ":00000001FF" << cEOL;
  return static_cast<bool>(file.flush());
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: tarvik-make-stand-in-images <folder>\n";
    return 2;
  }
  const std::string sFolder = argv[1];
  std::ofstream manifest(sFolder + "/images.txt", std::ios::binary | std::ios::trunc);
  manifest << "# The carried firmware images in catalogue index order (image 1 first).\n"
           << "# One file name per line, relative to this folder; '#' starts a comment.\n";
  for (std::size_t i = 0; i < cIMAGES.size(); ++i) {
    const std::string sName = ImageStem(cIMAGES[i]) + ".hex";
    const std::uint32_t nSeed = 0x7A5C0DE1u + static_cast<std::uint32_t>(i) * 0x9E3779B9u;
    if (!WriteImage(sFolder + "/" + sName, cIMAGES[i], nSeed)) {
      std::cerr << "tarvik-make-stand-in-images: cannot write " << sFolder << "/" << sName << "\n";
      return 1;
    }
    manifest << sName << "\n";
  }
  if (!manifest.flush()) {
    std::cerr << "tarvik-make-stand-in-images: cannot write " << sFolder << "/images.txt\n";
    return 1;
  }
  return 0;
}
