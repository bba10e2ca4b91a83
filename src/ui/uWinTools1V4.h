// Command-line options of the form "prefix:value". Free of the GUI toolkit, so the window and
// the command line share it.
#pragma once

#include <string>
#include <vector>

// The program's arguments without argument 0. Set once at start, before any lookup.
extern std::vector<std::string> gslProgramArgs;
void SetProgramArgs(int argc, const char* const* argv);

// The value behind the first argument whose first characters equal sOption (letter case of
// A..Z ignored) and that is longer than sOption; at most 1000 characters. sDefault otherwise.
std::string FindOption(const std::string& sOption, const std::string& sDefault);
