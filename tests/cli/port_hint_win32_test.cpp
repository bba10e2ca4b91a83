// The hint after "Aborted because serial port ... is not ready!" on Windows: for each reason
// the link can give, what the operator reads; and a port that is not there, under wine.
#include "ui/uPortHint.h"

#include <gtest/gtest.h>

namespace {

TOpenFailure Failure(TOpenFault eFault, const std::string& sPort, const std::string& sCall = "",
                     const std::string& sErrorText = "") {
  TOpenFailure rFailure;
  rFailure.eFault = eFault;
  rFailure.sDevice = sPort;
  rFailure.sCall = sCall;
  rFailure.sErrorText = sErrorText;
  return rFailure;
}

TEST(OpenFailureHint, SaysWhyAndWhatToDo) {
  EXPECT_EQ(PortHintText(Failure(TOpenFault::NoDevice, "COM7"), {"COM3", "COM5"}),
            "There is no port COM7. Serial ports there now: COM3, COM5.");
  EXPECT_EQ(PortHintText(Failure(TOpenFault::NoDevice, "COM7"), {}),
            "There is no port COM7. No serial port of a USB adapter is there now: is it "
            "plugged in?");
  EXPECT_EQ(PortHintText(Failure(TOpenFault::InUse, "COM5"), {}),
            "COM5 is in use by another program (a terminal program, or another copy of this "
            "tool). Close it and try again.");
  EXPECT_EQ(
      PortHintText(
          Failure(TOpenFault::Other, "COM5", "SetCommState", "The parameter is incorrect."), {}),
      "Opening COM5 failed in SetCommState: The parameter is incorrect.");
}

TEST(OpenFailureHint, MissingPortIsNamedWithTheSystemsError) {
  EXPECT_EQ(OpenPort("COM199", 9600), cINVALID_PORT);
  const std::optional<TOpenFailure> rFailure = LastOpenFailure("COM199");
  ASSERT_TRUE(rFailure.has_value());
  EXPECT_EQ(rFailure->eFault, TOpenFault::NoDevice);
  EXPECT_EQ(rFailure->sCall, "CreateFileW");
  EXPECT_FALSE(rFailure->sErrorText.empty());
  EXPECT_EQ(PortHint("COM199", {"COM3"}), "There is no port COM199. Serial ports there now: COM3.");
}

} // namespace
