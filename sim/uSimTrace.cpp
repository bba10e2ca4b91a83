#include "uSimTrace.h"

bool TSimTrace::Open(const std::string& sPath) {
  Close();
  FhFile = std::fopen(sPath.c_str(), "w");
  FtStart = TClock::now();
  return FhFile != nullptr;
}

void TSimTrace::Close() {
  if (FhFile != nullptr) std::fclose(FhFile);
  FhFile = nullptr;
}

void TSimTrace::Stamp(const char* sDirection) {
  const auto nMicros =
      std::chrono::duration_cast<std::chrono::microseconds>(TClock::now() - FtStart).count();
  std::fprintf(FhFile, "%6lld.%06lld %-3s", static_cast<long long>(nMicros / 1000000),
               static_cast<long long>(nMicros % 1000000), sDirection);
}

void TSimTrace::Bytes(const char* sDirection, const std::uint8_t* pData, std::size_t nCount) {
  if (FhFile == nullptr || nCount == 0) return;
  Stamp(sDirection);
  for (std::size_t i = 0; i < nCount; ++i)
    std::fprintf(FhFile, " %02X", pData[i]);
  std::fputc('\n', FhFile);
  std::fflush(FhFile);
}

void TSimTrace::In(const std::uint8_t* pData, std::size_t nCount) {
  Bytes("in", pData, nCount);
}

void TSimTrace::Out(const std::uint8_t* pData, std::size_t nCount) {
  Bytes("out", pData, nCount);
}

void TSimTrace::Note(const std::string& sText) {
  if (FhFile == nullptr || sText.empty()) return;
  Stamp("--");
  std::fprintf(FhFile, " %s\n", sText.c_str());
  std::fflush(FhFile);
}
