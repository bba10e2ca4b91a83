// Why the last open of each port failed. The worker's final notification carries only the
// failure code, so a front end that wants to tell the operator why looks it up here by the
// port's name once the notification has come (the record is written before it is posted).
#include "link/uRS232_internal.h"

#include <map>
#include <mutex>

namespace {

// Never destroyed: a worker may still end while the process runs its exit handlers.
std::mutex& gFailureMutex = *new std::mutex;
std::map<std::string, TOpenFailure>& gFailures = *new std::map<std::string, TOpenFailure>;

const char* FaultName(TOpenFault eFault) {
  switch (eFault) {
  case TOpenFault::NoDevice:
    return "no such device";
  case TOpenFault::NoAccess:
    return "no access";
  case TOpenFault::InUse:
    return "in use";
  case TOpenFault::NotSerial:
    return "not a serial port";
  case TOpenFault::Other:
    break;
  }
  return "failed";
}

} // namespace

TPortHandle OpenFailed(const std::string& sName, TOpenFailure rFailure) {
  if (PortTraceOn()) {
    std::string sWhat = "cannot open " + rFailure.sDevice + ": " + FaultName(rFailure.eFault);
    if (!rFailure.sCall.empty())
      sWhat +=
          " (" + rFailure.sCall + ": " +
          (rFailure.sErrorText.empty() ? std::to_string(rFailure.nError) : rFailure.sErrorText) +
          ")";
    TracePortEvent(cINVALID_PORT, sWhat);
  }
  std::lock_guard<std::mutex> lock(gFailureMutex);
  gFailures.insert_or_assign(sName, std::move(rFailure));
  return cINVALID_PORT;
}

void OpenSucceeded(const std::string& sName) {
  std::lock_guard<std::mutex> lock(gFailureMutex);
  gFailures.erase(sName);
}

std::optional<TOpenFailure> LastOpenFailure(const std::string& sName) {
  std::lock_guard<std::mutex> lock(gFailureMutex);
  const auto it = gFailures.find(sName);
  if (it == gFailures.end()) return std::nullopt;
  return it->second;
}
