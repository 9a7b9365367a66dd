#include <gtest/gtest.h>

#include <algorithm>

#include "res/resource.h"
#include "tests/e2e/logger_fixture_win.h"
#include "tests/e2e/preset_lines.h"

namespace velmar::test {
namespace {

class SimulatedRunTest : public LoggerTest {
 protected:
  void SetUp() override {
    LoggerTest::SetUp();
    ASSERT_TRUE(sim_.Start(kSimPort));
    ASSERT_TRUE(Launch());
  }
  bool CommandIs(const std::wstring& command) {
    return driver::WaitFor([&] { return Dialog().Text(IDC_COMMAND) == command; }, Millis(5000));
  }
  std::string TitlesOf(const std::wstring& log) {
    const auto lines = ReadLines(log);
    return lines.size() >= 3 ? lines[2] : "<short>";
  }
};

using PresetTest = SimulatedRunTest;

TEST_F(PresetTest, AnEmptyCommandIsFilledWithoutAsking) {
  Dialog().Click(IDC_LASER_COMMANDS);
  ASSERT_TRUE(CommandIs(kLaser));
  EXPECT_EQ(Dialog().FindOtherDialog(), nullptr);
  const std::wstring log = LogPath(L"laser.csv");
  Configure(log, kLaser);
  Dialog().Click(IDC_LASER_COMMANDS);
  ExpectMessage(L"Replace existing commands?", IDYES);
  ASSERT_TRUE(StartRun());
  ASSERT_TRUE(StopRun());
  EXPECT_EQ(TitlesOf(log), std::string("Point,Time(ms),") + kLaserTitles);
}

TEST_F(PresetTest, AnsweringNoKeepsTheCommandButStillTakesTheTitles) {
  const std::wstring log = LogPath(L"no.csv");
  Configure(log, L"");
  Dialog().Click(IDC_LASER_COMMANDS);
  ASSERT_TRUE(CommandIs(kLaser));
  Dialog().Click(IDC_TEC_COMMANDS);
  HWND box = Dialog().WaitOtherDialog(Millis(5000));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(driver::DialogDriver::MessageText(box), L"Replace existing commands?");
  EXPECT_NE(GetDlgItem(box, IDNO), nullptr);
  driver::DialogDriver::Answer(box, IDNO);
  ASSERT_TRUE(driver::WaitFor([&] { return !IsWindow(box); }, Millis(5000)));
  EXPECT_EQ(Dialog().Text(IDC_COMMAND), kLaser);
  ASSERT_TRUE(StartRun());
  ASSERT_TRUE(StopRun());
  EXPECT_EQ(TitlesOf(log), std::string("Point,Time(ms),") + kTecTitles);
}

TEST_F(PresetTest, TypingIntoTheCommandResetsTheTitles) {
  const std::wstring log = LogPath(L"typed.csv");
  Configure(log, L"");
  Dialog().Click(IDC_TEC_COMMANDS);
  ASSERT_TRUE(CommandIs(kTec));
  Dialog().SetText(IDC_COMMAND, L"tec:t?");
  ASSERT_TRUE(StartRun());
  ASSERT_TRUE(StopRun());
  EXPECT_EQ(TitlesOf(log), "Point,Time(ms),Response(s)");
}

TEST_F(PresetTest, APresetDuringARunChangesTheQueryFromTheNextPollOnly) {
  const std::wstring log = LogPath(L"switch.csv");
  Configure(log, L"");
  Dialog().Click(IDC_LASER_COMMANDS);
  ASSERT_TRUE(CommandIs(kLaser));
  ASSERT_TRUE(StartRun());
  ASSERT_TRUE(WaitDataRows(log, 2));
  EXPECT_TRUE(Dialog().Enabled(IDC_COMBO_COMMANDS));
  Dialog().Click(IDC_COMBO_COMMANDS);
  ExpectMessage(L"Replace existing commands?", IDYES);
  ASSERT_TRUE(CommandIs(kCombo));
  const size_t before = CountDataRows(log);
  ASSERT_TRUE(WaitDataRows(log, before + 3));
  ASSERT_TRUE(StopRun());

  const auto lines = ReadLines(log);
  EXPECT_EQ(lines[1], "Query used,\"" + Narrow(kLaser) + "\"");
  EXPECT_EQ(lines[2], std::string("Point,Time(ms),") + kLaserTitles);
  const auto rows = DataRowsOf(lines);
  EXPECT_EQ(std::count(rows.front().reply.begin(), rows.front().reply.end(), ','), 6);
  EXPECT_EQ(std::count(rows.back().reply.begin(), rows.back().reply.end(), ','), 13);
  const std::string wire = sim_.Received();
  EXPECT_EQ(wire.find(Narrow(kLaser) + "\n"), 0u);
  EXPECT_NE(wire.find(Narrow(kCombo) + "\n"), std::string::npos);
}

using ReconnectTest = SimulatedRunTest;

TEST_F(ReconnectTest, AnUnpluggedInstrumentIsLoggedAsAwayAndTheRunResumesWhenItIsBack) {
  const std::wstring log = LogPath(L"unplug.csv");
  Configure(log, L"err?");
  ASSERT_TRUE(StartRun());
  ASSERT_TRUE(WaitDataRows(log, 3));
  ASSERT_TRUE(sim_.Ok("unplug"));
  ASSERT_TRUE(WaitStatus(L"ms: COM12 lost, reconnecting..."));
  const size_t atLoss = CountDataRows(log);
  ASSERT_TRUE(WaitDataRows(log, atLoss + 3));
  EXPECT_TRUE(Responsive());
  EXPECT_TRUE(Dialog().Enabled(IDC_STOP));
  ASSERT_TRUE(sim_.Ok("replug"));
  ASSERT_TRUE(driver::WaitFor(
      [&] {
        const auto rows = DataRowsOf(ReadLines(log));
        return rows.size() > atLoss + 3 && rows.back().reply == "0";
      },
      Millis(10000)));
  ASSERT_TRUE(StopRun());

  const auto lines = ReadLines(log);
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("Test started", 0) == 0; }),
            1);
  const auto rows = DataRowsOf(lines);
  int away = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].point, static_cast<int>(i + 1));
    if (rows[i].reply.empty()) ++away;
    if (i > 0) {
      EXPECT_LT(rows[i].elapsed - rows[i - 1].elapsed, 1300) << "a poll blocked at row " << i + 1;
    }
  }
  EXPECT_GE(away, 2);
  EXPECT_EQ(rows.front().reply, "0");
  EXPECT_EQ(rows.back().reply, "0");
}

TEST_F(ReconnectTest, StopDuringTheOutageThenStartAfterReplugWorks) {
  const std::wstring log = LogPath(L"outage.csv");
  Configure(log, L"err?");
  ASSERT_TRUE(StartRun());
  ASSERT_TRUE(WaitDataRows(log, 2));
  ASSERT_TRUE(sim_.Ok("unplug"));
  ASSERT_TRUE(WaitStatus(L"lost, reconnecting..."));
  ASSERT_TRUE(StopRun());
  EXPECT_TRUE(Dialog().Enabled(IDC_PORT));
  ASSERT_TRUE(sim_.Ok("replug"));
  ASSERT_TRUE(StartRun());
  ASSERT_TRUE(WaitStatus(L"ms: 0"));
  ASSERT_TRUE(StopRun());
  const auto rows = DataRowsOf(ReadLines(log));
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows.front().point, 1);
  EXPECT_EQ(rows.back().reply, "0");
}

}  // namespace
}  // namespace velmar::test
