#include "worker/uAnswers.h"

#include "link/uConvert1V0.h"
#include "link/uCrc.h"
#include "link/uFlash.h"

namespace {
constexpr std::uint8_t cSTATUS_ERROR = 0x20;
}

TFrameAnswer CheckFrameAnswer(const std::uint8_t* aFrame, std::uint32_t nReceived) {
  if (nReceived < cANSWER_FRAME_SIZE) return TFrameAnswer::Retry;
  if (Crc8(aFrame, cANSWER_FRAME_SIZE - 1) != aFrame[cANSWER_FRAME_SIZE - 1])
    return TFrameAnswer::Retry;
  return (aFrame[0] & cSTATUS_ERROR) != 0 ? TFrameAnswer::Refused : TFrameAnswer::Valid;
}

bool CheckLineAnswer(const std::uint8_t* aLine, std::uint32_t nReceived, std::uint8_t byCount) {
  const std::uint32_t nLength = AnswerLineLength(byCount);
  if (nReceived < nLength) return false;
  // The sum alone lets through a line shifted by stray bytes whose remaining digits happen to
  // add up to 0 (a non-digit counts as nothing): such a try must fail and be repeated.
  std::uint8_t byDigit = 0;
  for (std::uint32_t i = 1; i < nLength; ++i)
    if (!HexDigit(static_cast<char>(aLine[i]), byDigit)) return false;
  return LineChecksum(reinterpret_cast<const char*>(aLine + 1), byCount + 5) == 0;
}

bool DecodeAnswerRecord(const std::string& sAnswer, std::uint8_t byCount) {
  gsLine = sAnswer;
  return ParseRecordLine() && gaRecord[0] == byCount;
}
