// The run loop of the command line: one update as the window runs it from its Update button
// on, with the window's automatic repeats.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What one port's update shows, in the order the window shows it.
class TRunView {
public:
  virtual ~TRunView() = default;
  // Every notification, before what it shows; for views that keep a record of the run.
  virtual void Notification(std::uint32_t nCode, std::uint32_t nValue) {
    static_cast<void>(nCode);
    static_cast<void>(nValue);
  }
  // One report line with its time stamp, "hh-nn-ss -> text".
  virtual void Report(const std::string& sLine) = 0;
  // The progress bar's position, 0 to 100.
  virtual void Progress(int nPercent) = 0;
  // A text of the message window, or a note of the command line itself.
  virtual void Message(const std::string& sText) = 0;
  // Why the port would not open and what to do, after the message of failure 10.
  virtual void Hint(const std::string& sText) { static_cast<void>(sText); }
  // A run (one worker) has ended with its final notification.
  virtual void RunEnded() {}
};

struct TRunSettings {
  std::string sPort;
  std::optional<std::uint32_t> nMaxRepeats; // nothing: repeat without limit
};

// Exit status of the command line for a run that ended with notification cMSG_FAILURE and
// failure code iCode: the code itself, 1 for a failure without a code.
int FailureExitStatus(std::int32_t iCode);

// Runs workers until one ends without a repeat; returns the exit status: 0 done, the failure
// code, 1 for a failure without a code, 30 when the repeats ran out after cMSG_REPEAT (44
// when they ran out after a wrong echo). A Ctrl+C that came before the call (gbInterrupted)
// is in force from the first exchange on. A port that would not open (failure 10) gets its
// hint after the message.
int RunUpdate(const TRunSettings& rSettings, TRunView& rView);
