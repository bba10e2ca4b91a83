#include "uSimInput.h"

#include "link/uConvert1V0.h"

void TSimInput::Feed(const std::uint8_t* pData, std::size_t nCount, TClock::time_point tNow,
                     std::vector<TSimItem>& aItems) {
  if (nCount == 0) return;
  FtLast = tNow;
  for (std::size_t i = 0; i < nCount; ++i)
    FeedByte(pData[i], aItems);
}

bool TSimInput::ExpireIfSilent(TClock::time_point tNow) {
  if (FsPending.empty() || tNow - FtLast < cGAP) return false;
  FsPending.clear();
  return true;
}

std::optional<TSimInput::TClock::time_point> TSimInput::Expiry() const {
  if (FsPending.empty()) return std::nullopt;
  return FtLast + cGAP;
}

void TSimInput::StartItem(std::uint8_t byData) {
  if ((byData & 0x80) != 0 || byData == 0) {
    FKind = TSimItemKind::Frame;
    FsPending.assign(1, static_cast<char>(byData));
  } else if (byData == ':') {
    FKind = TSimItemKind::Line;
    FsPending.assign(1, ':');
    FnLineLength = 0;
  }
  // Anything else is noise between items.
}

void TSimInput::FeedByte(std::uint8_t byData, std::vector<TSimItem>& aItems) {
  if (FsPending.empty()) {
    StartItem(byData);
    return;
  }
  if (FKind == TSimItemKind::Frame) {
    FsPending.push_back(static_cast<char>(byData));
    if (FsPending.size() == cFRAME_SIZE) {
      aItems.push_back({TSimItemKind::Frame, std::move(FsPending)});
      FsPending.clear();
    }
    return;
  }

  std::uint8_t byDigit = 0;
  if (!HexDigit(static_cast<char>(byData), byDigit)) {
    // Not part of a line: the line is lost, the byte may begin the next item.
    FsPending.clear();
    StartItem(byData);
    return;
  }
  FsPending.push_back(static_cast<char>(byData));
  if (FsPending.size() == 3) {
    std::uint8_t byHigh = 0;
    HexDigit(FsPending[1], byHigh);
    const unsigned nCount = byHigh * 16u + byDigit;
    if (nCount > cMAX_LINE_COUNT) {
      FsPending.clear();
      return;
    }
    FnLineLength = 2 * nCount + 11;
  }
  if (FnLineLength != 0 && FsPending.size() == FnLineLength) {
    aItems.push_back({TSimItemKind::Line, std::move(FsPending)});
    FsPending.clear();
  }
}
