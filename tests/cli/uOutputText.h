// Reading the command-line tests' outputs: parts of a text, its lines, and files of JSON
// records, one a line.
#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

inline bool Contains(const std::string& sText, const std::string& sPart) {
  return sText.find(sPart) != std::string::npos;
}

// How often sWhat stands in sText (overlapping places included).
inline std::size_t Count(const std::string& sText, const std::string& sWhat) {
  std::size_t nCount = 0;
  for (std::size_t n = sText.find(sWhat); n != std::string::npos; n = sText.find(sWhat, n + 1))
    ++nCount;
  return nCount;
}

inline std::vector<std::string> Lines(const std::string& sText) {
  std::vector<std::string> slLines;
  std::istringstream sStream(sText);
  for (std::string sLine; std::getline(sStream, sLine);)
    slLines.push_back(sLine);
  return slLines;
}

// Throws nlohmann::json::parse_error at a line that is not one JSON value.
inline std::vector<nlohmann::json> ReadJsonLines(const std::string& sPath) {
  std::vector<nlohmann::json> aRecords;
  std::ifstream F(sPath);
  for (std::string sLine; std::getline(F, sLine);)
    aRecords.push_back(nlohmann::json::parse(sLine));
  return aRecords;
}
