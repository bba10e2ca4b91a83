// A raw client of the simulator's port, standing in for the tool's end of the line.
#pragma once

#include <chrono>
#include <string>

class TPtyClient {
public:
  // Opens the port raw (no echo, no line editing). Raises std::runtime_error.
  explicit TPtyClient(const std::string& sPort);
  ~TPtyClient();
  TPtyClient(const TPtyClient&) = delete;
  TPtyClient& operator=(const TPtyClient&) = delete;

  // Discards both queues, writes sBytes and reads until nAnswer bytes came or tWait passed.
  std::string Exchange(const std::string& sBytes, std::size_t nAnswer,
                       std::chrono::milliseconds tWait = std::chrono::milliseconds(500));
  void Write(const std::string& sBytes);
  std::string Read(std::size_t nCount, std::chrono::milliseconds tWait);

  // True if the port reports a hang-up within tWait.
  bool WaitForHangup(std::chrono::milliseconds tWait);

private:
  int FhPort = -1;
};
