// What the Win32 window tests share besides uUiScript.h's scripted worker: a fresh main window with
// its secondary windows per test, a watcher that answers the modal windows (questions, final
// messages, the overview) and records what they showed, and waiting while the window's messages are
// handled.
#pragma once

#include "uUiScript.h"

#include "ui/win32/uMain.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Answers the modal windows of this thread while a test waits: the message window's OK, the
// overview's OK, and the questions with bAnswerYes. Records what it saw: "Information: <text>",
// "Confirm: <text>", "Overview: <rows> rows", or "<title>" for any other dialog (cancelled).
class TModalWatcher {
public:
  TModalWatcher();
  ~TModalWatcher();
  TModalWatcher(const TModalWatcher&) = delete;
  TModalWatcher& operator=(const TModalWatcher&) = delete;

  bool bAnswerYes = true;
  std::vector<std::string> slSeen;
  std::vector<std::string> slButtons; // button texts of the last question
  RECT rLastFrame{};                  // visible frame of the last window answered
  // Called with each modal window before it is answered.
  std::function<void(HWND)> OnModal;

  void Poll();

private:
  UINT_PTR FnTimer = 0;
};

// Switches and options as a fresh process has them, the window's replaceable parts recorded,
// and the main window with its secondary windows.
class TWindowSetup {
public:
  explicit TWindowSetup(bool bInternal, const std::vector<std::string>& slArgs = {},
                        const std::vector<std::string>& slPorts = {"COM3"});
  ~TWindowSetup();
  TWindowSetup(const TWindowSetup&) = delete;
  TWindowSetup& operator=(const TWindowSetup&) = delete;

  TfrmMain* Main() const { return frmMain; }
  HWND Handle() const { return frmMain != nullptr ? frmMain->Handle() : nullptr; }
  std::vector<std::string> Report() const;
  // The report's texts without their stamps; a line without a valid "hh-nn-ss -> " stamp
  // comes back marked "BAD STAMP: <line>".
  std::vector<std::string> ReportTexts() const;

  TModalWatcher Watcher;
  int nBeeps = 0;
  std::vector<std::string> slQuestions;
  std::vector<std::string> slErrors;
  bool bAnswerYes = true;
  std::string sChosenFile; // what the open dialog returns
  int nPortListFills = 0;
  std::vector<std::string> slPorts;

private:
  // The window's replaceable parts as they were before the test.
  struct {
    decltype(gAskQuestion) AskQuestion;
    decltype(gBeep) Beep;
    decltype(gOpenFileName) OpenFileName;
    decltype(gShowError) ShowError;
    decltype(gFillPortList) FillPortList;
    decltype(gIsInternalMode) IsInternalMode;
  } FSaved;
};

// Handles the thread's messages until bDone() or nTimeoutMs; true when bDone() came.
bool WaitFor(const std::function<bool()>& bDone, int nTimeoutMs = 5000);
// Handles the messages that arrive within nMs.
void Pump(int nMs);
// Waits until the window has no run going (and no repeat pending).
bool WaitIdle(int nTimeoutMs = 5000);

// The operator's actions, as the controls and the menu send them.
void Click(HWND hButton);
void MenuCommand(int nId);
// Closes the main window as its close box does; true when it is gone.
bool CloseMain();

std::string Text(HWND hWindow);
int ProgressOf(HWND hBar);
// A control's rectangle in its parent's client coordinates.
RECT ChildRect(HWND hChild);
bool Contains(const std::vector<std::string>& slList, const std::string& sItem);
std::string Join(const std::vector<std::string>& slList);

// The code tables' names: a class without a print (ClassName(nClass, 0xFFFF)), a platform, a
// print.
std::string ClassText(std::uint16_t nClass);
std::string PlatformText(std::uint16_t nPlatform);
std::string PrintText(std::uint16_t nPrint);
