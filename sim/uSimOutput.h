// Bytes on their way to the tool, each released when a real line at --baud would deliver it.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

class TSimOutput {
public:
  using TClock = std::chrono::steady_clock;
  static constexpr std::size_t cMAX_QUEUED = 65536; // beyond this, answers are dropped

  // nBaud 0: every byte is due at once. Otherwise a byte takes 10 bit times (8N1).
  explicit TSimOutput(std::uint32_t nBaud);

  void Push(const std::string& sBytes, TClock::time_point tNow);

  // The bytes due at tNow, in order (they stay queued until Consume).
  std::vector<std::uint8_t> Due(TClock::time_point tNow) const;
  void Consume(std::size_t nCount);

  // When the next queued byte is due; empty when nothing waits.
  std::optional<TClock::time_point> NextDue() const;

  void Clear() { FaQueue.clear(); }

private:
  struct TByte {
    std::uint8_t byData;
    TClock::time_point tDue;
  };
  std::chrono::nanoseconds FnByteTime{0};
  TClock::time_point FtLineFree{};
  std::deque<TByte> FaQueue;
};
