#include "ui/uPortHint.h"

std::string PortHint(const std::string& sPort, const std::vector<std::string>& slPortsNow) {
  const std::optional<TOpenFailure> rFailure = LastOpenFailure(sPort);
  return rFailure ? PortHintText(*rFailure, slPortsNow) : std::string();
}

std::string MessageWithHint(const std::string& sMessage, const std::string& sHint) {
  return sHint.empty() ? sMessage : sMessage + "\r\n\r\n" + sHint;
}

std::string PortsNowText(const std::vector<std::string>& slPortsNow) {
  if (slPortsNow.empty()) return "No serial port of a USB adapter is there now: is it plugged in?";
  std::string sText = "Serial ports there now: ";
  for (std::size_t i = 0; i < slPortsNow.size(); ++i)
    sText += (i == 0 ? "" : ", ") + slPortsNow[i];
  return sText + ".";
}

std::string Sentence(const std::string& sText) {
  if (sText.empty() || sText.back() == '.' || sText.back() == '!' || sText.back() == '?')
    return sText;
  return sText + ".";
}
