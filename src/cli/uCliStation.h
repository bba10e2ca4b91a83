// Station mode: waits for loggers to arrive and updates each port once when it arrives, until
// Ctrl+C.
#pragma once

#include "cli/uCliFleet.h"

#include <functional>
#include <set>
#include <string>
#include <vector>

// Which ports a station starts: a port when it arrives; not again while it stays; again after
// it has left and come back; never a second time while its update still runs.
class TStationPorts {
public:
  // slPresent: the ports there at the start, which are left alone.
  explicit TStationPorts(const std::vector<std::string>& slPresent);
  // The system reported sPort removed. True when it was there.
  bool Left(const std::string& sPort);
  struct TArrivals {
    std::vector<std::string> slStart;   // to update, in the list's order
    std::vector<std::string> slRunning; // back while their update still runs: not again
    std::vector<std::string> slLeft;    // no longer listed: taken as gone
  };
  // The ports listed now.
  TArrivals Arrivals(const std::vector<std::string>& slListed,
                     const std::function<bool(const std::string&)>& fnRunning);

private:
  std::set<std::string> FsetPresent;
};

// Runs the station; bPresentToo: the ports there at the start are updated as well. Returns
// the combined exit status of every port it updated.
int RunStation(bool bPresentToo, const std::string& sProgram, const TFleet::TArgsOf& fnArgs,
               TJsonLog* pJson);
