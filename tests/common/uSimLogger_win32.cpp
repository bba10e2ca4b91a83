// TSimLogger for the Windows build, which runs its tests under wine. The simulator is a Linux
// program; wine starts native Linux programs through CreateProcess, but gives the Windows side
// no pipe to their output and no way to signal them. So the test starts a small Linux launcher
// (tests/windows/sim-launch.sh) and both sides talk through files:
// - Each simulator gets the first free COM number from 10 up: the test claims it by creating
//   the control directory $WINEPREFIX/tarvik-sim/comN (CreateDirectory is atomic, so parallel
//   test processes never share one), seen from Windows as Z:\...\comN.
// - The launcher runs tarvik-logger-sim with --link $WINEPREFIX/dosdevices/comN: wine looks up
//   dosdevices on every open, so COMN reaches the simulator's pseudo-terminal at once, without
//   a wineserver restart. It writes "ready" once the port exists ("failed" if the simulator
//   ended first), and "status" with the exit status once the simulator has ended.
// - Stop() creates "stop"; the launcher sends SIGTERM and writes "status".
// - The destructor removes the control directory, which frees the COM number.
#include "uSimLogger.h"

#include "link/uWideText.h"

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#ifndef TARVIK_SIM_LAUNCHER
#define TARVIK_SIM_LAUNCHER ""
#endif

namespace {

constexpr int cFIRST_COM = 10;
constexpr int cLAST_COM = 255;
constexpr auto cSTART_TIMEOUT = std::chrono::seconds(10);
constexpr auto cSTOP_TIMEOUT = std::chrono::seconds(15);
constexpr auto cPOLL = std::chrono::milliseconds(2);

std::string Env(const char* sName) {
  const char* sValue = std::getenv(sName);
  return sValue != nullptr ? sValue : "";
}

// wine maps drive Z: to the Linux root.
std::string WindowsPath(const std::string& sUnixPath) {
  std::string s = "Z:" + sUnixPath;
  for (char& ch : s)
    if (ch == '/') ch = '\\';
  return s;
}

std::string UnixPath(const std::string& sWindowsPath) {
  std::string s = sWindowsPath.substr(2);
  for (char& ch : s)
    if (ch == '\\') ch = '/';
  return s;
}

std::string WinePrefix() {
  const std::string sPrefix = Env("WINEPREFIX");
  if (!sPrefix.empty()) return sPrefix;
  return Env("HOME") + "/.wine";
}

// One argument quoted as the Windows runtime splits a command line.
std::string Quote(const std::string& sArg) {
  if (!sArg.empty() && sArg.find_first_of(" \t\"") == std::string::npos) return sArg;
  std::string sOut = "\"";
  std::size_t nSlashes = 0;
  for (char ch : sArg) {
    if (ch == '\\') {
      ++nSlashes;
      continue;
    }
    sOut.append(ch == '"' ? nSlashes * 2 + 1 : nSlashes, '\\');
    nSlashes = 0;
    sOut.push_back(ch);
  }
  sOut.append(nSlashes * 2, '\\');
  return sOut + "\"";
}

bool Exists(const std::string& sPath) {
  return GetFileAttributesW(Wide(sPath).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadText(const std::string& sPath) {
  std::ifstream File(sPath, std::ios::binary);
  std::ostringstream Text;
  Text << File.rdbuf();
  return Text.str();
}

std::string FirstLine(const std::string& sPath) {
  const std::string sText = ReadText(sPath);
  return sText.substr(0, sText.find('\n'));
}

// Waits until one of the files exists; returns its index, or -1 after the time-out.
int WaitForFile(const std::vector<std::string>& aPaths, std::chrono::milliseconds nTimeout) {
  const auto tEnd = std::chrono::steady_clock::now() + nTimeout;
  for (;;) {
    for (std::size_t i = 0; i < aPaths.size(); ++i)
      if (Exists(aPaths[i])) return static_cast<int>(i);
    if (std::chrono::steady_clock::now() >= tEnd) return -1;
    std::this_thread::sleep_for(cPOLL);
  }
}

// Claims the first free COM number; returns it with its control directory.
int ClaimComNumber(const std::string& sRoot, std::string& sDir) {
  CreateDirectoryW(Wide(sRoot).c_str(), nullptr);
  for (int nCom = cFIRST_COM; nCom <= cLAST_COM; ++nCom) {
    sDir = sRoot + "\\com" + std::to_string(nCom);
    if (CreateDirectoryW(Wide(sDir).c_str(), nullptr)) return nCom;
    if (GetLastError() != ERROR_ALREADY_EXISTS)
      throw std::runtime_error("cannot create " + sDir + " (is this wine?)");
  }
  throw std::runtime_error("no free COM number under " + sRoot);
}

void StartLauncher(const std::vector<std::string>& aArgs) {
  std::string sCommand;
  for (const std::string& sArg : aArgs)
    sCommand += (sCommand.empty() ? "" : " ") + Quote(sArg);
  std::wstring wsCommand = Wide(sCommand);
  STARTUPINFOW Startup{};
  Startup.cb = sizeof(Startup);
  PROCESS_INFORMATION Process{};
  if (!CreateProcessW(nullptr, wsCommand.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &Startup, &Process))
    throw std::runtime_error("cannot start " + aArgs.front() + " (error " +
                             std::to_string(GetLastError()) + ")");
  // A Linux program under wine leaves nothing useful behind these handles.
  CloseHandle(Process.hThread);
  CloseHandle(Process.hProcess);
}

} // namespace

std::string SimLoggerProgram() {
  if (const char* sOverride = std::getenv("TARVIK_LOGGER_SIM")) return sOverride;
  return TARVIK_LOGGER_SIM_PATH;
}

TSimLogger::TSimLogger(std::vector<std::string> aArgs) {
  const std::string sProgram = SimLoggerProgram();
  if (sProgram.empty())
    throw std::runtime_error("no simulator: configure with -DTARVIK_LOGGER_SIM_PATH=<the Linux "
                             "build's tarvik-logger-sim> or set TARVIK_LOGGER_SIM");
  const std::string sPrefix = WinePrefix();
  const int nCom = ClaimComNumber(WindowsPath(sPrefix + "/tarvik-sim"), FsDir);
  FnPid = nCom;
  for (const char* sStale : {"\\flash.hex", "\\trace.txt"})
    DeleteFileW(Wide(FsDir + sStale).c_str());

  std::vector<std::string> aAll{WindowsPath(TARVIK_SIM_LAUNCHER),
                                UnixPath(FsDir),
                                sPrefix + "/dosdevices/com" + std::to_string(nCom),
                                sProgram,
                                "--flash-out",
                                UnixPath(FlashOutPath()),
                                "--trace",
                                UnixPath(TracePath())};
  aAll.insert(aAll.end(), aArgs.begin(), aArgs.end());
  try {
    StartLauncher(aAll);
  } catch (...) {
    FnPid = -1;
    std::filesystem::remove_all(FsDir);
    throw;
  }
  const int nFound = WaitForFile({FsDir + "\\ready", FsDir + "\\failed"}, cSTART_TIMEOUT);
  if (nFound != 0) {
    const int nStatus = Stop();
    const std::string sErrors = ReadText(FsDir + "\\err");
    std::error_code Ignored;
    std::filesystem::remove_all(FsDir, Ignored);
    throw std::runtime_error(sProgram + " gave no port (exit status " + std::to_string(nStatus) +
                             "): " + sErrors);
  }
  FsPort = "COM" + std::to_string(nCom);
}

TSimLogger::~TSimLogger() {
  Stop();
  ReportIfTestFailed();
  std::error_code Ignored;
  std::filesystem::remove_all(FsDir, Ignored);
}

const std::string& TSimLogger::Port() const {
  return FsPort;
}

int TSimLogger::Stop() {
  if (FnPid > 0) {
    FnPid = -1;
    const std::string sStatus = FsDir + "\\status";
    if (!Exists(sStatus)) {
      std::ofstream(FsDir + "\\stop").put('\n');
      WaitForFile({sStatus}, cSTOP_TIMEOUT);
    }
    const std::string sCode = FirstLine(sStatus);
    FnExitStatus = sCode.empty() ? -1 : std::atoi(sCode.c_str());
  }
  return FnExitStatus;
}

std::string TSimLogger::FlashOutPath() const {
  return FsDir + "\\flash.hex";
}

std::string TSimLogger::TracePath() const {
  return FsDir + "\\trace.txt";
}
