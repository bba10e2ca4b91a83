#include "uRegistryFixture_win32.h"

#include <stdexcept>

namespace {

std::vector<TRegValue> ReadAll(HKEY hKey) {
  std::vector<TRegValue> aValues;
  for (DWORD nIndex = 0;; ++nIndex) {
    wchar_t aName[16384];
    DWORD nNameLen = 16384;
    DWORD nType = 0;
    DWORD nSize = 0;
    if (RegEnumValueW(hKey, nIndex, aName, &nNameLen, nullptr, &nType, nullptr, &nSize) !=
        ERROR_SUCCESS)
      break;
    TRegValue value{std::wstring(aName, nNameLen), nType, std::vector<BYTE>(nSize)};
    nNameLen = 16384;
    RegEnumValueW(hKey, nIndex, aName, &nNameLen, nullptr, &nType, value.aData.data(), &nSize);
    aValues.push_back(value);
  }
  return aValues;
}

} // namespace

TRegValue TextValue(const std::wstring& sName, const std::wstring& sText) {
  const BYTE* p = reinterpret_cast<const BYTE*>(sText.c_str());
  return {sName, REG_SZ, std::vector<BYTE>(p, p + (sText.size() + 1) * sizeof(wchar_t))};
}

TRegValue DwordValue(const std::wstring& sName, DWORD nValue) {
  const BYTE* p = reinterpret_cast<const BYTE*>(&nValue);
  return {sName, REG_DWORD, std::vector<BYTE>(p, p + sizeof(nValue))};
}

TRegistryKeyGuard::TRegistryKeyGuard(HKEY hRoot, std::wstring sKey)
    : FhRoot(hRoot), FsKey(std::move(sKey)) {
  HKEY hKey = nullptr;
  if (RegOpenKeyExW(FhRoot, FsKey.c_str(), 0, KEY_READ, &hKey) == ERROR_SUCCESS) {
    FbExisted = true;
    FaSaved = ReadAll(hKey);
    RegCloseKey(hKey);
  }
  Remove();
}

TRegistryKeyGuard::~TRegistryKeyGuard() {
  Remove();
  if (FbExisted) Write(FaSaved);
}

void TRegistryKeyGuard::Write(const std::vector<TRegValue>& aValues) const {
  HKEY hKey = nullptr;
  // The device map lives in a volatile key: a key below it must be volatile too.
  LSTATUS nResult = RegCreateKeyExW(FhRoot, FsKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_SET_VALUE, nullptr, &hKey, nullptr);
  if (nResult == ERROR_CHILD_MUST_BE_VOLATILE)
    nResult = RegCreateKeyExW(FhRoot, FsKey.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_SET_VALUE,
                              nullptr, &hKey, nullptr);
  if (nResult != ERROR_SUCCESS)
    throw std::runtime_error("RegCreateKeyExW failed: " + std::to_string(nResult));
  for (const TRegValue& value : aValues)
    RegSetValueExW(hKey, value.sName.c_str(), 0, value.nType, value.aData.data(),
                   static_cast<DWORD>(value.aData.size()));
  RegCloseKey(hKey);
}

void TRegistryKeyGuard::Remove() const {
  RegDeleteTreeW(FhRoot, FsKey.c_str());
  RegDeleteKeyW(FhRoot, FsKey.c_str());
}
