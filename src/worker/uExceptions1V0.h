// The one failure class of the worker: a numeric code, and a message for diagnosis only.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

class ETarv : public std::runtime_error {
public:
  explicit ETarv(std::int32_t iException);                   // message empty
  ETarv(std::int32_t iException, const std::string& sMsg);   // message sMsg
  ETarv(std::int32_t iException, std::int32_t iInfo);        // message the decimal iInfo

  std::int32_t iException;
};

// Failure codes.
constexpr std::int32_t cERR_PORT = 10;          // port could not be opened or configured
constexpr std::int32_t cERR_SERIAL = 11;        // a serial call failed, or a short line write
constexpr std::int32_t cERR_CANCEL = 20;        // cancel flag found set before a try
constexpr std::int32_t cERR_NO_ANSWER = 30;     // five tries without a valid exchange
constexpr std::int32_t cERR_NO_BOOTLOADER = 40; // logger did not come up in its bootloader
constexpr std::int32_t cERR_LOGGER = 41;        // status bit 0x20 in the answer frame
constexpr std::int32_t cERR_LAST_LINE = 42;     // image too short or without end record
constexpr std::int32_t cERR_CONVERSION = 43;    // an image line is no valid record
constexpr std::int32_t cERR_ECHO = 44;          // echo differs from the line sent
constexpr std::int32_t cERR_CLASS = 45;         // wrong class after the restart
constexpr std::int32_t cERR_INFO = 46;          // hardware information record unreadable
constexpr std::int32_t cERR_NO_IMAGE = 47;      // no image fits the logger
constexpr std::int32_t cERR_INFO_ONLY = 70;     // read-info-only run ends after the choice
