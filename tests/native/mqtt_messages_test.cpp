#include "publish/mqtt_messages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "publish/link_plan.h"
#include "publish/mqtt_topics.h"

namespace velmar {
namespace {

using Json = nlohmann::json;

const LocalDateTime kPollTime{2026, 12, 7, 18, 42, 57, 100};
constexpr int64_t kPollUnixMs = 1'796'665'377'100;  // the same instant at +01:00
const std::vector<std::string> kTitles{"TEC Sensor T", "Errors", "TEC Output"};

Json RowOf(const std::string& reply, const std::string& replyUtf8) {
  const LoggedRow row{12, 1100, kPollTime, reply};
  const std::string text = RowJson(row, {kPollUnixMs, 60}, replyUtf8, kTitles);
  // Throws, failing the test, on anything that is not JSON.
  return Json::parse(text);
}

TEST(MqttRowJsonTest, FieldsInOrderWithOnlyFiniteNumbersKeyedByTitle) {
  const std::string reply = "25.003, 0 ,on,inf,nan,-1e-3,";
  const std::string text = RowJson({12, 1100, kPollTime, reply}, {kPollUnixMs, 60}, reply, kTitles);
  EXPECT_EQ(text.rfind(R"({"ts":1796665377100,"point":12,"elapsed_ms":1100,"time":"2026-12-07T18:42:57.100+01:00",)", 0),
            0u)
      << text;
  const Json json = Json::parse(text);
  EXPECT_EQ(json["values"], Json::parse(R"({"TEC Sensor T":25.003,"Errors":0,"Column 6":-0.001})"));
  EXPECT_EQ(json["reply"], reply);
}

TEST(MqttRowJsonTest, AwkwardRepliesStayValidJsonAndReadBack) {
  const std::string controls{"a\0b\x01\x1f\x7f", 6};
  for (const std::string& reply : {std::string("say \"hi\""), std::string("C:\\temp\\x"), controls, std::string(),
                                   std::string("25 \xC2\xB0" "C"), std::string("\t\r\n")}) {
    const Json json = RowOf(reply, reply);
    EXPECT_EQ(json["reply"], reply);
  }
  EXPECT_TRUE(RowOf("", "")["values"].empty());
}

TEST(MqttRowJsonTest, AnyBytesGiveValidJson) {
  std::string every;
  for (int byte = 0; byte < 256; ++byte) every.push_back(static_cast<char>(byte));
  const Json json = RowOf(every, every);
  // Bytes that are no UTF-8 become U+FFFD; the rest come through.
  const std::string back = json["reply"];
  EXPECT_EQ(back.substr(0, 128), every.substr(0, 128));
  EXPECT_NE(back.find("\xEF\xBF\xBD"), std::string::npos);
}

TEST(MqttAlarmJsonTest, EventWithItsInstantAndAValueJsonCannotHoldAsNull) {
  AlarmMessage event{kPollTime, kPollUnixMs, 1234, "TEC Sensor T", 25.31, "above 25.1", "alarm"};
  EXPECT_EQ(Json::parse(AlarmJson(event)), Json::parse(R"({"ts":1796665377100,"time":"2026-12-07T18:42:57.100+01:00",
      "point":1234,"source":"TEC Sensor T","value":25.31,"limit":"above 25.1","event":"alarm"})"));
  event.value = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(Json::parse(AlarmJson(event))["value"].is_null());
}

TEST(MqttInstantTest, TheOffsetInForceAtThePollAlsoAcrossAChange) {
  // Read a second later, as a poll's exchange may take.
  EXPECT_EQ(InstantOf(kPollTime, kPollUnixMs + 999).unixMs, kPollUnixMs);
  EXPECT_EQ(InstantOf(kPollTime, kPollUnixMs + 999).offsetMinutes, 60);
  // 02:59:59.900 summer time (+02:00), the UTC clock read after the clocks went back.
  const LocalDateTime beforeChange{2026, 10, 25, 2, 59, 59, 900};
  const int64_t beforeUnixMs = ClockMilliseconds(beforeChange) - 2 * 3'600'000;
  const PollInstant instant = InstantOf(beforeChange, beforeUnixMs + 300);
  EXPECT_EQ(instant.offsetMinutes, 120);
  EXPECT_EQ(instant.unixMs, beforeUnixMs);
  EXPECT_EQ(LocalTimeText(beforeChange, instant.offsetMinutes), "2026-10-25T02:59:59.900+02:00");
  // Newfoundland and Nepal.
  EXPECT_EQ(InstantOf(kPollTime, ClockMilliseconds(kPollTime) + 210 * 60'000 + 400).offsetMinutes, -210);
  EXPECT_EQ(LocalTimeText(kPollTime, -210), "2026-12-07T18:42:57.100-03:30");
  EXPECT_EQ(InstantOf(kPollTime, ClockMilliseconds(kPollTime) - 345 * 60'000 + 400).offsetMinutes, 345);
}

TEST(MqttTopicsTest, DefaultPrefixFromComputerAndPortAndTheProcesssClientId) {
  EXPECT_EQ(TopicPrefixFor(L"", L"LAB-PC7", L"COM12"), L"velmar/LAB-PC7/COM12");
  EXPECT_EQ(TopicPrefixFor(L"", L"A+B#C/D", L"COM3"), L"velmar/A_B_C_D/COM3");
  EXPECT_EQ(TopicPrefixFor(L"", L"LAB-PC7", L"10.0.0.5:5025"), L"velmar/LAB-PC7/10.0.0.5:5025");
  EXPECT_EQ(TopicPrefixFor(L"lab/tec", L"LAB-PC7", L"COM12"), L"lab/tec");
  EXPECT_EQ(ClientIdFor(L"LAB-PC7", 4242), L"velmar-LAB-PC7-4242");
}

TEST(MqttTopicsTest, APrefixIsCheckedByTheLibrarysRulesEachKindRefused) {
  EXPECT_EQ(TopicPrefixProblem(L"lab/bench 2/\u00fc/\u20ac/\U0001F321"), L"");
  const std::wstring wildcard = L"A topic prefix may not hold + or #.";
  EXPECT_EQ(TopicPrefixProblem(L"lab/+/x"), wildcard);
  EXPECT_EQ(TopicPrefixProblem(L"lab/#"), wildcard);
  EXPECT_EQ(TopicPrefixProblem(L"$SYS/lab"), L"A topic prefix may not start with $.");
  EXPECT_EQ(TopicPrefixProblem(L"lab/$x"), L"");
  const std::wstring control = L"A topic prefix may not hold control characters, such as a TAB.";
  for (const wchar_t c : {L'\t', L'\r', L'\x1f', L'\x7f', L'\x85'}) {
    EXPECT_EQ(TopicPrefixProblem(std::wstring(L"lab") + c + L"x"), control) << int(c);
  }
  const std::wstring text = L"A topic prefix must be valid Unicode text.";
  EXPECT_EQ(TopicPrefixProblem(std::wstring(L"lab") + wchar_t(0xD800) + L"x"), text);
  EXPECT_EQ(TopicPrefixProblem(std::wstring(L"lab") + wchar_t(0xFFFE)), text);
  // Three bytes each in UTF-8; the longest topic adds "/status", and a topic holds 65535 bytes.
  EXPECT_EQ(TopicPrefixProblem(std::wstring(21842, L'\u20ac') + L"ab"), L"");
  EXPECT_EQ(TopicPrefixProblem(std::wstring(21842, L'\u20ac') + L"abc"),
            L"A topic prefix may be at most 65528 bytes long in UTF-8.");
}

TEST(MqttLinkPlanTest, BackOffDoublesToItsCapAndStartsOverOnceAccepted) {
  LinkPlan plan({1000, 8000, 10000});
  std::vector<uint64_t> attempts;
  uint64_t now = 0;
  for (int i = 0; i < 6; ++i) {
    while (plan.Next(now) != LinkPlan::Step::Connect) ++now;
    attempts.push_back(now);
    plan.Attempted(now);
    plan.Failed(now);
    plan.Failed(now);  // the refusal and the close of one attempt count once
  }
  EXPECT_EQ(attempts, (std::vector<uint64_t>{0, 1000, 3000, 7000, 15000, 23000}));
  plan.Attempted(now);
  plan.Accepted();
  EXPECT_TRUE(plan.Connected());
  plan.Failed(now);
  EXPECT_EQ(plan.IdleMs(now), 1000u);
}

TEST(MqttLinkPlanTest, AnAttemptNotAcceptedInTimeIsGivenUp) {
  LinkPlan plan({1000, 30000, 10000});
  plan.Attempted(500);
  EXPECT_EQ(plan.Next(10499), LinkPlan::Step::Wait);
  EXPECT_EQ(plan.IdleMs(10000), 500u);
  EXPECT_EQ(plan.Next(10500), LinkPlan::Step::GiveUp);
  plan.Failed(10500);
  EXPECT_TRUE(plan.Down());
  EXPECT_EQ(plan.Next(11500), LinkPlan::Step::Connect);
}

}  // namespace
}  // namespace velmar
