// What the operator sees for each worker notification: the report line, the status text, the
// final message, the beep and the repeat. Free of the GUI toolkit, so the window and the
// command line show the same texts and repeat the same way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Pause on the window's thread before a run is started again after cMSG_REPEAT.
constexpr std::uint32_t cREPEAT_PAUSE_MS = 1500;

constexpr const char* cAPP_TITLE = "Tarvik Firmware Update";

// The question asked before an update.
constexpr const char* cQUESTION_CLEARS =
    "This update clears all measurements!\r\nDo you really continue ?";
constexpr const char* cQUESTION_SAVE =
    "Do you save your measurements ?\r\nDo you really continue without saving ?";
constexpr const char* cQUESTION_CLOSE =
    "The update is not finished!\r\nDo you really close the program ?";

// The question the Update button asks for this access level and clearing switch; nothing
// when it asks none (internal mode without clearing).
std::optional<std::string> UpdateQuestionText(std::int32_t nAccessLevel, bool bClearsMeasurements);

// "Start at serial port \"<port>\"": the first report line of every run, also its status.
std::string StartLineText(const std::string& sPort);

// How a run goes on after a final notification.
enum class TRepeatKind : std::uint8_t {
  None,       // no new run
  AfterPause, // cMSG_REPEAT: wait cREPEAT_PAUSE_MS, start again, restore gbCancel
  AtOnce      // failure 44: EndUpdate, then start again at once (gbCancel cleared)
};

// Everything the window does for one notification. The steps run in this order:
//   bStatusFirst: SetStatus(sStatus) then AddReport(sReport)   (only cMSG_REPEAT)
//   otherwise:    AddReport(sReport), SetStatus(sStatus)
//   then, for final notifications: nProgress, bEndUpdate, bBeep, sMessage, eRepeat.
// For cMSG_DONE the bar goes to 100 before EndUpdate; for cMSG_FAILURE EndUpdate and the beep
// come before the texts.
struct TNotifyView {
  std::optional<std::string> sReport;  // AddReport
  std::optional<std::string> sStatus;  // SetStatus
  std::optional<std::string> sMessage; // ShowFinalMessage (modal)
  bool bStatusFirst = false;
  std::int32_t nProgress = -1; // progress bar position; -1 leaves it
  bool bEndUpdate = false;
  bool bBeep = false;
  bool bFinal = false; // cMSG_DONE, cMSG_FAILURE or cMSG_REPEAT
  TRepeatKind eRepeat = TRepeatKind::None;
};

// The view of notification (nCode, nValue). sPort is the text of the port box (used by
// failure 10). Reads gnFwIndex and the image headers for cMSG_DONE, cMSG_PROGRAM and cMSG_CHECK.
// An unknown code gives an empty view.
TNotifyView DescribeNotification(std::uint32_t nCode, std::uint32_t nValue,
                                 const std::string& sPort);

// The report line alone, nothing when the notification adds none.
std::optional<std::string> ReportLineText(std::uint32_t nCode, std::uint32_t nValue,
                                          const std::string& sPort);

// The text of failure code iCode (notification cMSG_FAILURE); "Fatal Exception has occurred!"
// for 0 and any code without its own text.
std::string FailureText(std::int32_t iCode, const std::string& sPort);

// "Update %s V%d.%.2d succesfully completed." for the image gnFwIndex.
std::string SuccessText();

// "hh-nn-ss -> text" with the current local time.
std::string TimeStampedLine(const std::string& sText);
