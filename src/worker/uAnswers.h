// The checks on the logger's answers as they arrive, apart from the port: what makes an
// answer frame or an answer line good enough to read, and the record that the engine reads
// out of an answer line.
#pragma once

#include <cstdint>
#include <string>

constexpr std::uint32_t cANSWER_FRAME_SIZE = 8;

enum class TFrameAnswer : std::uint8_t {
  Valid,  // eight bytes, correct CRC-8, status bit clear
  Retry,  // fewer than eight bytes, or a wrong CRC-8: the try failed
  Refused // a correct frame with status bit 0x20: the logger refuses
};

// The answer frame of which nReceived bytes arrived at aFrame. Reads only those bytes.
TFrameAnswer CheckFrameAnswer(const std::uint8_t* aFrame, std::uint32_t nReceived);

// Length of an answer line with byCount data bytes: ":", count, address, type, data, checksum.
constexpr std::uint32_t AnswerLineLength(std::uint8_t byCount) {
  return 2U * byCount + 11U;
}

// The answer line with byCount data bytes of which nReceived bytes arrived at aLine: true when
// all of it came, every character after the first is an upper-case hex digit, and the bytes
// they spell add up to 0. Nothing else is looked at (the ":", the count field). Reads only
// the received bytes.
bool CheckLineAnswer(const std::uint8_t* aLine, std::uint32_t nReceived, std::uint8_t byCount);

// An answer line as a record: true, with the record in gaRecord (and the line in gsLine), only
// for a valid upper-case record with exactly byCount data bytes.
bool DecodeAnswerRecord(const std::string& sAnswer, std::uint8_t byCount);
