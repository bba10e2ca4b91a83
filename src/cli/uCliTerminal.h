// The terminal side of the command line: is a stream a terminal, reading the operator's
// answer, and Ctrl+C. One back end per platform.
#pragma once

#include <atomic>
#include <optional>
#include <string>

enum class TStdStream { Input, Output, Error };

bool IsTerminal(TStdStream eStream);

// One line typed on the terminal (without its line end); nothing at end of input.
std::optional<std::string> ReadTerminalLine();

// Set by Ctrl+C (and a termination request); the handler also sets gbCancel.
extern std::atomic<bool> gbInterrupted;

// From now on Ctrl+C cancels the run instead of ending the program; a second one ends it.
void InstallInterruptHandler();
