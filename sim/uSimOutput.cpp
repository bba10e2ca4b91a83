#include "uSimOutput.h"

#include <algorithm>

TSimOutput::TSimOutput(std::uint32_t nBaud) {
  if (nBaud != 0) FnByteTime = std::chrono::nanoseconds(10'000'000'000LL / nBaud);
}

void TSimOutput::Push(const std::string& sBytes, TClock::time_point tNow) {
  TClock::time_point tDue = std::max(tNow, FtLineFree);
  for (const char ch : sBytes) {
    if (FaQueue.size() >= cMAX_QUEUED) break;
    tDue += FnByteTime;
    FaQueue.push_back({static_cast<std::uint8_t>(ch), tDue});
  }
  FtLineFree = tDue;
}

std::vector<std::uint8_t> TSimOutput::Due(TClock::time_point tNow) const {
  std::vector<std::uint8_t> aBytes;
  for (const TByte& Byte : FaQueue) {
    if (Byte.tDue > tNow) break;
    aBytes.push_back(Byte.byData);
  }
  return aBytes;
}

void TSimOutput::Consume(std::size_t nCount) {
  nCount = std::min(nCount, FaQueue.size());
  FaQueue.erase(FaQueue.begin(), FaQueue.begin() + static_cast<std::ptrdiff_t>(nCount));
}

std::optional<TSimOutput::TClock::time_point> TSimOutput::NextDue() const {
  if (FaQueue.empty()) return std::nullopt;
  return FaQueue.front().tDue;
}
