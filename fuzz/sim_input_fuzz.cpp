// libFuzzer target: the simulator's input splitter on any bytes. Every item it gives is a
// whole frame or a whole hex line, and fed in pieces it gives the same items as fed at once.
// The first byte sets the size of the pieces.
#include "uSimInput.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

bool IsHexDigit(char ch) {
  return (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F');
}

int HexValue(char ch) {
  return ch <= '9' ? ch - '0' : ch - 'A' + 10;
}

void CheckItem(const TSimItem& Item) {
  const std::string& s = Item.sBytes;
  if (Item.Kind == TSimItemKind::Frame) {
    const auto byFirst = static_cast<std::uint8_t>(s.at(0));
    if (s.size() != TSimInput::cFRAME_SIZE || !(byFirst == 0 || (byFirst & 0x80) != 0))
      std::abort();
    return;
  }
  if (s.size() < 11 || s[0] != ':') std::abort();
  for (std::size_t i = 1; i < s.size(); ++i)
    if (!IsHexDigit(s[i])) std::abort();
  const unsigned nCount = static_cast<unsigned>(HexValue(s[1]) * 16 + HexValue(s[2]));
  if (nCount > TSimInput::cMAX_LINE_COUNT || s.size() != 2 * nCount + 11) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
  if (nSize == 0) return 0;
  const std::size_t nPiece = pData[0] % 16 + 1;
  const TSimInput::TClock::time_point tNow{};

  TSimInput Whole;
  std::vector<TSimItem> aWhole;
  Whole.Feed(pData + 1, nSize - 1, tNow, aWhole);

  TSimInput Pieces;
  std::vector<TSimItem> aPieces;
  for (std::size_t nAt = 1; nAt < nSize; nAt += nPiece)
    Pieces.Feed(pData + nAt, std::min(nPiece, nSize - nAt), tNow, aPieces);

  if (aWhole.size() != aPieces.size() || Whole.HasPending() != Pieces.HasPending()) std::abort();
  for (std::size_t i = 0; i < aWhole.size(); ++i) {
    CheckItem(aWhole[i]);
    if (aWhole[i].Kind != aPieces[i].Kind || aWhole[i].sBytes != aPieces[i].sBytes) std::abort();
  }
  // Silence ends a partial item; the next byte starts afresh.
  Whole.ExpireIfSilent(tNow + TSimInput::cGAP);
  if (Whole.HasPending()) std::abort();
  return 0;
}
