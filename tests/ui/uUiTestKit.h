// What the Qt window tests share besides uUiScript.h's scripted worker: a fresh main window with
// its secondary windows per test, and a watcher that answers the modal windows (questions, final
// messages) and records what they showed.
#pragma once

#include "uUiScript.h"

#include "ui/uMain.h"

#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Answers modal windows while a test waits: the message window's OK, and the questions with
// bAnswerYes. Records the texts it saw ("Information: <text>", "Confirm: <text>").
class TModalWatcher {
public:
  TModalWatcher();
  ~TModalWatcher();
  bool bAnswerYes = true;
  QStringList slSeen;
  QStringList slButtons; // button texts of the last question
  QString sLastTitle;
  QRect rLastGeometry; // outer geometry of the last modal window answered

private:
  void Poll();
  QTimer FTimer;
};

// Switches and options as a fresh process has them; bInternal writes the per-user value.
class TWindowSetup {
public:
  explicit TWindowSetup(bool bInternal, const std::vector<std::string>& slArgs = {},
                        const std::vector<std::string>& slPorts = {"/dev/ttyUSB0"});
  ~TWindowSetup();
  TfrmMain* Main() const { return frmMain; }
  QStringList Report() const;
  // The report's texts without their stamps; a line without a valid "hh-nn-ss -> " stamp
  // comes back marked "BAD STAMP: <line>".
  QStringList ReportTexts() const;

  // Answers every modal window of the test.
  TModalWatcher Watcher;
  int nBeeps = 0;
  QStringList slQuestions;
  QStringList slErrors;
  bool bAnswerYes = true;

private:
  QTemporaryDir FConfig;
  QByteArray FsOldConfig;
  bool FbHadConfig = false;
};

// The code tables' names: a class without a print (ClassName(nClass, 0xFFFF)), a platform, a
// print.
QString ClassText(std::uint16_t nClass);
QString PlatformText(std::uint16_t nPlatform);
QString PrintText(std::uint16_t nPrint);

// Waits until the window has no run going (and no repeat pending).
bool WaitIdle(int nTimeoutMs = 5000);
