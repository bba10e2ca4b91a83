#include "ui/uNotifyText.h"

#include "catalogue/uCodeTables.h"
#include "catalogue/uFWVersions.h"
#include "worker/uExceptions1V0.h"
#include "worker/uMessages.h"

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <ctime>

namespace {

// printf-style formatting into a std::string.
std::string Format(const char* sFormat, ...) {
  char aBuffer[512];
  va_list args;
  va_start(args, sFormat);
  const int nLen = std::vsnprintf(aBuffer, sizeof aBuffer, sFormat, args);
  va_end(args);
  if (nLen < 0) {
    return {};
  }
  return std::string(aBuffer,
                     std::min<std::size_t>(static_cast<std::size_t>(nLen), sizeof aBuffer - 1));
}

// "%d" positions print the whole 32-bit value as a signed number.
int Signed(std::uint32_t nValue) {
  return static_cast<std::int32_t>(nValue);
}

std::uint16_t LowWord(std::uint32_t nValue) {
  return static_cast<std::uint16_t>(nValue & 0xFFFF);
}

// A header of the catalogue; an index outside it gives class, platform and print 0xFFFF.
TBl3FileHeader HeaderOf(std::int32_t nIndex) {
  TBl3FileHeader rHeader;
  GetFwHeader(nIndex, rHeader);
  return rHeader;
}

std::string ClassOf(std::uint16_t nClass, std::uint16_t nPrint) {
  std::string sName;
  ClassName(nClass, nPrint, sName);
  return sName;
}

std::string PrintOf(std::uint16_t nPrint) {
  std::string sName;
  PrintName(nPrint, sName);
  return sName;
}

std::string PlatformOf(std::uint16_t nPlatform) {
  std::string sName;
  PlatformName(nPlatform, sName);
  return sName;
}

// "<class> V<major>.<minor>, <print>, BL<gen>.<ver>" of an image, after the given word.
std::string ImageText(const char* sWord, std::int32_t nIndex) {
  const TBl3FileHeader rHeader = HeaderOf(nIndex);
  return Format("%s %s V%d.%.2d, %s, BL%d.%d", sWord,
                ClassOf(rHeader.tarv_class, rHeader.tarv_print).c_str(), rHeader.tarv_verH,
                rHeader.tarv_verL, PrintOf(rHeader.tarv_print).c_str(), rHeader.tarv_bl,
                rHeader.tarv_bl_ver);
}

void Announce(TNotifyView& rView, const std::string& sText) {
  rView.sReport = sText;
  rView.sStatus = sText;
  rView.sMessage = sText;
}

TNotifyView FailureView(std::int32_t iCode, const std::string& sPort) {
  TNotifyView rView;
  rView.bFinal = true;
  rView.bEndUpdate = true;
  rView.bBeep = true;
  const std::string sText = FailureText(iCode, sPort);
  if (iCode == cERR_CONVERSION) {
    rView.sMessage = sText; // the line number is already in the report
  } else if (iCode == cERR_ECHO) {
    rView.sReport = sText;
    rView.sStatus = sText;
    rView.eRepeat = TRepeatKind::AtOnce;
  } else {
    Announce(rView, sText);
  }
  return rView;
}

} // namespace

std::optional<std::string> UpdateQuestionText(std::int32_t nAccessLevel, bool bClearsMeasurements) {
  if (bClearsMeasurements) {
    return std::string(cQUESTION_CLEARS);
  }
  if (nAccessLevel == 0) {
    return std::string(cQUESTION_SAVE);
  }
  return std::nullopt;
}

std::string StartLineText(const std::string& sPort) {
  return "Start at serial port \"" + sPort + "\"";
}

std::string FailureText(std::int32_t iCode, const std::string& sPort) {
  switch (iCode) {
  case cERR_PORT:
    return "Aborted because serial port \"" + sPort + "\" is not ready!";
  case cERR_SERIAL:
    return "Aborted because error when reading/writing to serial port!";
  case cERR_CANCEL:
    return "Process cancelled!";
  case cERR_NO_BOOTLOADER:
    return "Aborted because no update is available for this logger!";
  case cERR_LOGGER:
    return "Aborted because the logger is not ready!";
  case cERR_LAST_LINE:
    return "Aborted because last line is wrong !";
  case cERR_CONVERSION:
    return "Aborted because conversion error!";
  case cERR_ECHO:
    return "Repeat because programming error!";
  case cERR_CLASS:
    return "Update was not successfull!";
  case cERR_INFO:
    return "Aborted because the logger transmitted an invalid answer!";
  case cERR_NO_IMAGE:
    return "There is no update available or the logger has another update ID!";
  case cERR_INFO_ONLY:
    return "Only read update info!";
  default:
    return "Fatal Exception has occurred!";
  }
}

std::string SuccessText() {
  const TBl3FileHeader rHeader = HeaderOf(gnFwIndex);
  return Format("Update %s V%d.%.2d succesfully completed.",
                ClassOf(rHeader.tarv_class, rHeader.tarv_print).c_str(), rHeader.tarv_verH,
                rHeader.tarv_verL);
}

TNotifyView DescribeNotification(std::uint32_t nCode, std::uint32_t nValue,
                                 const std::string& sPort) {
  TNotifyView rView;
  switch (nCode) {
  case cMSG_DONE:
    rView.bFinal = true;
    rView.nProgress = 100;
    rView.bEndUpdate = true;
    Announce(rView, SuccessText());
    break;
  case cMSG_PROGRESS:
    rView.sReport = Format("Progress %d%%", Signed(nValue));
    rView.nProgress = Signed(nValue);
    break;
  case cMSG_FAILURE:
    rView = FailureView(Signed(nValue), sPort);
    break;
  case cMSG_PROG_ERROR:
    rView.sReport = Format("Aborted because programming error at line %d !", Signed(nValue));
    rView.sStatus = rView.sReport;
    break;
  case cMSG_CONV_ERROR:
    rView.sReport = Format("Aborted because conversion error at line  %d !", Signed(nValue));
    break;
  case cMSG_REPEAT:
    rView.bFinal = true;
    rView.bStatusFirst = true;
    rView.sStatus = "Repeat update because communication error!";
    rView.sReport = rView.sStatus;
    rView.eRepeat = TRepeatKind::AfterPause;
    break;
  case cMSG_CLASS:
    rView.sReport =
        Format("Class %d [%s]", Signed(nValue), ClassOf(LowWord(nValue), 0xFFFF).c_str());
    break;
  case cMSG_VERSION:
    rView.sReport = Format("Version %d.%d", static_cast<int>((nValue >> 8) & 0xFF),
                           static_cast<int>(nValue & 0xFF));
    break;
  case cMSG_PLATFORM:
    rView.sReport = Format("Platform %d [%s]", Signed(nValue), PlatformOf(LowWord(nValue)).c_str());
    break;
  case cMSG_PRINT:
    rView.sReport = Format("Print %d [%s]", Signed(nValue), PrintOf(LowWord(nValue)).c_str());
    break;
  case cMSG_INFO:
    rView.sReport = Format("Info %d", Signed(nValue));
    break;
  case cMSG_UPD_CLASS:
    rView.sReport =
        Format("Update class %d [%s]", Signed(nValue), ClassOf(LowWord(nValue), 0xFFFF).c_str());
    break;
  case cMSG_PROGRAM:
    rView.sReport = ImageText("Update", gnFwIndex);
    rView.sStatus = rView.sReport;
    break;
  case cMSG_CHECK:
    rView.sReport = ImageText("Check", Signed(nValue));
    break;
  case cMSG_UPD_INFO:
    rView.sReport = Format("Update Info %.4X", nValue);
    break;
  case cMSG_VECTOR:
    if (nValue == 0) {
      rView.sReport = "Vector table is saved.";
    } else if (nValue == 1) {
      rView.sReport = "Vector table is programmed.";
    }
    break;
  default:
    break;
  }
  return rView;
}

std::optional<std::string> ReportLineText(std::uint32_t nCode, std::uint32_t nValue,
                                          const std::string& sPort) {
  return DescribeNotification(nCode, nValue, sPort).sReport;
}

std::string TimeStampedLine(const std::string& sText) {
  // Not std::time(): on Linux it reads the coarse clock, which can still show the previous
  // second for a few milliseconds after every other clock shows the next one.
  const std::time_t nNow = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  // Called on the front end's one thread only.
  const std::tm* pLocal = std::localtime(&nNow);
  if (pLocal == nullptr) {
    return "00-00-00 -> " + sText;
  }
  return Format("%02d-%02d-%02d -> ", pLocal->tm_hour, pLocal->tm_min, pLocal->tm_sec) + sText;
}
