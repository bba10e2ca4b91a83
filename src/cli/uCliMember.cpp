#include "cli/uCliMember.h"

#include "cli/uCliOutput.h"
#include "cli/uCliTerminal.h"

#include <algorithm>
#include <iostream>

void TMemberView::Write(const TJson& rJson) {
  FOut << JsonLine(rJson) << '\n' << std::flush;
}

void TMemberView::Report(const std::string& sLine) {
  Write({{"report", sLine}});
}

void TMemberView::Progress(int nPercent) {
  Write({{"progress", nPercent}});
}

void TMemberView::Message(const std::string& sText) {
  Write({{"message", sText}});
}

void TMemberView::Hint(const std::string& sText) {
  Write({{"hint", sText}});
}

void TMemberView::Result(const TPortResult& rResult) {
  Write({{"result", ResultJson(rResult)}});
}

TMemberLine ParseMemberLine(const std::string& sLine) {
  TMemberLine rLine;
  rLine.sText = sLine;
  const TJson rJson = TJson::parse(sLine, nullptr, false);
  if (!rJson.is_object() || rJson.size() != 1) {
    return rLine; // not from the protocol: a note of the program or of its run-time
  }
  const auto itOnly = rJson.begin();
  const std::string& sKey = itOnly.key();
  const TJson& rValue = itOnly.value();
  if (sKey == "report" && rValue.is_string()) {
    rLine.eKind = TMemberLine::TKind::Report;
    rLine.sText = rValue.get<std::string>();
  } else if (sKey == "message" && rValue.is_string()) {
    rLine.eKind = TMemberLine::TKind::Message;
    rLine.sText = rValue.get<std::string>();
  } else if (sKey == "hint" && rValue.is_string()) {
    rLine.eKind = TMemberLine::TKind::Hint;
    rLine.sText = rValue.get<std::string>();
  } else if (sKey == "progress" && rValue.is_number_integer()) {
    rLine.eKind = TMemberLine::TKind::Progress;
    rLine.nPercent = static_cast<int>(std::clamp<std::int64_t>(rValue.get<std::int64_t>(), 0, 100));
  } else if (sKey == "result" && rValue.is_object()) {
    rLine.eKind = TMemberLine::TKind::Result;
    rLine.rResult = rValue;
  }
  return rLine;
}

int RunMember(const TRunSettings& rSettings) {
  CancelAtEndOfInput();
  TMemberView rView(std::cout);
  TRunRecord rRecord(rSettings.sPort);
  TRunViewPair rBoth(rView, rRecord);
  const int nStatus = RunUpdate(rSettings, rBoth);
  TPortResult rResult = rRecord.Result();
  rResult.nExitCode = nStatus;
  rResult.slReport.clear(); // the lines went out one by one
  rView.Result(rResult);
  return nStatus;
}
