// The per-user setting store outside Windows: the INI file that Qt's settings use for the
// organisation "Corvane" and the application "Tarv", key "intern" of section [General].
#include "ui/uOptions_posix.h"
#include "ui/uOptions.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::string SettingsPath() {
  const char* sConfig = std::getenv("XDG_CONFIG_HOME");
  // Like Qt, a relative XDG_CONFIG_HOME is ignored.
  if (sConfig != nullptr && sConfig[0] == '/') {
    return std::string(sConfig) + "/Corvane/Tarv.conf";
  }
  const char* sHome = std::getenv("HOME");
  if (sHome == nullptr || sHome[0] == '\0') {
    return {};
  }
  return std::string(sHome) + "/.config/Corvane/Tarv.conf";
}

std::string Trim(const std::string& sText) {
  const char* sBlanks = " \t\r\n";
  const std::size_t nFirst = sText.find_first_not_of(sBlanks);
  if (nFirst == std::string::npos) {
    return {};
  }
  const std::size_t nLast = sText.find_last_not_of(sBlanks);
  return sText.substr(nFirst, nLast - nFirst + 1);
}

// A decimal 32-bit integer, optionally signed, nothing else (quotes around it allowed, as
// Qt writes text values that way).
std::optional<std::int32_t> ParseInteger(std::string sText) {
  if (sText.size() >= 2 && sText.front() == '"' && sText.back() == '"') {
    sText = Trim(sText.substr(1, sText.size() - 2));
  }
  if (!sText.empty() && sText.front() == '+') {
    sText.erase(0, 1);
  }
  if (sText.empty()) {
    return std::nullopt;
  }
  std::int32_t nValue = 0;
  const char* pEnd = sText.data() + sText.size();
  const auto [pStop, eError] = std::from_chars(sText.data(), pEnd, nValue);
  if (eError != std::errc() || pStop != pEnd) {
    return std::nullopt;
  }
  return nValue;
}

// At most cMAX_SETTINGS_BYTES of rStream. Reading line by line would not do: a line is read
// whole, however long it is.
std::string ReadBounded(std::istream& rStream) {
  std::string sText;
  char aChunk[4096];
  while (sText.size() < cMAX_SETTINGS_BYTES) {
    const std::size_t nWant = std::min(sizeof aChunk, cMAX_SETTINGS_BYTES - sText.size());
    rStream.read(aChunk, static_cast<std::streamsize>(nWant));
    const auto nGot = static_cast<std::size_t>(rStream.gcount());
    sText.append(aChunk, nGot);
    if (nGot < nWant) break;
  }
  return sText;
}

} // namespace

std::optional<std::int32_t> InternValueFromSettings(std::istream& rSettings) {
  std::istringstream F(ReadBounded(rSettings));
  std::optional<std::string> sFound;
  bool bInGeneral = true; // keys before any section header belong to [General] as well
  std::string sLine;
  while (std::getline(F, sLine)) {
    const std::string sEntry = Trim(sLine);
    if (sEntry.empty() || sEntry.front() == ';' || sEntry.front() == '#') {
      continue;
    }
    if (sEntry.front() == '[') {
      bInGeneral = (sEntry == "[General]");
      continue;
    }
    const std::size_t nEqual = sEntry.find('=');
    if (!bInGeneral || nEqual == std::string::npos) {
      continue;
    }
    if (Trim(sEntry.substr(0, nEqual)) == "intern") {
      sFound = Trim(sEntry.substr(nEqual + 1)); // the last one wins, as with Qt
    }
  }
  if (!sFound) {
    return std::nullopt;
  }
  return ParseInteger(*sFound);
}

std::optional<std::int32_t> ReadInternValue() {
  const std::string sPath = SettingsPath();
  if (sPath.empty()) {
    return std::nullopt;
  }
  std::ifstream F(sPath, std::ios::binary);
  if (!F) {
    return std::nullopt;
  }
  return InternValueFromSettings(F);
}
