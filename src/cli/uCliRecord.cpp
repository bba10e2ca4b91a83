#include "cli/uCliRecord.h"

#include "catalogue/uCodeTables.h"
#include "catalogue/uFWVersions.h"
#include "engine/uTarvikCommThread.h"
#include "worker/uExceptions1V0.h"
#include "worker/uMessages.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <limits>
#include <type_traits>

namespace {

constexpr std::size_t cCOLUMNS = 8;
using TRow = std::array<std::string, cCOLUMNS>;

const TRow caHeading{"Port", "Serial", "Before", "After", "Image", "Exit", "Time", "Outcome"};
// A station's columns: wide enough for the usual texts; longer ones push the row on.
constexpr std::array<std::size_t, cCOLUMNS> caStationWidths{14, 8, 13, 13, 17, 4, 8, 0};
constexpr std::size_t cGAP = 2;

std::string ClassNameOf(std::uint16_t nClass, std::uint16_t nPrint) {
  std::string sName;
  ClassName(nClass, nPrint, sName);
  return sName;
}

std::string PrintNameOf(std::uint16_t nPrint) {
  std::string sName;
  PrintName(nPrint, sName);
  return sName;
}

std::string StateText(const std::optional<TLoggerState>& rState) {
  if (!rState) {
    return "-";
  }
  return rState->sVersion ? rState->sClassName + " V" + *rState->sVersion : rState->sClassName;
}

TRow RowOf(const TPortResult& rResult) {
  char aSeconds[32];
  std::snprintf(aSeconds, sizeof aSeconds, "%.1f s", rResult.dSeconds);
  const std::string sImage = rResult.rImage
                                 ? rResult.rImage->sClassName + " V" + rResult.rImage->sVersion +
                                       " " + rResult.rImage->sPrint
                                 : "-";
  return {rResult.sPort,
          rResult.nSerialNumber ? std::to_string(*rResult.nSerialNumber) : "-",
          StateText(rResult.rBefore),
          StateText(rResult.rAfter),
          sImage,
          std::to_string(rResult.nExitCode),
          aSeconds,
          rResult.sOutcome};
}

std::string FormatRow(const TRow& aRow, const std::array<std::size_t, cCOLUMNS>& aWidths) {
  std::string sLine;
  for (std::size_t i = 0; i < cCOLUMNS; ++i) {
    sLine += aRow[i];
    if (i + 1 < cCOLUMNS) {
      sLine += std::string(aWidths[i] > aRow[i].size() ? aWidths[i] - aRow[i].size() : 0, ' ');
      sLine += std::string(cGAP, ' ');
    }
  }
  while (!sLine.empty() && sLine.back() == ' ') {
    sLine.pop_back();
  }
  return sLine;
}

TJson StateJson(const std::optional<TLoggerState>& rState) {
  if (!rState) {
    return nullptr;
  }
  TJson rJson{{"class", rState->nClass}, {"class_name", rState->sClassName}};
  rJson["version"] = rState->sVersion ? TJson(*rState->sVersion) : TJson();
  return rJson;
}

// The value of rJson[sKey] when it is there with type T.
template <class T> std::optional<T> Field(const TJson& rJson, const char* sKey) {
  if (!rJson.is_object()) {
    return std::nullopt;
  }
  const auto it = rJson.find(sKey);
  if (it == rJson.end() || it->is_null()) {
    return std::nullopt;
  }
  if constexpr (std::is_same_v<T, std::string>) {
    if (!it->is_string()) return std::nullopt;
  } else if constexpr (std::is_floating_point_v<T>) {
    if (!it->is_number()) return std::nullopt;
  } else {
    if (!it->is_number_integer()) return std::nullopt;
    // Out-of-range numbers are no value of the field.
    if (it->is_number_unsigned()) {
      if (it->template get<std::uint64_t>() >
          static_cast<std::uint64_t>(std::numeric_limits<T>::max()))
        return std::nullopt;
    } else {
      const std::int64_t n = it->template get<std::int64_t>();
      if (n < static_cast<std::int64_t>(std::numeric_limits<T>::min()) ||
          (n > 0 && static_cast<std::uint64_t>(n) >
                        static_cast<std::uint64_t>(std::numeric_limits<T>::max())))
        return std::nullopt;
    }
  }
  return it->template get<T>();
}

std::optional<TLoggerState> TakeState(const TJson& rJson) {
  const std::optional<std::uint16_t> nClass = Field<std::uint16_t>(rJson, "class");
  if (!nClass) {
    return std::nullopt;
  }
  return TLoggerState{*nClass, Field<std::string>(rJson, "class_name").value_or("?"),
                      Field<std::string>(rJson, "version")};
}

} // namespace

std::string VersionText(std::uint16_t nMajor, std::uint16_t nMinor) {
  char aText[16];
  std::snprintf(aText, sizeof aText, "%d.%.2d", nMajor, nMinor);
  return aText;
}

std::string UtcTimeText(std::chrono::system_clock::time_point tTime) {
  using namespace std::chrono;
  const auto tMs = time_point_cast<milliseconds>(tTime);
  const auto tDay = floor<days>(tMs);
  const year_month_day ymd{tDay};
  const hh_mm_ss hms{tMs - tDay};
  char aText[40];
  std::snprintf(aText, sizeof aText, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ",
                static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                static_cast<unsigned>(ymd.day()), static_cast<int>(hms.hours().count()),
                static_cast<int>(hms.minutes().count()), static_cast<int>(hms.seconds().count()),
                static_cast<int>(hms.subseconds().count()));
  return aText;
}

TRunRecord::TRunRecord(std::string sPort) {
  FResult.sPort = std::move(sPort);
}

void TRunRecord::TakeImage() {
  if (gnFwIndex < 0 || gnFwIndex > GetFwCount()) {
    return;
  }
  TBl3FileHeader rHeader;
  GetFwHeader(gnFwIndex, rHeader);
  FResult.rImage = TImageChoice{
      gnFwIndex, ClassNameOf(rHeader.tarv_class, rHeader.tarv_print),
      VersionText(rHeader.tarv_verH, rHeader.tarv_verL), PrintNameOf(rHeader.tarv_print),
      std::to_string(rHeader.tarv_bl) + "." + std::to_string(rHeader.tarv_bl_ver)};
}

void TRunRecord::Notification(std::uint32_t nCode, std::uint32_t nValue) {
  const auto wValue = static_cast<std::uint16_t>(nValue & 0xFFFF);
  switch (nCode) {
  case cMSG_CLASS:
    if (FbProgramming) {
      // The identification after the restart: the class the new firmware reports. Its
      // version is the image's once the run completes (the procedure checks only the class).
      FResult.rAfter = TLoggerState{wValue, ClassNameOf(wValue, cUNKNOWN), std::nullopt};
    } else if (!FResult.rBefore) {
      FResult.rBefore = TLoggerState{wValue, ClassNameOf(wValue, cUNKNOWN), std::nullopt};
    }
    break;
  case cMSG_VERSION:
    if (FResult.rBefore && !FbFirstIdentified) {
      FResult.rBefore->sVersion = VersionText(wValue >> 8, wValue & 0xFF);
      FbFirstIdentified = true;
    }
    break;
  case cMSG_PROGRAM:
    TakeImage();
    FbProgramming = true;
    break;
  case cMSG_DONE:
    TakeImage();
    if (FResult.rAfter && FResult.rImage) {
      FResult.rAfter->sVersion = FResult.rImage->sVersion;
    }
    break;
  case cMSG_FAILURE:
    if (static_cast<std::int32_t>(nValue) == cERR_INFO_ONLY) {
      TakeImage(); // the run ended right after the choice
    }
    break;
  default:
    break;
  }
}

void TRunRecord::Report(const std::string& sLine) {
  FResult.slReport.push_back(sLine);
}

void TRunRecord::Progress(int nPercent) {
  static_cast<void>(nPercent);
}

void TRunRecord::Message(const std::string& sText) {
  FResult.sOutcome = sText;
}

void TRunRecord::Hint(const std::string& sText) {
  FResult.sHint = sText;
}

void TRunRecord::RunEnded() {
  ++FResult.nRuns;
  FbProgramming = false;
  // A repeated run finds the logger in its bootloader, which tells no serial number: the
  // first run's stays.
  const std::int64_t nSerial = gnSerialNumber.load();
  if (nSerial >= 0 && !FResult.nSerialNumber) {
    FResult.nSerialNumber = static_cast<std::uint32_t>(nSerial);
  }
}

TJson ResultJson(const TPortResult& rResult) {
  TJson rJson;
  rJson["port"] = rResult.sPort;
  rJson["serial_number"] = rResult.nSerialNumber ? TJson(*rResult.nSerialNumber) : TJson();
  rJson["before"] = StateJson(rResult.rBefore);
  rJson["after"] = StateJson(rResult.rAfter);
  if (rResult.rImage) {
    rJson["image"] = {{"index", rResult.rImage->nIndex},
                      {"class_name", rResult.rImage->sClassName},
                      {"version", rResult.rImage->sVersion},
                      {"print", rResult.rImage->sPrint},
                      {"bootloader", rResult.rImage->sBootloader}};
  } else {
    rJson["image"] = nullptr;
  }
  rJson["outcome"] = rResult.sOutcome;
  if (!rResult.sHint.empty()) {
    rJson["hint"] = rResult.sHint;
  }
  rJson["exit_code"] = rResult.nExitCode;
  rJson["runs"] = rResult.nRuns;
  rJson["started"] = UtcTimeText(rResult.tStarted);
  rJson["finished"] = UtcTimeText(rResult.tFinished);
  rJson["duration_s"] = rResult.dSeconds;
  if (rResult.dCpuSeconds) {
    rJson["cpu_s"] = *rResult.dCpuSeconds;
  }
  if (rResult.nPeakMemoryKib) {
    rJson["peak_memory_kib"] = *rResult.nPeakMemoryKib;
  }
  rJson["report"] = rResult.slReport;
  return rJson;
}

void TakeResultJson(const TJson& rJson, TPortResult& rResult) {
  if (const auto sPort = Field<std::string>(rJson, "port")) rResult.sPort = *sPort;
  if (const auto nSerial = Field<std::uint32_t>(rJson, "serial_number"))
    rResult.nSerialNumber = *nSerial;
  if (rJson.is_object() && rJson.contains("before")) rResult.rBefore = TakeState(rJson["before"]);
  if (rJson.is_object() && rJson.contains("after")) rResult.rAfter = TakeState(rJson["after"]);
  if (rJson.is_object() && rJson.contains("image")) {
    const TJson& rImage = rJson["image"];
    const std::optional<std::int32_t> nIndex = Field<std::int32_t>(rImage, "index");
    if (nIndex) {
      rResult.rImage = TImageChoice{*nIndex, Field<std::string>(rImage, "class_name").value_or("?"),
                                    Field<std::string>(rImage, "version").value_or("?"),
                                    Field<std::string>(rImage, "print").value_or("?"),
                                    Field<std::string>(rImage, "bootloader").value_or("?")};
    } else {
      rResult.rImage.reset();
    }
  }
  if (const auto sOutcome = Field<std::string>(rJson, "outcome")) rResult.sOutcome = *sOutcome;
  if (const auto sHint = Field<std::string>(rJson, "hint")) rResult.sHint = *sHint;
  if (const auto nExit = Field<int>(rJson, "exit_code")) rResult.nExitCode = *nExit;
  if (const auto nRuns = Field<int>(rJson, "runs")) rResult.nRuns = *nRuns;
  if (const auto dSeconds = Field<double>(rJson, "duration_s")) rResult.dSeconds = *dSeconds;
  if (rJson.is_object() && rJson.contains("report") && rJson["report"].is_array()) {
    rResult.slReport.clear();
    for (const TJson& rLine : rJson["report"]) {
      if (rLine.is_string()) rResult.slReport.push_back(rLine.get<std::string>());
    }
  }
}

std::string JsonLine(const TJson& rJson) {
  return rJson.dump(-1, ' ', false, TJson::error_handler_t::replace);
}

int CombinedExitStatus(const std::vector<TPortResult>& aResults) {
  std::optional<int> nFailed;
  for (const TPortResult& rResult : aResults) {
    if (rResult.nExitCode == 0) {
      continue;
    }
    if (nFailed && *nFailed != rResult.nExitCode) {
      return cEXIT_MIXED;
    }
    nFailed = rResult.nExitCode;
  }
  return nFailed.value_or(0);
}

std::string SummaryTable(const std::vector<TPortResult>& aResults) {
  std::vector<TRow> aRows;
  std::array<std::size_t, cCOLUMNS> aWidths{};
  for (std::size_t i = 0; i < cCOLUMNS; ++i) {
    aWidths[i] = caHeading[i].size();
  }
  for (const TPortResult& rResult : aResults) {
    aRows.push_back(RowOf(rResult));
    for (std::size_t i = 0; i < cCOLUMNS; ++i) {
      aWidths[i] = std::max(aWidths[i], aRows.back()[i].size());
    }
  }
  std::string sTable = FormatRow(caHeading, aWidths) + '\n';
  for (const TRow& aRow : aRows) {
    sTable += FormatRow(aRow, aWidths) + '\n';
  }
  return sTable;
}

std::string SummaryHeading() {
  return FormatRow(caHeading, caStationWidths);
}

std::string SummaryRow(const TPortResult& rResult) {
  return FormatRow(RowOf(rResult), caStationWidths);
}

TJsonLog::TJsonLog(const std::string& sFile) : FsFile(sFile) {
  std::ofstream F(FsFile, std::ios::app | std::ios::binary);
  FbOk = F.good();
}

bool TJsonLog::Write(const TPortResult& rResult) {
  // Opened for each line: a station runs for days, and the file may be moved meanwhile.
  std::ofstream F(FsFile, std::ios::app | std::ios::binary);
  F << JsonLine(ResultJson(rResult)) << '\n' << std::flush;
  return F.good();
}
