// The console of a fleet or station: lines on stdout and stderr, and, when stderr is a
// terminal, a block of progress lines (one per port) at its bottom, redrawn in place.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

class TFleetConsole {
public:
  // bTerminal: stderr is a terminal nColumns wide; only then is the block drawn.
  TFleetConsole(std::ostream& rOut, std::ostream& rErr, bool bTerminal, int nColumns);

  void Out(const std::string& sLine); // a line on stdout
  void Err(const std::string& sLine); // a line on stderr
  // The progress line of sPort (added at the end of the block when new).
  void SetPortLine(const std::string& sPort, const std::string& sText);
  void RemovePortLine(const std::string& sPort);
  // Draws the block again where it changed or stepped aside for lines; call once per round.
  void Redraw();
  // The text of a port's progress line: "PORT  [####----]  42%".
  static std::string ProgressLine(const std::string& sPort, int nPercent, std::size_t nPortWidth);

private:
  void Hide();
  std::ostream& FOut;
  std::ostream& FErr;
  bool FbTerminal;
  std::size_t FnColumns;
  std::vector<std::pair<std::string, std::string>> FaLines; // port, text
  std::size_t FnShown = 0;                                  // lines of the block on screen
  bool FbChanged = false;
};
