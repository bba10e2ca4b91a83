// Puts a registry key into a known state for one test and gives the old state back afterwards,
// so the tests can run in any prefix (and on a real Windows with administrator rights).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct TRegValue {
  std::wstring sName;
  DWORD nType;
  std::vector<BYTE> aData;
};

TRegValue TextValue(const std::wstring& sName, const std::wstring& sText);
TRegValue DwordValue(const std::wstring& sName, DWORD nValue);

class TRegistryKeyGuard {
public:
  // Remembers every value of hRoot\sKey (and whether the key existed) and removes the key.
  TRegistryKeyGuard(HKEY hRoot, std::wstring sKey);
  ~TRegistryKeyGuard(); // restores the remembered state
  TRegistryKeyGuard(const TRegistryKeyGuard&) = delete;
  TRegistryKeyGuard& operator=(const TRegistryKeyGuard&) = delete;

  // Creates the key (if needed) and writes the values in the order given.
  void Write(const std::vector<TRegValue>& aValues) const;
  void Remove() const;

private:
  HKEY FhRoot;
  std::wstring FsKey;
  bool FbExisted = false;
  std::vector<TRegValue> FaSaved;
};
