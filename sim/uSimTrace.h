// The trace file: every byte in and out with a time stamp, and what the logger made of it.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

class TSimTrace {
public:
  using TClock = std::chrono::steady_clock;

  TSimTrace() = default;
  TSimTrace(const TSimTrace&) = delete;
  TSimTrace& operator=(const TSimTrace&) = delete;
  ~TSimTrace() { Close(); }

  // Starts the trace; time stamps count from here. False if the file cannot be created.
  bool Open(const std::string& sPath);
  void Close();

  // "  0.012345 in  81 00 ...", "  0.012400 out 00 00 ...", "  0.012401 --  <note>"
  void In(const std::uint8_t* pData, std::size_t nCount);
  void Out(const std::uint8_t* pData, std::size_t nCount);
  void Note(const std::string& sText);

private:
  void Bytes(const char* sDirection, const std::uint8_t* pData, std::size_t nCount);
  void Stamp(const char* sDirection);

  std::FILE* FhFile = nullptr;
  TClock::time_point FtStart{};
};
