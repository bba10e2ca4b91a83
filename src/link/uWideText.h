// UTF-8, the program's text, to and from UTF-16, the text of the Windows API (Windows only).
#pragma once

#include <string>

// A sequence that is not UTF-8 becomes U+FFFD.
std::wstring Wide(const std::string& sUtf8);
// Empty for a text that is not valid UTF-8: for names that must not be guessed at.
std::wstring WideStrict(const std::string& sUtf8);
std::string Utf8(const std::wstring& sWide);
