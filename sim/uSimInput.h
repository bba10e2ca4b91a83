// Splits the byte stream from the tool into command frames and hex lines.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class TSimItemKind { Frame, Line };

struct TSimItem {
  TSimItemKind Kind = TSimItemKind::Frame;
  std::string sBytes; // 8 frame bytes, or the whole line from ":" to the checksum
};

// A frame is 8 bytes whose first byte has bit 7 set or is zero (a wake frame); a line is ":"
// and upper-case hex digits until its length reaches 2 * count + 11 (count at most 64).
// Other bytes are dropped. A byte that cannot continue a line starts the search for the next
// item. A partial item is discarded once the line has been seen silent for cGAP.
class TSimInput {
public:
  using TClock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds cGAP{50};
  static constexpr std::size_t cFRAME_SIZE = 8;
  static constexpr unsigned cMAX_LINE_COUNT = 64;

  // Feeds bytes received at tNow; complete items are appended to aItems.
  void Feed(const std::uint8_t* pData, std::size_t nCount, TClock::time_point tNow,
            std::vector<TSimItem>& aItems);

  // Discards a partial item if nothing arrived since cGAP before tNow. Call it only when the
  // port was seen idle: a late look at bytes that came in time is no silence. True if discarded.
  bool ExpireIfSilent(TClock::time_point tNow);

  // When a partial item would expire; empty when none is pending.
  std::optional<TClock::time_point> Expiry() const;

  // Discards any partial item (the logger restarted).
  void Reset() { FsPending.clear(); }

  bool HasPending() const { return !FsPending.empty(); }

private:
  void FeedByte(std::uint8_t byData, std::vector<TSimItem>& aItems);
  void StartItem(std::uint8_t byData);

  std::string FsPending;
  TSimItemKind FKind = TSimItemKind::Frame;
  std::size_t FnLineLength = 0; // 0 while the count digits are still missing
  TClock::time_point FtLast{};
};
