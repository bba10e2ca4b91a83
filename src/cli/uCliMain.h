// The command line's program, apart from the platform's entry point (uCliEntry_*.cpp), which
// hands it the arguments as UTF-8 texts, argument 0 first.
#pragma once

#include <string>
#include <vector>

// Returns the exit status.
int CliMain(const std::vector<std::string>& slArgs);
