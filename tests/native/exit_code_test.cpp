#include "alarm/exit_code.h"

#include <gtest/gtest.h>

namespace velmar {
namespace {

TEST(ExitCodeTest, TheFirstThatAppliesOnlyWithClose) {
  ExitFacts facts{.closeWhenDone = true};
  EXPECT_EQ(ChooseExitCode(facts), ExitCode::Clean);
  facts.alarmRaised = true;
  EXPECT_EQ(ChooseExitCode(facts), ExitCode::AlarmRaised);
  facts.rowsNotInLog = true;
  EXPECT_EQ(ChooseExitCode(facts), ExitCode::RowsNotInLog);
  facts.waitRanOut = true;
  EXPECT_EQ(ChooseExitCode(facts), ExitCode::PortNeverCame);
  facts.startFailed = true;
  EXPECT_EQ(ChooseExitCode(facts), ExitCode::Failed);
  EXPECT_EQ(ChooseExitCode({.closeWhenDone = true, .badSwitches = true}), ExitCode::Failed);
  facts.closeWhenDone = false;
  EXPECT_EQ(ChooseExitCode(facts), ExitCode::Clean);
  EXPECT_EQ(static_cast<int>(ExitCode::PortNeverCame), 4);
  EXPECT_EQ(static_cast<int>(ExitCode::AlarmRaised), 3);
  EXPECT_EQ(static_cast<int>(ExitCode::RowsNotInLog), 2);
}

}  // namespace
}  // namespace velmar
