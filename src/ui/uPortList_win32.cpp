// Serial port discovery from the registry's device map: HKEY_LOCAL_MACHINE
// hardware\devicemap\serialcomm holds one value per serial device, named after the device's
// kernel name, with the COM name as its text. The virtual COM ports are those whose kernel
// name begins with "\device\vcp" (letter case ignored).
#include "ui/uPortList.h"

#include "link/uWideText.h"

#include <windows.h>

namespace {

constexpr wchar_t cVCP_PREFIX[] = L"\\device\\vcp";

wchar_t LowerAscii(wchar_t ch) {
  return (ch >= L'A' && ch <= L'Z') ? static_cast<wchar_t>(ch - L'A' + L'a') : ch;
}

bool IsVcpName(const std::wstring& sName) {
  const std::size_t nPrefix = std::wstring(cVCP_PREFIX).size();
  if (sName.size() < nPrefix) return false;
  for (std::size_t i = 0; i < nPrefix; ++i)
    if (LowerAscii(sName[i]) != cVCP_PREFIX[i]) return false;
  return true;
}

// The text of a string value, without the terminating NULs the registry may keep.
std::wstring TextOf(const std::vector<BYTE>& aData, DWORD nSize) {
  std::wstring s(reinterpret_cast<const wchar_t*>(aData.data()), nSize / sizeof(wchar_t));
  while (!s.empty() && s.back() == L'\0')
    s.pop_back();
  return s;
}

struct TKey {
  HKEY h = nullptr;
  ~TKey() {
    if (h != nullptr) RegCloseKey(h);
  }
};

} // namespace

void FillPortList(std::vector<std::string>& Strings) {
  Strings.clear();
  TKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"hardware\\devicemap\\serialcomm", 0, KEY_QUERY_VALUE,
                    &key.h) != ERROR_SUCCESS)
    return;
  DWORD nMaxName = 0;
  DWORD nMaxData = 0;
  if (RegQueryInfoKeyW(key.h, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       &nMaxName, &nMaxData, nullptr, nullptr) != ERROR_SUCCESS)
    return;
  std::vector<wchar_t> aName(nMaxName + 1);
  std::vector<BYTE> aData(nMaxData + sizeof(wchar_t));
  for (DWORD nIndex = 0;; ++nIndex) {
    DWORD nNameLen = static_cast<DWORD>(aName.size());
    DWORD nDataSize = static_cast<DWORD>(aData.size());
    DWORD nType = REG_NONE;
    const LSTATUS nResult = RegEnumValueW(key.h, nIndex, aName.data(), &nNameLen, nullptr, &nType,
                                          aData.data(), &nDataSize);
    if (nResult == ERROR_MORE_DATA) { // the key grew since it was measured: measure again
      aName.resize(aName.size() * 2 + 256);
      aData.resize(aData.size() * 2 + 256);
      --nIndex;
      continue;
    }
    if (nResult != ERROR_SUCCESS) break; // ERROR_NO_MORE_ITEMS, or the key went away
    if (!IsVcpName(std::wstring(aName.data(), nNameLen))) continue;
    // A value that is no text, or an empty one, names no port the tool could open.
    if (nType != REG_SZ && nType != REG_EXPAND_SZ) continue;
    const std::string sPort = Utf8(TextOf(aData, nDataSize));
    if (!sPort.empty()) Strings.push_back(sPort);
  }
}
