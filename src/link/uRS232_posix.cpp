// Serial port channel on POSIX termios. The descriptor is non-blocking; every transfer waits
// with ppoll against a deadline on the monotonic clock, so reads and writes keep the same
// time limits as the Windows port: n bytes or n + 200 ms for a read, n ms for a write.
#include "link/uDeviceFacts.h"
#include "link/uPortHolders.h"
#include "link/uRS232_internal.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <linux/serial.h>
#include <map>
#include <mutex>
#include <optional>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace {

using TClock = std::chrono::steady_clock;

constexpr auto cREAD_EXTRA = std::chrono::milliseconds(200);
constexpr short cHANGUP_EVENTS = POLLHUP | POLLERR | POLLNVAL;

struct TBaudCode {
  std::int32_t iBaud;
  speed_t nSpeed;
};

constexpr TBaudCode caBaudCodes[] = {{1200, B1200},   {2400, B2400},     {4800, B4800},
                                     {9600, B9600},   {19200, B19200},   {38400, B38400},
                                     {57600, B57600}, {115200, B115200}, {230400, B230400}};

bool SpeedOfBaud(std::int32_t iBaud, speed_t& nSpeed) {
  for (const TBaudCode& code : caBaudCodes)
    if (code.iBaud == iBaud) {
      nSpeed = code.nSpeed;
      return true;
    }
  return false;
}

std::int32_t BaudOfSpeed(speed_t nSpeed) {
  for (const TBaudCode& code : caBaudCodes)
    if (code.nSpeed == nSpeed) return code.iBaud;
  return 9600;
}

int Fd(TPortHandle hPort) {
  return static_cast<int>(hPort);
}

// Milliseconds and nanoseconds left until tDeadline, never negative.
timespec TimeLeft(TClock::time_point tDeadline) {
  const auto nLeft = std::max(TClock::duration::zero(), tDeadline - TClock::now());
  const auto nNs = std::chrono::duration_cast<std::chrono::nanoseconds>(nLeft).count();
  return timespec{static_cast<time_t>(nNs / 1000000000), static_cast<long>(nNs % 1000000000)};
}

// Waits for nEvents on fd until tDeadline. Returns the reported events (0 on time-out), or -1
// when ppoll failed. Interrupted waits are resumed.
int WaitFor(int fd, short nEvents, TClock::time_point tDeadline) {
  for (;;) {
    pollfd pfd{fd, nEvents, 0};
    const timespec tsLeft = TimeLeft(tDeadline);
    const int nReady = ppoll(&pfd, 1, &tsLeft, nullptr);
    if (nReady >= 0) return nReady == 0 ? 0 : pfd.revents;
    if (errno != EINTR) return -1;
  }
}

// A modem-line change that a port without modem lines (a pseudo-terminal) refuses is no fault.
bool SetModemLine(int fd, unsigned long nRequest, int nLine) {
  if (ioctl(fd, nRequest, &nLine) == 0) return true;
  return errno == ENOTTY || errno == EINVAL;
}

// A step of the open that failed: the call, and errno (0 when the call itself did not fail).
struct TStepFault {
  const char* sCall;
  int nError;
};

std::optional<TStepFault> StepFailed(const char* sCall) {
  return TStepFault{sCall, errno};
}

std::optional<TStepFault> ConfigureLine(int fd, std::int32_t iBaud) {
  speed_t nSpeed = 0;
  if (!SpeedOfBaud(iBaud, nSpeed)) return TStepFault{"baud rate", EINVAL};
  // Built from nothing: the port's previous setting is not carried over.
  termios tio{};
  cfmakeraw(&tio);
  tio.c_iflag = 0;                            // no parity check, no flow control, no translation
  tio.c_oflag = 0;                            // bytes go out as they are
  tio.c_lflag = 0;                            // no echo, no signals, no line editing
  tio.c_cflag = CS8 | CREAD | CLOCAL | HUPCL; // 8N1, ignore carrier, no RTS/CTS
  tio.c_cc[VMIN] = 1;                         // so that a read of 0 bytes means a hang-up
  tio.c_cc[VTIME] = 0;
  if (cfsetispeed(&tio, nSpeed) != 0 || cfsetospeed(&tio, nSpeed) != 0)
    return StepFailed("cfsetspeed");
  if (tcsetattr(fd, TCSANOW, &tio) != 0) return StepFailed("tcsetattr");
  termios tioRead{};
  if (tcgetattr(fd, &tioRead) != 0) return StepFailed("tcgetattr");
  if (cfgetospeed(&tioRead) != nSpeed || (tioRead.c_cflag & CSIZE) != CS8 ||
      (tioRead.c_cflag & (PARENB | CSTOPB)) != 0)
    return TStepFault{"tcsetattr", 0}; // taken, but not kept
  return std::nullopt;
}

// The configuration after the open, in the order the line needs it: exclusive, the line
// setting, nothing stale, RTS low, DTR last.
std::optional<TStepFault> ConfigurePort(int fd, std::int32_t iBaud) {
  if (ioctl(fd, TIOCEXCL) != 0) return StepFailed("TIOCEXCL");
  if (const std::optional<TStepFault> fault = ConfigureLine(fd, iBaud)) return fault;
  if (tcflush(fd, TCIOFLUSH) != 0) return StepFailed("tcflush");
  if (!SetModemLine(fd, TIOCMBIC, TIOCM_RTS)) return StepFailed("TIOCMBIC RTS");
  if (!SetModemLine(fd, TIOCMBIS, TIOCM_DTR)) return StepFailed("TIOCMBIS DTR");
  return std::nullopt;
}

std::string ErrorText(int nError) {
  return std::system_category().message(nError);
}

// Another program holds sPath: the ones the check before the open saw, if any.
TOpenFailure InUseFailure(const std::string& sPath, const TPortHolders& holders) {
  TOpenFailure rFailure;
  rFailure.eFault = TOpenFault::InUse;
  rFailure.sDevice = sPath;
  rFailure.aHolders = holders.aHolders;
  rFailure.bHoldersUnseen = !holders.aUnseen.empty() || !holders.bListed;
  rFailure.sUsbId = UsbIdOf(sPath);
  return rFailure;
}

// The failure of sCall on sPath with errno nError, in the operator's terms. holders: what the
// check before the open saw.
TOpenFailure FailureOf(const std::string& sPath, const char* sCall, int nError,
                       const TPortHolders& holders) {
  TOpenFailure rFailure;
  switch (nError) {
  case ENOENT:
  case ENODEV:
  case ENXIO:
  case ENOTDIR:
    rFailure.eFault = TOpenFault::NoDevice;
    break;
  case EACCES:
  case EPERM:
    rFailure.eFault = TOpenFault::NoAccess;
    rFailure.rAccess = DeviceAccessOf(sPath);
    break;
  case EBUSY:       // another program has made the tty exclusive
  case EWOULDBLOCK: // another program has locked it
    rFailure = InUseFailure(sPath, holders);
    break;
  default:
    rFailure.eFault = TOpenFault::Other;
    break;
  }
  rFailure.sDevice = sPath;
  rFailure.sCall = sCall;
  rFailure.nError = nError;
  rFailure.sErrorText = ErrorText(nError);
  return rFailure;
}

// Low latency, where the driver offers it: an FTDI adapter otherwise holds what it received
// for up to 16 ms before passing it on, and every programmed line waits for its echo.
// Never destroyed: a worker may still close its port while the process runs its exit handlers.
std::mutex& gLatencyMutex = *new std::mutex;
std::map<int, int>& gLatencyBefore = *new std::map<int, int>; // changed descriptors: flags before

void SetLowLatency(int fd) {
  serial_struct info{};
  if (ioctl(fd, TIOCGSERIAL, &info) != 0) {
    TracePortEvent(fd, "low latency not offered by this port (TIOCGSERIAL: " + ErrorText(errno) +
                           "): latency left as it is");
    return;
  }
  if ((info.flags & ASYNC_LOW_LATENCY) != 0) {
    TracePortEvent(fd, "low latency already on");
    return;
  }
  const int nBefore = info.flags;
  info.flags |= ASYNC_LOW_LATENCY;
  if (ioctl(fd, TIOCSSERIAL, &info) != 0) {
    TracePortEvent(fd, "low latency refused (TIOCSSERIAL: " + ErrorText(errno) +
                           "): latency left as it is");
    return;
  }
  {
    std::lock_guard<std::mutex> lock(gLatencyMutex);
    gLatencyBefore[fd] = nBefore;
  }
  TracePortEvent(fd, "low latency on (ASYNC_LOW_LATENCY) until the port is closed");
}

void RestoreLatency(int fd) {
  int nBefore = 0;
  {
    std::lock_guard<std::mutex> lock(gLatencyMutex);
    const auto it = gLatencyBefore.find(fd);
    if (it == gLatencyBefore.end()) return;
    nBefore = it->second;
    gLatencyBefore.erase(it);
  }
  serial_struct info{};
  bool bRestored = ioctl(fd, TIOCGSERIAL, &info) == 0;
  if (bRestored) {
    info.flags = (info.flags & ~ASYNC_LOW_LATENCY) | (nBefore & ASYNC_LOW_LATENCY);
    bRestored = ioctl(fd, TIOCSSERIAL, &info) == 0;
  }
  TracePortEvent(fd, bRestored
                         ? "low latency off again, as before the open"
                         : "low latency could not be switched off again: " + ErrorText(errno));
}

void Release(int fd) {
  ioctl(fd, TIOCNXCL); // a tty stays exclusive while any descriptor is open: let the next run in
  close(fd);           // also drops the flock
}

// Time one byte needs on the line at the port's speed (start, 8 data, stop bit).
TClock::duration ByteTime(int fd) {
  termios tio{};
  const std::int32_t iBaud = tcgetattr(fd, &tio) == 0 ? BaudOfSpeed(cfgetospeed(&tio)) : 9600;
  return std::chrono::duration_cast<TClock::duration>(std::chrono::microseconds(10000000 / iBaud));
}

// Other programs that hold sPath open: flock and TIOCEXCL stop only those who open after us,
// and a program that opened the port before with a plain open() would have its setting
// rewritten and its bytes shared. Checked before our open, which would already raise that
// program's modem lines.
TPortHolders HoldersOf(const std::string& sPath) {
  const TPortHolders holders = FindPortHolders(sPath);
  if (PortTraceOn()) {
    if (!holders.bListed)
      TracePortEvent(cINVALID_PORT, "cannot list /proc: no check for other holders of " + sPath);
    if (!holders.aUnseen.empty())
      TracePortEvent(cINVALID_PORT, "holder check of " + sPath + ": " +
                                        std::to_string(holders.aUnseen.size()) +
                                        " process(es) could not be inspected (no permission)");
    for (const TPortHolder& holder : holders.aHolders)
      TracePortEvent(cINVALID_PORT, sPath + " is held by process " + std::to_string(holder.nPid) +
                                        " (" + holder.sName + "): not opened");
  }
  return holders;
}

} // namespace

TPortHandle OpenPort(const std::string& sName, std::int32_t iBaud) {
  if (sName.empty()) {
    TOpenFailure rFailure;
    rFailure.eFault = TOpenFault::NoDevice;
    return OpenFailed(sName, std::move(rFailure));
  }
  const std::string sPath = sName.find('/') == std::string::npos ? "/dev/" + sName : sName;
  const TPortHolders holders = HoldersOf(sPath);
  if (!holders.aHolders.empty()) return OpenFailed(sName, InUseFailure(sPath, holders));
  // Non-blocking, so that the open does not wait for a carrier and transfers wait in ppoll.
  const int fd = open(sPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return OpenFailed(sName, FailureOf(sPath, "open", errno, holders));
  // flock holds against every other user (root included); TIOCEXCL against other opens.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int nError = errno;
    close(fd);
    return OpenFailed(sName, FailureOf(sPath, "flock", nError, holders));
  }
  if (!isatty(fd)) {
    const int nError = errno;
    close(fd);
    TOpenFailure rFailure = FailureOf(sPath, "isatty", nError, holders);
    rFailure.eFault = TOpenFault::NotSerial;
    return OpenFailed(sName, std::move(rFailure));
  }
  if (const std::optional<TStepFault> fault = ConfigurePort(fd, iBaud)) {
    Release(fd);
    // The port is there and ours: it refused a setting.
    TOpenFailure rFailure;
    rFailure.sDevice = sPath;
    rFailure.sCall = fault->sCall;
    rFailure.nError = fault->nError;
    rFailure.sErrorText =
        fault->nError != 0 ? ErrorText(fault->nError) : "the port did not keep the line setting";
    return OpenFailed(sName, std::move(rFailure));
  }
  OpenSucceeded(sName);
  TracePortEvent(fd, "open " + sPath);
  SetLowLatency(fd); // after DTR: a setting of the adapter, not of the line
  return fd;
}

void ClosePortHandle(TPortHandle hPort) {
  if (hPort == cINVALID_PORT) return;
  TracePortEvent(hPort, "close");
  RestoreLatency(Fd(hPort));
  Release(Fd(hPort));
}

bool ClearPortErrors(TPortHandle hPort) {
  // termios keeps no error flags to clear; what matters is whether the port is still there.
  pollfd pfd{Fd(hPort), 0, 0};
  int nReady = 0;
  do
    nReady = poll(&pfd, 1, 0);
  while (nReady < 0 && errno == EINTR);
  if (nReady < 0 || (pfd.revents & cHANGUP_EVENTS) != 0) {
    TracePortEvent(hPort, "hang-up");
    return false;
  }
  return true;
}

bool PurgePort(TPortHandle hPort) {
  // Input only: a late answer to an earlier try must go, but what WritePort reported as
  // written must reach the logger. On a pseudo-terminal the output flush discards bytes the
  // peer has not read yet, even after the write has returned.
  int nResult = 0;
  do
    nResult = tcflush(Fd(hPort), TCIFLUSH);
  while (nResult != 0 && errno == EINTR);
  return nResult == 0;
}

bool WritePort(TPortHandle hPort, const std::uint8_t* pData, std::uint32_t n,
               std::uint32_t& nDone) {
  nDone = 0;
  const int fd = Fd(hPort);
  const auto tStart = TClock::now();
  // n ms as on Windows, plus the time the bytes need on the wire: a real UART at 9600 baud
  // cannot send n bytes in n ms, and a write must not fail for being slower than the line.
  const TClock::duration nLineTime = ByteTime(fd) * n;
  const auto tDeadline = tStart + std::chrono::milliseconds(n) + nLineTime;
  std::uint32_t nWritten = 0;
  while (nWritten < n) {
    const ssize_t nPut = write(fd, pData + nWritten, n - nWritten);
    if (nPut > 0) {
      TracePortBytes(hPort, TTraceDir::Out, pData + nWritten, static_cast<std::uint32_t>(nPut));
      nWritten += static_cast<std::uint32_t>(nPut);
      continue;
    }
    if (nPut < 0 && errno == EINTR) continue;
    if (nPut < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false; // EIO: hang-up
    const int nEvents = WaitFor(fd, POLLOUT, tDeadline);
    if (nEvents < 0 || (nEvents & cHANGUP_EVENTS) != 0) return false;
    if (nEvents == 0) {
      TracePortEvent(hPort, "write stalled: " + std::to_string(nWritten) + " of " +
                                std::to_string(n) + " bytes accepted");
      break; // deadline passed
    }
  }
  // write() returns while the bytes still wait in the driver: wait until they have left, as
  // WriteFile does, but never beyond the deadline. tcdrain() is not used: it has no time
  // limit, and an adapter that never reports its transmitter empty would hold it for good.
  for (;;) {
    int nQueued = 0;
    if (ioctl(fd, TIOCOUTQ, &nQueued) != 0) nQueued = 0; // no queue to report: nothing waits
    if (nQueued <= 0) break;
    const auto tNow = TClock::now();
    if (tNow >= tDeadline) {
      // Like a timed-out WriteFile: what has not gone out is cancelled and not counted.
      tcflush(fd, TCOFLUSH);
      nDone = nWritten - std::min<std::uint32_t>(nWritten, static_cast<std::uint32_t>(nQueued));
      TracePortEvent(hPort, "write timed out: " + std::to_string(nQueued) + " bytes cancelled");
      return true;
    }
    const auto tWake =
        std::min(tDeadline, tNow + std::max<TClock::duration>(std::chrono::milliseconds(1),
                                                              ByteTime(fd) * nQueued));
    if ((WaitFor(fd, 0, tWake) & cHANGUP_EVENTS) != 0) return false;
  }
  nDone = nWritten;
  return true;
}

bool ReadPort(TPortHandle hPort, std::uint8_t* pData, std::uint32_t n, std::uint32_t& nDone) {
  nDone = 0;
  const int fd = Fd(hPort);
  const auto tDeadline = TClock::now() + std::chrono::milliseconds(n) + cREAD_EXTRA;
  while (nDone < n) {
    const ssize_t nGot = read(fd, pData + nDone, n - nDone);
    if (nGot > 0) {
      TracePortBytes(hPort, TTraceDir::In, pData + nDone, static_cast<std::uint32_t>(nGot));
      nDone += static_cast<std::uint32_t>(nGot);
      continue;
    }
    if (nGot == 0) { // end of file: the port has hung up
      TracePortEvent(hPort, "hang-up");
      return false;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
      TracePortEvent(hPort, std::string("read failed: ") + std::strerror(errno));
      return false;
    }
    const int nEvents = WaitFor(fd, POLLIN, tDeadline);
    if (nEvents < 0) return false;
    if (nEvents == 0) break; // time is up: a short count, no failure
    if ((nEvents & POLLIN) == 0 && (nEvents & cHANGUP_EVENTS) != 0) {
      TracePortEvent(hPort, "hang-up");
      return false;
    }
  }
  return true;
}
