// The image header, and the reader of firmware files (eight key=value header lines, then
// the Intel-HEX records).
#pragma once

#include <cstdint>
#include <istream>
#include <stdexcept>
#include <string>

struct TBl3FileHeader {
  std::uint16_t tarv_class = 0;
  std::uint16_t tarv_verH = 0;
  std::uint16_t tarv_verL = 0;
  std::uint16_t tarv_platform = 0;
  std::uint16_t tarv_print = 0;
  std::string tarv_date;
  std::uint16_t tarv_bl = 0;
  std::uint16_t tarv_bl_ver = 0;
};

constexpr std::uint16_t cUNKNOWN = 0xFFFF;

// A firmware file that cannot be used; what() names the file and the reason.
class EFwFile : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// value := the text after the first "=" when the text before it is exactly key, else empty.
void GetHeaderValue(const std::string& line, const std::string& key, std::string& value);

// Reads the eight header lines of F into header. Returns true; a value that does not convert
// raises EFwFile (whose text names the line and the reason, not the file).
bool ReadFwFileHeader(std::istream& F, TBl3FileHeader& header);

// The File button's step: sFile becomes image 0 (header and lines without "="), gnFwIndex 0.
// Every image line must be a 64-byte data record or the end record, else the file is refused
// naming its line. On any failure raises EFwFile naming the file and the reason, and leaves the
// previous file image and gnFwIndex as they were.
void LoadFwFileImage(const std::string& sFile);

// The "File version" step: only the header of sFile replaces that of image 0, gnFwIndex 0.
// Raises EFwFile like LoadFwFileImage and then changes nothing.
void ReadFwFileVersion(const std::string& sFile);
