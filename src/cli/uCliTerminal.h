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

// Lets the terminal on stderr act on the escape sequences that redraw progress lines in
// place (a Windows console needs to be told; elsewhere nothing to do).
void EnableTerminalEscapes();

// The width of the terminal on stderr in characters; 80 when it cannot be told.
int TerminalColumns();

// For a port's process of a fleet: the end of standard input (the starting process closed
// it, or has gone) cancels the run like Ctrl+C. Watches on a thread of its own.
void CancelAtEndOfInput();
