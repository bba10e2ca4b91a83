// Not for CI (about 20 s): a complete update against a simulated logger that sends at 9600
// baud, compared with the wire time of the bytes exchanged (10 bits per byte at 9600 baud, both
// directions, from the simulator's trace). Prints the ratio measured / wire time.
#include "uBenchUpdate.h"
#include "uSimLogger.h"

#include "worker/uMessages.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

// Bytes the trace shows on lines "<time> in  .." and "<time> out ..".
std::size_t TracedBytes(const std::string& sPath) {
  std::ifstream F(sPath);
  std::string sLine;
  std::size_t nBytes = 0;
  while (std::getline(F, sLine)) {
    std::istringstream sFields(sLine);
    std::string sTime;
    std::string sDirection;
    sFields >> sTime >> sDirection;
    if (sDirection != "in" && sDirection != "out") {
      continue;
    }
    std::string sByte;
    while (sFields >> sByte) {
      ++nBytes;
    }
  }
  return nBytes;
}

} // namespace

int main() {
  constexpr double cBITS_PER_BYTE = 10.0;
  constexpr double cBAUD = 9600.0;
  TSimLogger rSim({"--baud", "9600", "--restart-ms", "0"});
  const TUpdateTiming rTiming = TimeOneUpdate(rSim.Port());
  rSim.Stop();
  if (rTiming.nFinalCode != cMSG_DONE) {
    std::fprintf(stderr, "engine_wire_bench: the update did not complete\n");
    return 1;
  }
  const std::size_t nBytes = TracedBytes(rSim.TracePath());
  const double tWire = static_cast<double>(nBytes) * cBITS_PER_BYTE / cBAUD;
  const double tWork =
      rTiming.tElapsed.count() - std::chrono::duration<double>(cPRESCRIBED_PAUSES).count();
  std::printf("bytes exchanged      %zu\n", nBytes);
  std::printf("wire time at 9600    %.3f s\n", tWire);
  std::printf("update minus pauses  %.3f s (%.3f s in all)\n", tWork, rTiming.tElapsed.count());
  std::printf("ratio                %.3f\n", tWork / tWire);
  return 0;
}
