#include "cli/uCliProgress.h"

#include "cli/uCliOutput.h"

#include <algorithm>

namespace {

constexpr int cBAR_WIDTH = 30;

} // namespace

TFleetConsole::TFleetConsole(std::ostream& rOut, std::ostream& rErr, bool bTerminal, int nColumns)
    : FOut(rOut), FErr(rErr), FbTerminal(bTerminal),
      FnColumns(static_cast<std::size_t>(std::max(nColumns, 20))) {}

void TFleetConsole::Hide() {
  if (FnShown > 0) {
    // To the start of the block's first line, and clear from there to the end of the screen.
    FErr << "\x1b[" << FnShown << "F\x1b[J" << std::flush;
    FnShown = 0;
  }
}

void TFleetConsole::Out(const std::string& sLine) {
  Hide();
  FOut << sLine << '\n' << std::flush;
}

void TFleetConsole::Err(const std::string& sLine) {
  Hide();
  FErr << sLine << '\n' << std::flush;
}

void TFleetConsole::SetPortLine(const std::string& sPort, const std::string& sText) {
  const auto it = std::find_if(FaLines.begin(), FaLines.end(),
                               [&](const auto& rLine) { return rLine.first == sPort; });
  if (it == FaLines.end()) {
    FaLines.emplace_back(sPort, sText);
  } else if (it->second != sText) {
    it->second = sText;
  } else {
    return;
  }
  FbChanged = true;
}

void TFleetConsole::RemovePortLine(const std::string& sPort) {
  const auto it = std::find_if(FaLines.begin(), FaLines.end(),
                               [&](const auto& rLine) { return rLine.first == sPort; });
  if (it != FaLines.end()) {
    FaLines.erase(it);
    FbChanged = true;
  }
}

void TFleetConsole::Redraw() {
  if (!FbTerminal || (!FbChanged && FnShown == FaLines.size())) {
    return;
  }
  Hide();
  std::string sBlock;
  for (const auto& [sPort, sText] : FaLines) {
    // Cut to the width: a wrapped line would break the count of lines to go back over.
    sBlock += sText.substr(0, FnColumns - 1) + '\n';
  }
  FErr << sBlock << std::flush;
  FnShown = FaLines.size();
  FbChanged = false;
}

std::string TFleetConsole::ProgressLine(const std::string& sPort, int nPercent,
                                        std::size_t nPortWidth) {
  const std::string sPadded =
      sPort + std::string(nPortWidth > sPort.size() ? nPortWidth - sPort.size() : 0, ' ');
  return sPadded + "  " + ProgressBarText(nPercent, cBAR_WIDTH);
}
