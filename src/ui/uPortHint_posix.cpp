// Why a serial device would not open, in Linux terms: the missing device, the group to join,
// the program that holds it (and how to keep the usual ones off an adapter).
#include "ui/uPortHint.h"

#include <algorithm>

namespace {

constexpr std::uint32_t cGROUP_READ_WRITE = 0060;
// Holders named one by one; the rest are counted (a device that many programs hold open is
// no serial port the operator has in mind).
constexpr std::size_t cHOLDERS_NAMED = 5;

// "rw-rw----".
std::string ModeText(std::uint32_t nMode) {
  std::string sText;
  for (int nShift = 6; nShift >= 0; nShift -= 3) {
    sText += (nMode >> nShift) & 4 ? 'r' : '-';
    sText += (nMode >> nShift) & 2 ? 'w' : '-';
    sText += (nMode >> nShift) & 1 ? 'x' : '-';
  }
  return sText;
}

std::string Quoted(const std::string& sText) {
  return "\"" + sText + "\"";
}

std::string NoAccessText(const std::string& sDevice, const TDeviceAccess& rAccess) {
  const std::string sStart = "Permission denied: ";
  if (rAccess.sGroup.empty())
    return sStart + "user " + Quoted(rAccess.sUser) + " may not open " + sDevice + ".";
  const bool bGroupMayUse = (rAccess.nMode & cGROUP_READ_WRITE) == cGROUP_READ_WRITE;
  if (bGroupMayUse && !rAccess.bProcessInGroup) {
    const std::string sOpenTo = sStart + sDevice + " is open to group " + Quoted(rAccess.sGroup);
    if (rAccess.bUserInGroup)
      return sOpenTo + ", and user " + Quoted(rAccess.sUser) +
             " was added to it after this session began: log out and in again (or start a "
             "shell in the group with: newgrp " +
             rAccess.sGroup + ").";
    return sOpenTo + ", and user " + Quoted(rAccess.sUser) +
           " is not in it. Add the user with: sudo usermod -aG " + rAccess.sGroup + " " +
           rAccess.sUser + " (then log out and in again).";
  }
  return sStart + sDevice + " (owner " + rAccess.sOwner + ", group " + rAccess.sGroup + ", mode " +
         ModeText(rAccess.nMode) + ") may not be read and written by user " +
         Quoted(rAccess.sUser) +
         ". An administrator can open it to a group of users, for example with a udev rule "
         "that sets GROUP=\"dialout\", MODE=\"0660\".";
}

// ModemManager probes every new serial adapter; a udev rule with the adapter's ids keeps it off.
std::string ModemManagerAdvice(const std::string& sUsbId) {
  const std::size_t nColon = sUsbId.find(':');
  const bool bKnown = nColon != std::string::npos;
  const std::string sVendor = bKnown ? sUsbId.substr(0, nColon) : "VVVV";
  const std::string sProduct = bKnown ? sUsbId.substr(nColon + 1) : "PPPP";
  return " ModemManager takes new serial adapters for modems. Keep it off this one with a "
         "udev rule: the line ATTRS{idVendor}==\"" +
         sVendor + "\", ATTRS{idProduct}==\"" + sProduct +
         "\", ENV{ID_MM_DEVICE_IGNORE}=\"1\" in /etc/udev/rules.d/99-tarvik.rules" +
         (bKnown ? "" : " with the adapter's ids (lsusb shows them)") +
         ", then plug the adapter in again; or stop it with: sudo systemctl stop ModemManager.";
}

std::string InUseText(const TOpenFailure& rFailure) {
  const auto& aHolders = rFailure.aHolders;
  std::string sText = rFailure.sDevice + " is in use by " +
                      (aHolders.size() > 1 ? "other programs" : "another program");
  if (!aHolders.empty()) {
    sText += ": ";
    const std::size_t nNamed = std::min(aHolders.size(), cHOLDERS_NAMED);
    for (std::size_t i = 0; i < nNamed; ++i)
      sText += (i == 0 ? "" : ", ") + aHolders[i].sName + " (process " +
               std::to_string(aHolders[i].nPid) + ")";
    if (aHolders.size() > nNamed)
      sText += " and " + std::to_string(aHolders.size() - nNamed) + " more";
  } else if (rFailure.bHoldersUnseen) {
    sText += " that this user cannot see (sudo fuser -v " + rFailure.sDevice + " names it)";
  }
  sText += ".";
  // Programs that take serial adapters for their own are kept off; others are to be closed.
  std::string sAdvice;
  std::size_t nToClose = aHolders.empty() ? 1 : 0;
  for (const TPortHolder& rHolder : aHolders) {
    if (rHolder.sName == "ModemManager") {
      sAdvice += ModemManagerAdvice(rFailure.sUsbId);
    } else if (rHolder.sName == "brltty") {
      sAdvice += " brltty takes some USB serial adapters for braille displays; where no braille "
                 "display is used, remove it with: sudo apt remove brltty.";
    } else {
      ++nToClose;
    }
  }
  if (nToClose > 0)
    sText += nToClose > 1 ? " Close them and try again." : " Close it and try again.";
  return sText + sAdvice;
}

} // namespace

std::string PortHintText(const TOpenFailure& rFailure, const std::vector<std::string>& slPortsNow) {
  const std::string& sDevice = rFailure.sDevice;
  switch (rFailure.eFault) {
  case TOpenFault::NoDevice:
    return (sDevice.empty() ? std::string("No port was named.")
                            : "There is no device " + sDevice + ".") +
           " " + PortsNowText(slPortsNow);
  case TOpenFault::NoAccess:
    return NoAccessText(sDevice, rFailure.rAccess);
  case TOpenFault::InUse:
    return InUseText(rFailure);
  case TOpenFault::NotSerial:
    return sDevice + " is not a serial port.";
  case TOpenFault::Other:
    break;
  }
  return Sentence("Opening " + sDevice + " failed in " + rFailure.sCall + ": " +
                  rFailure.sErrorText);
}
