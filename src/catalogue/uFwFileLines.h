// The line rules of firmware files, shared by the reader and its fuzz target.
#pragma once

#include <string>
#include <vector>

// The image lines of a whole firmware file: every line that contains no "=", in file order.
// Lines end with LF or CR LF (one CR before the LF is dropped); a final line end does not start
// another line; a UTF-8 byte-order mark before the first line is dropped.
std::vector<std::string> FwImageLines(const std::string& sText);

// Drops one CR at the end of a line read up to its LF.
void StripLineEnd(std::string& sLine);

// Drops a UTF-8 byte-order mark at the start of the first line.
void StripByteOrderMark(std::string& sLine);
