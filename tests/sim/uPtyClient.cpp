#include "uPtyClient.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

TPtyClient::TPtyClient(const std::string& sPort) {
  FhPort = open(sPort.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (FhPort < 0) throw std::runtime_error("cannot open " + sPort);
  termios Raw{};
  tcgetattr(FhPort, &Raw);
  cfmakeraw(&Raw);
  tcsetattr(FhPort, TCSANOW, &Raw);
}

TPtyClient::~TPtyClient() {
  if (FhPort >= 0) close(FhPort);
}

void TPtyClient::Write(const std::string& sBytes) {
  std::size_t nDone = 0;
  while (nDone < sBytes.size()) {
    const ssize_t nWritten = write(FhPort, sBytes.data() + nDone, sBytes.size() - nDone);
    if (nWritten < 0 && errno == EINTR) continue;
    if (nWritten <= 0) throw std::runtime_error("write to the port failed");
    nDone += static_cast<std::size_t>(nWritten);
  }
}

std::string TPtyClient::Read(std::size_t nCount, std::chrono::milliseconds tWait) {
  std::string sData;
  const auto tEnd = std::chrono::steady_clock::now() + tWait;
  while (sData.size() < nCount) {
    const auto nLeft = std::chrono::duration_cast<std::chrono::milliseconds>(
                           tEnd - std::chrono::steady_clock::now())
                           .count();
    if (nLeft <= 0) break;
    pollfd Poll{FhPort, POLLIN, 0};
    if (poll(&Poll, 1, static_cast<int>(nLeft)) <= 0) continue;
    if ((Poll.revents & POLLIN) == 0) break; // hang-up
    char aBuffer[512];
    const std::size_t nWant = std::min(sizeof aBuffer, nCount - sData.size());
    const ssize_t nRead = read(FhPort, aBuffer, nWant);
    if (nRead <= 0) break;
    sData.append(aBuffer, static_cast<std::size_t>(nRead));
  }
  return sData;
}

std::string TPtyClient::Exchange(const std::string& sBytes, std::size_t nAnswer,
                                 std::chrono::milliseconds tWait) {
  tcflush(FhPort, TCIOFLUSH);
  Write(sBytes);
  return Read(nAnswer, tWait);
}

bool TPtyClient::WaitForHangup(std::chrono::milliseconds tWait) {
  const auto tEnd = std::chrono::steady_clock::now() + tWait;
  while (std::chrono::steady_clock::now() < tEnd) {
    pollfd Poll{FhPort, POLLIN, 0};
    if (poll(&Poll, 1, 50) > 0) {
      if (Poll.revents & (POLLHUP | POLLERR)) return true;
      char ch;
      if (read(FhPort, &ch, 1) <= 0) return true;
    }
  }
  return false;
}
