// What the window tests of both toolkits share, without any toolkit: a scripted worker that
// posts notifications without any port, the switches of a fresh process, and the report's
// texts without their stamps.
#pragma once

#include "worker/uCommThread.h"

#include <cstdint>
#include <string>
#include <vector>

struct TScriptStep {
  std::uint32_t nCode;
  std::uint32_t nValue;
  // Before posting: wait (at most 5 s) until the window sets gbCancel.
  bool bWaitForCancel = false;
  // Before posting: the image the engine chose (gnFwIndex), when not below -1.
  std::int32_t nChooseImage = -2;
};

// The next runs' scripts, one per created worker; a run without a script posts cMSG_DONE.
// A worker started with gbCancel already set posts failure 20 alone, as the real worker does
// at its first try.
class TScriptedThread : public TCommThread {
public:
  TScriptedThread(TWindowHandle hWindow, TCmd cmd, std::string sPort);

  static void Queue(std::vector<TScriptStep> aScript);
  static void Reset();
  static int Runs();
  static std::vector<std::string> Ports();
  static std::vector<bool> CancelAtStart();

protected:
  void Execute() override;

private:
  std::vector<TScriptStep> FaScript;
  bool FbCancelled = false;
};

// Switches as a fresh process started with slArgs has them, the runs' scripts emptied and the
// window's workers scripted.
void StartAsFreshProcess(const std::vector<std::string>& slArgs);

// The report's texts without their stamps; a line without a valid "hh-nn-ss -> " stamp comes
// back marked "BAD STAMP: <line>".
std::vector<std::string> UnstampedTexts(const std::vector<std::string>& slReport);

// A run that stops at 42 %: the worker waits for a Cancel before its failure.
std::vector<TScriptStep> RunStoppingAt42();
