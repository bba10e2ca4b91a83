#include "uSimFrames.h"

#include "link/uCrc.h"

namespace {

std::uint8_t FrameCrc(const std::string& sFrame) {
  return Crc8(reinterpret_cast<const std::uint8_t*>(sFrame.data()), 7);
}

} // namespace

bool FrameCrcIsValid(const std::string& sFrame) {
  return sFrame.size() == 8 && FrameCrc(sFrame) == static_cast<std::uint8_t>(sFrame[7]);
}

bool IsWakeFrame(const std::string& sFrame) {
  return sFrame == std::string(8, '\0');
}

std::string BuildAnswerFrame(const std::array<std::uint8_t, 7>& aBytes) {
  std::string sFrame(aBytes.begin(), aBytes.end());
  sFrame.push_back(static_cast<char>(FrameCrc(sFrame)));
  return sFrame;
}

void ApplyFrameFault(TFaultKind Kind, std::string& sAnswer) {
  if (sAnswer.size() != 8) return;
  switch (Kind) {
  case TFaultKind::Short:
    sAnswer.pop_back();
    break;
  case TFaultKind::Crc:
    sAnswer[7] = static_cast<char>(sAnswer[7] ^ 0x01);
    break;
  case TFaultKind::Noise:
    sAnswer.insert(0, cSIM_NOISE);
    break;
  case TFaultKind::Status:
    sAnswer[0] = static_cast<char>(sAnswer[0] | cSIM_STATUS_ERROR);
    sAnswer[7] = static_cast<char>(FrameCrc(sAnswer));
    break;
  default:
    break;
  }
}
