#include "worker/uAnswers.h"

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
  if (nReceived < AnswerLineLength(byCount)) return false;
  return LineChecksum(reinterpret_cast<const char*>(aLine + 1), byCount + 5) == 0;
}

bool DecodeAnswerRecord(const std::string& sAnswer, std::uint8_t byCount) {
  gsLine = sAnswer;
  return ParseRecordLine() && gaRecord[0] == byCount;
}
