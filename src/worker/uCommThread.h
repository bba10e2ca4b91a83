// One conversation with the logger: a worker thread that opens the port, wakes the logger,
// runs the command, closes the port and posts exactly one final notification. It frees
// itself when it ends.
#pragma once

#include "link/uRS232.h"
#include "worker/uMessages.h"

#include <atomic>
#include <cstdint>
#include <string>

enum class TCmd : std::uint8_t { tCMD0 = 0, tCMD1 = 1, tCMD2 = 2, tCMD_TEST = 3 };

// Set by the window (Cancel), read by the worker before every try.
extern std::atomic<bool> gbCancel;

constexpr std::int32_t cBUFFER_SIZE = 1501;
constexpr std::int32_t cTRIES = 5;
constexpr std::uint32_t cTRY_PAUSE_MS = 100;
constexpr std::uint8_t cCMD_WAKE = 0xFF;

class TCommThread {
public:
  // Creates a worker of class T and starts it. The caller may keep the pointer only until
  // the final notification arrives.
  template <class T>
  static TCommThread* Create(TWindowHandle hWindow, TCmd cmd, const std::string& sPort) {
    auto* pThread = new T(std::move(hWindow), cmd, sPort);
    pThread->Start();
    return pThread;
  }

  virtual ~TCommThread();
  TCommThread(const TCommThread&) = delete;
  TCommThread& operator=(const TCommThread&) = delete;

  static std::uint16_t calculateCRC16(std::uint16_t upid_id, std::uint16_t upid_info,
                                      std::uint16_t upid_platform, std::uint16_t upid_print,
                                      std::uint16_t upid_reserve);

  static void Sleep(std::uint32_t nMs);

  // Number of workers whose thread has not yet ended; WaitForWorkers waits until none is
  // left or nTimeoutMs passed (true when none is left), and joins the threads that have
  // ended, so none is still on its way out. For orderly shut-down and tests.
  static int LiveWorkers();
  static bool WaitForWorkers(std::uint32_t nTimeoutMs);

protected:
  TCommThread(TWindowHandle hWindow, TCmd cmd, std::string sPort);

  virtual void Execute();
  virtual void DoUpdate();
  virtual void DoCommand();

  void Post(std::uint32_t nCode, std::uint32_t nValue);
  void SetProgress(std::int32_t iPos, std::int32_t iMax);
  void ResetProgress();

  void ClosePort();
  bool ExchangeFrame(bool bAnswer);
  void SendCommand(bool bAnswer, std::uint8_t byCmd, std::uint8_t byP1 = 0, std::uint8_t byP2 = 0,
                   std::uint8_t byP3 = 0, std::uint8_t byP4 = 0, std::uint8_t byP5 = 0,
                   std::uint8_t byP6 = 0);
  bool ExchangeLine(const std::string& sLine, std::uint8_t byCount);
  bool SendLine(const std::string& sLine, std::uint8_t byCount, bool bFail);
  std::string AnswerLine() const;

  TCmd FCmd;
  std::uint8_t FTxBuffer[cBUFFER_SIZE] = {};
  std::uint8_t FRxBuffer[cBUFFER_SIZE] = {};
  std::int32_t FRxCnt = 0;
  TWindowHandle FhWindow;
  std::string FsPort;
  TPortHandle FhPort = cINVALID_PORT;
  std::int32_t FnProgres = 0;

private:
  void Start();
  static void Run(TCommThread* pThread);
};

// The class of worker a front end creates.
using TCommThreadClass = TCommThread* (*)(TWindowHandle hWindow, TCmd cmd,
                                          const std::string& sPort);
