#include "link/uWideText.h"

#include <windows.h>

namespace {

std::wstring WideWith(const std::string& sUtf8, DWORD nFlags) {
  if (sUtf8.empty()) return {};
  const int nChars = MultiByteToWideChar(CP_UTF8, nFlags, sUtf8.data(),
                                         static_cast<int>(sUtf8.size()), nullptr, 0);
  if (nChars <= 0) return {};
  std::wstring sWide(static_cast<std::size_t>(nChars), L'\0');
  MultiByteToWideChar(CP_UTF8, nFlags, sUtf8.data(), static_cast<int>(sUtf8.size()), sWide.data(),
                      nChars);
  return sWide;
}

} // namespace

std::wstring Wide(const std::string& sUtf8) {
  return WideWith(sUtf8, 0);
}

std::wstring WideStrict(const std::string& sUtf8) {
  return WideWith(sUtf8, MB_ERR_INVALID_CHARS);
}

std::string Utf8(const std::wstring& sWide) {
  if (sWide.empty()) return {};
  const int nBytes = WideCharToMultiByte(CP_UTF8, 0, sWide.data(), static_cast<int>(sWide.size()),
                                         nullptr, 0, nullptr, nullptr);
  if (nBytes <= 0) return {};
  std::string sUtf8(static_cast<std::size_t>(nBytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, sWide.data(), static_cast<int>(sWide.size()), sUtf8.data(),
                      nBytes, nullptr, nullptr);
  return sUtf8;
}
