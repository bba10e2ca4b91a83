// The simulator's end of the serial line: a pseudo-terminal pair whose slave the tool opens.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

class TSimPty {
public:
  TSimPty() = default;
  TSimPty(const TSimPty&) = delete;
  TSimPty& operator=(const TSimPty&) = delete;
  ~TSimPty() { Close(); }

  // Creates the pair with raw termios on both sides and keeps a slave descriptor open, so the
  // master sees no hang-up while the tool has the port closed. Raises std::system_error.
  void Open();

  // Also names the port sLinkPath (a symbolic link, removed by Close). Raises std::system_error.
  void AddLink(const std::string& sLinkPath);

  const std::string& SlavePath() const { return FsSlavePath; }
  int MasterFd() const { return FhMaster; }
  bool IsOpen() const { return FhMaster >= 0; }

  // Bytes from the tool without blocking: the count, 0 when none wait, -1 on a failure.
  ssize_t Read(std::uint8_t* pData, std::size_t nCount);

  // Bytes to the tool without blocking: the count written, 0 when the queue is full, -1 on a
  // failure.
  ssize_t Write(const std::uint8_t* pData, std::size_t nCount);

  // Closes master and slave: the port vanishes and the tool sees a hang-up.
  void Close();

private:
  int FhMaster = -1;
  int FhSlave = -1;
  std::string FsSlavePath;
  std::string FsLinkPath;
};
