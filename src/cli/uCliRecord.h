// The record of one port's update: what the summary table, the station's lines and --json
// show of it, and how it is kept from the notifications of its runs.
#pragma once

#include "cli/uCliRun.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// JSON objects keep their members in the order written: the records read well.
using TJson = nlohmann::ordered_json;

// A logger's class and version as it answered an identification.
struct TLoggerState {
  std::uint16_t nClass = 0;
  std::string sClassName;
  std::optional<std::string> sVersion; // "6.20"; nothing when not known
};

// The image the update chose.
struct TImageChoice {
  std::int32_t nIndex = -1; // 0 the file image, 1 to 12 a carried image
  std::string sClassName;
  std::string sVersion; // "6.20"
  std::string sPrint;
  std::string sBootloader; // "3.0"
};

struct TPortResult {
  std::string sPort;
  std::optional<std::uint32_t> nSerialNumber;
  std::optional<TLoggerState> rBefore; // the first identification of the first run
  std::optional<TLoggerState> rAfter;  // the identification after the restart
  std::optional<TImageChoice> rImage;
  std::string sOutcome; // the last text of the message window (or of the command line)
  std::string sHint;    // why the port would not open; empty otherwise
  int nExitCode = 1;
  int nRuns = 0;
  std::chrono::system_clock::time_point tStarted;
  std::chrono::system_clock::time_point tFinished;
  double dSeconds = 0;
  std::vector<std::string> slReport;           // "hh-nn-ss -> text"
  std::optional<double> dCpuSeconds;           // of the port's process, where it had one
  std::optional<std::uint64_t> nPeakMemoryKib; // likewise
};

// Keeps the record of one port's runs as they go.
class TRunRecord : public TRunView {
public:
  explicit TRunRecord(std::string sPort);

  void Notification(std::uint32_t nCode, std::uint32_t nValue) override;
  void Report(const std::string& sLine) override;
  void Progress(int nPercent) override;
  void Message(const std::string& sText) override;
  void Hint(const std::string& sText) override;
  void RunEnded() override;

  const TPortResult& Result() const { return FResult; }

private:
  void TakeImage();
  TPortResult FResult;
  bool FbFirstIdentified = false; // class and version of the first identification are in
  bool FbProgramming = false;     // this run has started programming
};

// "6.20": a version as "%d.%.2d" of major and minor part.
std::string VersionText(std::uint16_t nMajor, std::uint16_t nMinor);

// "2024-05-01T12:34:56.789Z".
std::string UtcTimeText(std::chrono::system_clock::time_point tTime);

// The record as JSON, and back. Reading takes what it can use and leaves the rest of rResult.
TJson ResultJson(const TPortResult& rResult);
void TakeResultJson(const TJson& rJson, TPortResult& rResult);

// One line of JSON, bytes that are not UTF-8 replaced (a port name may hold any byte).
std::string JsonLine(const TJson& rJson);

// Exit status of several ports: 0 when every one completed (or there was none), the code
// of the others when they all ended with the same one, else cEXIT_MIXED.
constexpr int cEXIT_MIXED = 5;
int CombinedExitStatus(const std::vector<TPortResult>& aResults);

// The summary: the heading and one row per port, columns fitted to their texts.
std::string SummaryTable(const std::vector<TPortResult>& aResults);
// The same with fixed column widths, for a station that prints its rows as loggers finish.
std::string SummaryHeading();
std::string SummaryRow(const TPortResult& rResult);

// --json FILE: one line per finished port, appended and flushed at once, so that nothing is
// lost when the program is ended.
class TJsonLog {
public:
  // Opens sFile for appending; Ok() tells whether that worked.
  explicit TJsonLog(const std::string& sFile);
  bool Ok() const { return FbOk; }
  // False when the line could not be written.
  bool Write(const TPortResult& rResult);

private:
  std::string FsFile;
  bool FbOk = false;
};
