// The setting store outside Windows: an INI file, read from any stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <optional>

// A settings file is a few lines: no more than this is read of it, so that a file that never
// ends (a link to a device, say) is not read for ever.
constexpr std::size_t cMAX_SETTINGS_BYTES = 1 << 20;

// The integer value of key "intern" in section [General] (keys before any section belong to
// it) of the INI text in rSettings, read up to cMAX_SETTINGS_BYTES; the last one wins.
// Nothing when it is missing or not an integer.
std::optional<std::int32_t> InternValueFromSettings(std::istream& rSettings);
