// Internal mode and the command-line switches. Free of the GUI toolkit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

constexpr std::int32_t cACCESS_CODE = 3904;

// The per-user value "intern": on Windows HKCU\Software\Corvane\Tarv, elsewhere key "intern"
// of section [General] in $XDG_CONFIG_HOME/Corvane/Tarv.conf (~/.config when unset).
// Nothing when it is missing or not an integer. One back end per platform.
std::optional<std::int32_t> ReadInternValue();

// True when the value exists and equals the access code.
bool IsInternalMode();

// Applies the options to the switches exactly as the main window does at its creation.
void ApplyOptions(bool bInternal);
