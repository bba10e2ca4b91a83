// What the command line shows: the report lines on stdout, the message-window text and a
// live progress bar on stderr.
#pragma once

#include <ostream>
#include <string>

// "[#####---------------]  25%" for nPercent (clamped to 0..100) in a bar nWidth wide.
std::string ProgressBarText(int nPercent, int nWidth);

// The window's texts use "\r\n" for a line break; a terminal wants "\n".
std::string TerminalText(const std::string& sText);

class TCliOutput {
public:
  // bBar: stderr is a terminal, so the bar is drawn (and redrawn in place).
  TCliOutput(std::ostream& rOut, std::ostream& rErr, bool bBar);

  // One report line, time-stamped, flushed at once.
  void Report(const std::string& sText);
  // A text of the message window (or a note of the command line itself).
  void Message(const std::string& sText);
  // The progress bar at nPercent.
  void Progress(int nPercent);

private:
  void HideBar();
  void ShowBar();

  std::ostream& FOut;
  std::ostream& FErr;
  bool FbBar;
  bool FbBarShown = false;
  int FnPercent = 0;
};
