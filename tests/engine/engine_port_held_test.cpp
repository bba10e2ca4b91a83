// A port that another program holds open with a plain open(): the run ends with failure 10
// before a byte is sent, and that program's line setting stays exactly as it was.
#include "uEngineRun.h"
#include "uHolderProcess.h"
#include "uSimLogger.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(EnginePortHeld, RunEndsWith10AndTheHoldersSettingIsUntouched) {
  ResetEngineState();
  TSimLogger rSim;
  // This process's own look at the line; its descriptors never count as another holder.
  const int fdLook = open(rSim.Port().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fdLook, 0);
  termios tioOther{};
  ASSERT_EQ(tcgetattr(fdLook, &tioOther), 0);
  cfsetispeed(&tioOther, B4800);
  cfsetospeed(&tioOther, B4800);
  tioOther.c_cflag |= PARENB;
  tioOther.c_lflag |= ECHO | ICANON;
  THolderProcess other(THoldSpec{{}, rSim.Port(), tioOther});
  termios tioBefore{};
  ASSERT_EQ(tcgetattr(fdLook, &tioBefore), 0);

  const TRunLog rLog = RunEngine(rSim.Port());

  EXPECT_EQ(rLog.Final().FnCode, cMSG_FAILURE);
  EXPECT_EQ(rLog.Final().FnValue, 10U);
  termios tioAfter{};
  ASSERT_EQ(tcgetattr(fdLook, &tioAfter), 0);
  EXPECT_EQ(std::memcmp(&tioBefore, &tioAfter, sizeof tioAfter), 0) << "changed the holder's line";
  close(fdLook);
  rSim.Stop();
  const std::string sTrace = ReadText(rSim.TracePath());
  EXPECT_EQ(sTrace.find(" in  "), std::string::npos) << "the logger got bytes:\n" << sTrace;
}
