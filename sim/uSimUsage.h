// Usage errors of the simulator's command line and the number syntax its options share.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// A command line the simulator cannot use; its text is shown to the user.
class ESimUsage : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Decimal or 0x hex, no sign, at most nMax. Raises ESimUsage naming sWhat.
std::uint32_t ParseSimNumber(const std::string& sText, std::uint32_t nMax,
                             const std::string& sWhat);
