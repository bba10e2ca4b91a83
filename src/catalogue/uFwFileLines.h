// The line rules of firmware files, shared by the reader and its fuzz target.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// An image line and its number in the file (1 for the file's first line), as an editor shows it.
struct TFileLine {
  std::string sText;
  std::int32_t nLine;
};

// The image lines of a whole firmware file: every line that contains no "=", in file order.
// Lines end with LF or CR LF (one CR before the LF is dropped); a final line end does not start
// another line; a UTF-8 byte-order mark before the first line is dropped.
std::vector<TFileLine> FwImageFileLines(const std::string& sText);

// The same lines without their numbers.
std::vector<std::string> FwImageLines(const std::string& sText);

// Why an image line would not be programmed whole, such as "16-byte record; only 64-byte data
// records can be programmed"; nothing for a 64-byte data record (type 00) or the end record
// ":00000001FF". The programming step passes every other record over without a word.
std::optional<std::string> UnprogrammableLine(const std::string& sLine);

// Drops one CR at the end of a line read up to its LF.
void StripLineEnd(std::string& sLine);

// Drops a UTF-8 byte-order mark at the start of the first line.
void StripByteOrderMark(std::string& sLine);
