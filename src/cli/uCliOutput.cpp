#include "cli/uCliOutput.h"

#include <algorithm>
#include <cstdio>

namespace {
constexpr int cBAR_WIDTH = 40;
}

std::string ProgressBarText(int nPercent, int nWidth) {
  nPercent = std::clamp(nPercent, 0, 100);
  nWidth = std::max(nWidth, 1);
  const int nFilled = nPercent * nWidth / 100;
  char aPercent[8];
  std::snprintf(aPercent, sizeof aPercent, "%3d%%", nPercent);
  return "[" + std::string(static_cast<std::size_t>(nFilled), '#') +
         std::string(static_cast<std::size_t>(nWidth - nFilled), '-') + "] " + aPercent;
}

std::string TerminalText(const std::string& sText) {
  std::string sResult;
  for (std::size_t i = 0; i < sText.size(); ++i) {
    if (sText[i] == '\r' && i + 1 < sText.size() && sText[i + 1] == '\n') {
      continue; // the "\n" that follows makes the break
    }
    sResult += sText[i];
  }
  return sResult;
}

TCliOutput::TCliOutput(std::ostream& rOut, std::ostream& rErr, bool bBar)
    : FOut(rOut), FErr(rErr), FbBar(bBar) {}

void TCliOutput::HideBar() {
  if (FbBarShown) {
    FErr << "\r\x1b[K" << std::flush;
    FbBarShown = false;
  }
}

void TCliOutput::ShowBar() {
  if (FbBar) {
    FErr << '\r' << ProgressBarText(FnPercent, cBAR_WIDTH) << std::flush;
    FbBarShown = true;
  }
}

void TCliOutput::Report(const std::string& sLine) {
  // stdout and stderr often share the terminal: the bar steps aside for the line.
  const bool bRedraw = FbBarShown;
  HideBar();
  FOut << sLine << '\n' << std::flush;
  if (bRedraw) {
    ShowBar();
  }
}

void TCliOutput::Message(const std::string& sText) {
  HideBar();
  FErr << TerminalText(sText) << '\n' << std::flush;
}

void TCliOutput::Hint(const std::string& sText) {
  Message(sText);
}

void TCliOutput::Progress(int nPercent) {
  FnPercent = nPercent;
  ShowBar();
}

void TRunViewPair::Notification(std::uint32_t nCode, std::uint32_t nValue) {
  FFirst.Notification(nCode, nValue);
  FSecond.Notification(nCode, nValue);
}

void TRunViewPair::Report(const std::string& sLine) {
  FFirst.Report(sLine);
  FSecond.Report(sLine);
}

void TRunViewPair::Progress(int nPercent) {
  FFirst.Progress(nPercent);
  FSecond.Progress(nPercent);
}

void TRunViewPair::Message(const std::string& sText) {
  FFirst.Message(sText);
  FSecond.Message(sText);
}

void TRunViewPair::Hint(const std::string& sText) {
  FFirst.Hint(sText);
  FSecond.Hint(sText);
}

void TRunViewPair::RunEnded() {
  FFirst.RunEnded();
  FSecond.RunEnded();
}
