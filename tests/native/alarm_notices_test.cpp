#include "alarm/notifications.h"

#include <gtest/gtest.h>

#include <string>

namespace velmar {
namespace {

AlarmEvent Event(AlarmChange change, std::wstring source, std::wstring value = L"", std::wstring limit = L"") {
  return {change, 1234, {2026, 12, 7, 14, 3, 12, 100}, std::move(source), std::move(value), std::move(limit)};
}

TEST(AlarmNoticesTest, BalloonTextShowsTheLimitWithTheValuesDecimals) {
  EXPECT_EQ(AlarmBalloonText(Event(AlarmChange::Raised, L"TEC Sensor T", L"25.31", L"above 25.1")),
            L"TEC Sensor T 25.31 above 25.10 since 14:03:12");
  EXPECT_EQ(AlarmBalloonText(Event(AlarmChange::Raised, L"V", L"-5.5", L"below -5")), L"V -5.5 below -5.0 since 14:03:12");
  EXPECT_EQ(AlarmBalloonText(Event(AlarmChange::Raised, L"V", L"7", L"above 6.25")), L"V 7 above 6.25 since 14:03:12");
  EXPECT_EQ(AlarmBalloonText(Event(AlarmChange::Raised, L"V", L"nan", L"outside 1..2")),
            L"V nan outside 1..2 since 14:03:12");
  EXPECT_EQ(AlarmBalloonText(Event(AlarmChange::Raised, L"port lost")), L"port lost since 14:03:12");
}

TEST(AlarmNoticesTest, TheIconFollowsTheRunAndItsAlarms) {
  AlarmNotices notices;
  EXPECT_EQ(notices.SetActivity(RunActivity::WaitingForPort).icon, (TrayIcon{TrayState::Waiting, L"Waiting for the port"}));
  EXPECT_EQ(notices.SetActivity(RunActivity::Running).icon, (TrayIcon{TrayState::Running, L"Logging"}));
  EXPECT_FALSE(notices.OnEvents({}, false).icon);
  NoticeSteps steps = notices.OnEvents({Event(AlarmChange::Raised, L"T"), Event(AlarmChange::Raised, L"port lost")}, true);
  EXPECT_EQ(steps.icon, (TrayIcon{TrayState::Alarm, L"Alarm: T, port lost"}));
  EXPECT_EQ(steps.balloon, (Balloon{L"2 alarms", L"T since 14:03:12\nport lost since 14:03:12"}));
  EXPECT_EQ(notices.OnEvents({Event(AlarmChange::Cleared, L"port lost")}, true).icon,
            (TrayIcon{TrayState::Alarm, L"Alarm: T"}));
  // The shell started again: the icon is added afresh as it was.
  steps = notices.TaskbarCreated();
  EXPECT_TRUE(steps.iconLost);
  EXPECT_EQ(steps.icon, (TrayIcon{TrayState::Alarm, L"Alarm: T"}));
  // An ended run takes its alarms and its icon with it; the next starts clean.
  EXPECT_EQ(notices.SetActivity(RunActivity::Idle).icon, TrayIcon{});
  EXPECT_FALSE(notices.TaskbarCreated().icon);
  EXPECT_EQ(notices.SetActivity(RunActivity::Running).icon, (TrayIcon{TrayState::Running, L"Logging"}));
}

TEST(AlarmNoticesTest, TheButtonFlashesWhileAnAlarmIsActiveUntilTheWindowIsActivated) {
  AlarmNotices notices;
  notices.SetActivity(RunActivity::Running);
  // Someone is looking: no flashing.
  EXPECT_EQ(notices.OnEvents({Event(AlarmChange::Raised, L"A")}, true).flash, Flash::Keep);
  NoticeSteps steps = notices.OnEvents({Event(AlarmChange::Raised, L"B")}, false);
  EXPECT_EQ(steps.flash, Flash::Start);
  EXPECT_FALSE(steps.sound);
  EXPECT_EQ(notices.OnEvents({Event(AlarmChange::Raised, L"C")}, false).flash, Flash::Keep);
  EXPECT_EQ(notices.WindowActivated().flash, Flash::Stop);
  EXPECT_EQ(notices.WindowActivated().flash, Flash::Keep);
  notices.SetSound(true);
  steps = notices.OnEvents({Event(AlarmChange::Raised, L"D")}, false);
  EXPECT_EQ(steps.flash, Flash::Start);
  EXPECT_TRUE(steps.sound);
  EXPECT_FALSE(notices.OnEvents({Event(AlarmChange::Cleared, L"D")}, false).sound);
  // Every alarm cleared: the flashing stops by itself.
  EXPECT_EQ(notices.OnEvents({Event(AlarmChange::Cleared, L"A"), Event(AlarmChange::Cleared, L"B"),
                              Event(AlarmChange::Cleared, L"C")},
                             false)
                .flash,
            Flash::Stop);
  EXPECT_EQ(notices.OnEvents({Event(AlarmChange::Raised, L"A")}, false).flash, Flash::Start);
  EXPECT_EQ(notices.SetActivity(RunActivity::Idle).flash, Flash::Stop);
}

}  // namespace
}  // namespace velmar
