#include "uSoakCheck.h"

#include "ui/uNotifyText.h"

#include <array>
#include <cstdio>
#include <sstream>
#include <vector>

namespace {

constexpr const char* cREPEATS_RAN_OUT = "No repeats left";
constexpr std::array<std::int32_t, 12> caFailureCodes{10, 11, 20, 40, 41, 42,
                                                      43, 45, 46, 47, 70, 0};

std::vector<std::string> NonEmptyLines(const std::string& sText) {
  std::vector<std::string> slLines;
  std::istringstream Input(sText);
  for (std::string sLine; std::getline(Input, sLine);)
    if (!sLine.empty()) slLines.push_back(sLine);
  return slLines;
}

bool StartsWith(const std::string& sText, const std::string& sStart) {
  return sText.rfind(sStart, 0) == 0;
}

bool EndsWith(const std::string& sText, const std::string& sEnd) {
  return sText.size() >= sEnd.size() &&
         sText.compare(sText.size() - sEnd.size(), sEnd.size(), sEnd) == 0;
}

bool IsSuccessText(const std::string& sLine) {
  return StartsWith(sLine, "Update ") && EndsWith(sLine, " succesfully completed.");
}

bool IsFinalText(const std::string& sLine, const std::string& sPort) {
  if (IsSuccessText(sLine) || StartsWith(sLine, cREPEATS_RAN_OUT)) return true;
  for (const std::int32_t iCode : caFailureCodes)
    if (sLine == FailureText(iCode, sPort)) return true;
  return false;
}

std::string Hex(std::uint32_t nValue) {
  char sText[16];
  std::snprintf(sText, sizeof sText, "0x%X", nValue);
  return sText;
}

} // namespace

bool HasSanitizerReport(const std::string& sErr) {
  for (const char* sMark : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:",
                            "WARNING: ThreadSanitizer", "UndefinedBehaviorSanitizer"})
    if (sErr.find(sMark) != std::string::npos) return true;
  return false;
}

std::string FinalReportProblem(int nExit, const std::string& sErr, const std::string& sVersion,
                               const std::string& sPort) {
  std::vector<std::string> slFinal;
  for (const std::string& sLine : NonEmptyLines(sErr)) {
    if (!IsFinalText(sLine, sPort)) return "stray line on stderr: \"" + sLine + "\"";
    slFinal.push_back(sLine);
  }
  if (slFinal.size() != 1)
    return std::to_string(slFinal.size()) + " final outcomes reported instead of one";
  const std::string& sFinal = slFinal[0];
  bool bFits = false;
  if (nExit == 0)
    bFits = IsSuccessText(sFinal) && sFinal.find(" " + sVersion + " ") != std::string::npos;
  else if (nExit == 30 || nExit == 44)
    bFits = StartsWith(sFinal, cREPEATS_RAN_OUT);
  else
    bFits = sFinal == FailureText(nExit == 1 ? 0 : nExit, sPort);
  if (!bFits)
    return "final outcome \"" + sFinal + "\" does not go with exit status " + std::to_string(nExit);
  return {};
}

std::string FlashProblem(int nExit, const TFlashBytes& aFlash, const TFlashBytes& aImage) {
  for (const auto& [nAddress, byValue] : aFlash) {
    const auto It = aImage.find(nAddress);
    if (It == aImage.end()) return "flash holds a byte at " + Hex(nAddress) + " outside the image";
    if (It->second != byValue)
      return "flash byte at " + Hex(nAddress) + " is " + Hex(byValue) + ", the image has " +
             Hex(It->second);
  }
  if (nExit == 0 && aFlash.size() != aImage.size())
    return "success reported, but " + std::to_string(aImage.size() - aFlash.size()) + " of " +
           std::to_string(aImage.size()) + " image bytes are not in the flash";
  return {};
}
