// libFuzzer target: the checks on the logger's answers (frames and lines) and the decoding of
// the records the engine reads from them, on any bytes. The first byte is the number of data
// bytes the line answer must carry; the rest is what arrived, held in a buffer of exactly
// that size so that a read beyond it shows.
#include "link/uCrc.h"
#include "link/uFlash.h"
#include "worker/uAnswers.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

int Digit(std::uint8_t ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1000; // a line with anything else fails
}

void Check(bool bHolds) {
  if (!bHolds) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
  if (nSize == 0) return 0;
  const std::uint8_t byCount = pData[0];
  const std::vector<std::uint8_t> aBytes(pData + 1, pData + nSize);
  const auto nReceived = static_cast<std::uint32_t>(aBytes.size());

  const TFrameAnswer eFrame = CheckFrameAnswer(aBytes.data(), nReceived);
  const bool bWhole = nReceived >= cANSWER_FRAME_SIZE && Crc8(aBytes.data(), 7) == aBytes[7];
  if (!bWhole)
    Check(eFrame == TFrameAnswer::Retry);
  else
    Check(eFrame == ((aBytes[0] & 0x20) != 0 ? TFrameAnswer::Refused : TFrameAnswer::Valid));

  // The line as the worker reads it: never more than the expected length.
  const std::uint32_t nLength = AnswerLineLength(byCount);
  const std::uint32_t nLine = nReceived < nLength ? nReceived : nLength;
  const bool bLine = CheckLineAnswer(aBytes.data(), nLine, byCount);
  if (nLine < nLength) {
    Check(!bLine);
    return 0;
  }
  unsigned nSum = 0;
  bool bDigits = true;
  for (std::uint32_t i = 1; i + 1 < nLength; i += 2) {
    bDigits = bDigits && Digit(aBytes[i]) >= 0 && Digit(aBytes[i + 1]) >= 0;
    nSum += static_cast<unsigned>(Digit(aBytes[i]) * 16 + Digit(aBytes[i + 1]));
  }
  Check(bLine == (bDigits && (nSum & 0xFF) == 0));

  // What the engine makes of a line that passed: a record with exactly the data bytes asked
  // for, which builds back into the same line.
  const std::string sAnswer(aBytes.begin(), aBytes.begin() + nLength);
  if (bLine && DecodeAnswerRecord(sAnswer, byCount)) {
    Check(gaRecord[0] == byCount && byCount <= cMAX_RECORD_DATA);
    Check(BuildRecordLine() && gsLine == sAnswer);
  }
  return 0;
}
