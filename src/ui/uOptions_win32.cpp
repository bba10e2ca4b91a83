// The per-user value "intern" from the registry: HKEY_CURRENT_USER\Software\Corvane\Tarv,
// opened for reading only.
#include "ui/uOptions.h"

#include <windows.h>

std::optional<std::int32_t> ReadInternValue() {
  HKEY hKey = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Corvane\\Tarv", 0, KEY_READ, &hKey) !=
      ERROR_SUCCESS)
    return std::nullopt;
  DWORD nType = REG_NONE;
  DWORD nValue = 0;
  DWORD nSize = sizeof(nValue);
  const LSTATUS nResult =
      RegQueryValueExW(hKey, L"intern", nullptr, &nType, reinterpret_cast<BYTE*>(&nValue), &nSize);
  RegCloseKey(hKey);
  // Only a DWORD is an integer; a text or any other kind leaves the normal mode.
  if (nResult != ERROR_SUCCESS || nType != REG_DWORD || nSize != sizeof(nValue))
    return std::nullopt;
  return static_cast<std::int32_t>(nValue);
}
