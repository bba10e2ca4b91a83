// The logger's flash as far as programming has written it, and its Intel-HEX picture.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class TSimFlash {
public:
  void Write(std::uint32_t nAddress, const std::vector<std::uint8_t>& aData);
  const std::map<std::uint32_t, std::uint8_t>& Bytes() const { return FaBytes; }

  // Data records of up to 32 bytes in address order, an extended linear address record
  // (type 04) before the first record of every 64 KiB segment above the first, and the end
  // record ":00000001FF". Lines end in "\n".
  std::string ToIntelHex() const;

  // Writes ToIntelHex() to sPath. False if the file cannot be written.
  bool Save(const std::string& sPath) const;

  // Reads what Save wrote (data, type 04 and end records, upper-case digits), replacing the
  // content. False, with the content left empty, on a file it cannot read or a line that is
  // no such record.
  bool Load(const std::string& sPath);

private:
  std::map<std::uint32_t, std::uint8_t> FaBytes;
};
