#include "uUiScript.h"

#include "catalogue/uFWVersions.h"
#include "engine/uSwitches.h"
#include "engine/uTarvikCommThread.h"
#include "ui/uRunControl.h"
#include "ui/uWinTools1V4.h"

#include <chrono>
#include <deque>
#include <mutex>
#include <regex>
#include <thread>

namespace {

std::mutex gScriptMutex;
std::deque<std::vector<TScriptStep>> gaScripts;
int gnRuns = 0;
std::vector<std::string> gslRunPorts;
std::vector<bool> gabCancelAtStart;

} // namespace

TScriptedThread::TScriptedThread(TWindowHandle hWindow, TCmd cmd, std::string sPort)
    : TCommThread(std::move(hWindow), cmd, sPort) {
  const std::lock_guard<std::mutex> rLock(gScriptMutex);
  ++gnRuns;
  gslRunPorts.push_back(sPort);
  FbCancelled = gbCancel;
  gabCancelAtStart.push_back(FbCancelled);
  if (!gaScripts.empty()) {
    FaScript = std::move(gaScripts.front());
    gaScripts.pop_front();
  } else {
    FaScript = {{cMSG_DONE, static_cast<std::uint32_t>(cmd)}};
  }
}

void TScriptedThread::Queue(std::vector<TScriptStep> aScript) {
  const std::lock_guard<std::mutex> rLock(gScriptMutex);
  gaScripts.push_back(std::move(aScript));
}

void TScriptedThread::Reset() {
  const std::lock_guard<std::mutex> rLock(gScriptMutex);
  gaScripts.clear();
  gnRuns = 0;
  gslRunPorts.clear();
  gabCancelAtStart.clear();
}

int TScriptedThread::Runs() {
  const std::lock_guard<std::mutex> rLock(gScriptMutex);
  return gnRuns;
}

std::vector<std::string> TScriptedThread::Ports() {
  const std::lock_guard<std::mutex> rLock(gScriptMutex);
  return gslRunPorts;
}

std::vector<bool> TScriptedThread::CancelAtStart() {
  const std::lock_guard<std::mutex> rLock(gScriptMutex);
  return gabCancelAtStart;
}

void TScriptedThread::Execute() {
  if (FbCancelled) {
    Post(cMSG_FAILURE, 20);
    return;
  }
  for (const TScriptStep& rStep : FaScript) {
    if (rStep.bWaitForCancel) {
      for (int i = 0; i < 1000 && !gbCancel; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (rStep.nChooseImage >= -1) gnFwIndex = rStep.nChooseImage;
    Post(rStep.nCode, rStep.nValue);
  }
}

void StartAsFreshProcess(const std::vector<std::string>& slArgs) {
  ResetSwitches();
  gbReadInfoOnly = false;
  gbCancel = false;
  gnFwIndex = -1;
  TScriptedThread::Reset();

  std::vector<const char*> aArgv{"tarvik-update"};
  for (const std::string& s : slArgs)
    aArgv.push_back(s.c_str());
  SetProgramArgs(static_cast<int>(aArgv.size()), aArgv.data());

  gCommThreadClass = &TCommThread::Create<TScriptedThread>;
}

std::vector<std::string> UnstampedTexts(const std::vector<std::string>& slReport) {
  static const std::regex rStamp("^([01][0-9]|2[0-3])-[0-5][0-9]-[0-5][0-9] -> ");
  std::vector<std::string> slTexts;
  for (const std::string& sLine : slReport) {
    if (std::regex_search(sLine, rStamp))
      slTexts.push_back(sLine.substr(12));
    else
      slTexts.push_back("BAD STAMP: " + sLine);
  }
  return slTexts;
}

std::vector<TScriptStep> RunStoppingAt42() {
  return {{cMSG_CLASS, 26113},
          {cMSG_VERSION, 0x0514},
          {cMSG_CLASS, 0xC802},
          {cMSG_VERSION, 0x0300},
          {cMSG_PLATFORM, 24},
          {cMSG_PRINT, 53},
          {cMSG_INFO, 0},
          {cMSG_UPD_CLASS, 26113},
          {cMSG_UPD_INFO, 0},
          {cMSG_CHECK, 1},
          {cMSG_CHECK, 11},
          {cMSG_CHECK, 12},
          {cMSG_PROGRAM, 0, false, 12},
          {cMSG_PROGRESS, 14},
          {cMSG_VECTOR, 0},
          {cMSG_PROGRESS, 28},
          {cMSG_PROGRESS, 42},
          {cMSG_FAILURE, 20, true}};
}
