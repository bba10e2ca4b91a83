// What the command line shows for one port: the report lines on stdout, the message-window
// text and a live progress bar on stderr.
#pragma once

#include "cli/uCliRun.h"

#include <ostream>
#include <string>

// "[#####---------------]  25%" for nPercent (clamped to 0..100) in a bar nWidth wide.
std::string ProgressBarText(int nPercent, int nWidth);

// The window's texts use "\r\n" for a line break; a terminal wants "\n".
std::string TerminalText(const std::string& sText);

class TCliOutput : public TRunView {
public:
  // bBar: stderr is a terminal, so the bar is drawn (and redrawn in place).
  TCliOutput(std::ostream& rOut, std::ostream& rErr, bool bBar);

  // One time-stamped report line, flushed at once.
  void Report(const std::string& sLine) override;
  void Message(const std::string& sText) override;
  void Hint(const std::string& sText) override;
  void Progress(int nPercent) override;

private:
  void HideBar();
  void ShowBar();

  std::ostream& FOut;
  std::ostream& FErr;
  bool FbBar;
  bool FbBarShown = false;
  int FnPercent = 0;
};

// Hands everything to two views: the output and a record of the run.
class TRunViewPair : public TRunView {
public:
  TRunViewPair(TRunView& rFirst, TRunView& rSecond) : FFirst(rFirst), FSecond(rSecond) {}
  void Notification(std::uint32_t nCode, std::uint32_t nValue) override;
  void Report(const std::string& sLine) override;
  void Progress(int nPercent) override;
  void Message(const std::string& sText) override;
  void Hint(const std::string& sText) override;
  void RunEnded() override;

private:
  TRunView& FFirst;
  TRunView& FSecond;
};
