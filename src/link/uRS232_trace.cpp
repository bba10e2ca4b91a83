// The byte trace of the serial link: one line per chunk of bytes that went in or out, with
// the wall time (UTC) and the monotonic time since the trace was opened.
#include "link/uRS232_internal.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>

namespace {

std::atomic<bool> gbTraceOn{false};
std::mutex gTraceMutex;
std::FILE* gpTraceFile = nullptr;
std::chrono::steady_clock::time_point gTraceStart;

// "2024-05-01 12:34:56.123456Z +1.234567 port 5 " -- written with gTraceMutex held.
void WriteStamp(TPortHandle hPort) {
  using namespace std::chrono;
  const auto tWall = time_point_cast<microseconds>(system_clock::now());
  const auto tDay = floor<days>(tWall);
  const year_month_day ymd{tDay};
  const hh_mm_ss hms{tWall - tDay};
  const auto nSinceOpen = duration_cast<microseconds>(steady_clock::now() - gTraceStart).count();
  std::fprintf(gpTraceFile, "%04d-%02u-%02u %02ld:%02ld:%02lld.%06lldZ +%lld.%06lld port %lld ",
               static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
               static_cast<unsigned>(ymd.day()), static_cast<long>(hms.hours().count()),
               static_cast<long>(hms.minutes().count()),
               static_cast<long long>(hms.seconds().count()),
               static_cast<long long>(hms.subseconds().count()),
               static_cast<long long>(nSinceOpen / 1000000),
               static_cast<long long>(nSinceOpen % 1000000), static_cast<long long>(hPort));
}

} // namespace

bool OpenPortTrace(const std::string& sFile) {
  std::lock_guard<std::mutex> lock(gTraceMutex);
  if (gpTraceFile != nullptr) std::fclose(gpTraceFile);
  gpTraceFile = std::fopen(sFile.c_str(), "w");
  gTraceStart = std::chrono::steady_clock::now();
  gbTraceOn.store(gpTraceFile != nullptr, std::memory_order_relaxed);
  return gpTraceFile != nullptr;
}

void ClosePortTrace() {
  std::lock_guard<std::mutex> lock(gTraceMutex);
  gbTraceOn.store(false, std::memory_order_relaxed);
  if (gpTraceFile != nullptr) std::fclose(gpTraceFile);
  gpTraceFile = nullptr;
}

bool PortTraceOn() {
  return gbTraceOn.load(std::memory_order_relaxed);
}

void TracePortBytes(TPortHandle hPort, TTraceDir dir, const std::uint8_t* pData, std::uint32_t n) {
  if (!PortTraceOn() || n == 0) return;
  std::lock_guard<std::mutex> lock(gTraceMutex);
  if (gpTraceFile == nullptr) return;
  WriteStamp(hPort);
  std::fputs(dir == TTraceDir::Out ? "out" : "in ", gpTraceFile);
  for (std::uint32_t i = 0; i < n; ++i)
    std::fprintf(gpTraceFile, " %02X", pData[i]);
  std::fputc('\n', gpTraceFile);
  std::fflush(gpTraceFile);
}

void TracePortEvent(TPortHandle hPort, const std::string& sWhat) {
  if (!PortTraceOn()) return;
  std::lock_guard<std::mutex> lock(gTraceMutex);
  if (gpTraceFile == nullptr) return;
  WriteStamp(hPort);
  std::fprintf(gpTraceFile, "-- %s\n", sWhat.c_str());
  std::fflush(gpTraceFile);
}
