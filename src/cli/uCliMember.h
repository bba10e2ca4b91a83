// One port of a fleet or station, as a process of its own: it runs the update like the
// single-port command line and tells the process that started it everything on stdout, one
// JSON object per line; the end of its stdin cancels the run.
#pragma once

#include "cli/uCliRecord.h"
#include "cli/uCliRun.h"

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>

// Writes what the run shows as lines of JSON: {"report": "hh-nn-ss -> text"},
// {"progress": 42}, {"message": "text"}, {"hint": "text"}.
class TMemberView : public TRunView {
public:
  explicit TMemberView(std::ostream& rOut) : FOut(rOut) {}
  void Report(const std::string& sLine) override;
  void Progress(int nPercent) override;
  void Message(const std::string& sText) override;
  void Hint(const std::string& sText) override;
  // The last line: {"result": the record}.
  void Result(const TPortResult& rResult);

private:
  void Write(const TJson& rJson);
  std::ostream& FOut;
};

// A line from a member, as the starting process reads it.
struct TMemberLine {
  enum class TKind { Report, Progress, Message, Hint, Result, Text };
  TKind eKind = TKind::Text;
  std::string sText; // Report, Message, Hint; Text: the line as it came (not from the protocol)
  int nPercent = 0;
  TJson rResult;
};
TMemberLine ParseMemberLine(const std::string& sLine);

// Runs the update of the port of rOptions (the window's options are applied, the question
// answered); returns the exit status.
int RunMember(const TRunSettings& rSettings);
