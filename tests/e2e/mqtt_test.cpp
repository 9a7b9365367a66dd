#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/e2e/logger_fixture_win.h"
#include "tests/support/mqtt_broker_win.h"
#include "tests/support/mqtt_subscriber_win.h"

namespace velmar::test {
namespace {

constexpr char kCommand[] = "tec:t?;err?";

class MqttTest : public LoggerTest {
 protected:
  void SetUp() override {
    LoggerTest::SetUp();
    ASSERT_TRUE(sim_.Start(kSimPort));
    prefix_ = std::string("e2e/") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
  }

  std::wstring RunSwitches(const std::wstring& log, int brokerPort) const {
    return L"/port COM12 /baud 115200 /interval 100 /command " + std::wstring(kCommand, kCommand + 11) + L" /header \"TEC Sensor T,Errors\" /log \"" + log + L"\" /start /mqtt 127.0.0.1:" + std::to_wstring(brokerPort) + L" /topic " +
           std::wstring(prefix_.begin(), prefix_.end());
  }

  std::string Topic(const char* leaf) const { return prefix_ + "/" + leaf; }

  Broker broker_;
  std::string prefix_;
};

std::vector<int> PointsOf(const std::vector<Row>& rows) {
  std::vector<int> points;
  for (const Row& row : rows) points.push_back(row.point);
  return points;
}

// The longest and the mean gap between successive rows, in ms.
std::pair<int, double> Gaps(const std::vector<Row>& rows) {
  int longest = 0;
  for (size_t i = 1; i < rows.size(); ++i) longest = std::max(longest, rows[i].elapsed - rows[i - 1].elapsed);
  return {longest, rows.size() < 2 ? 0.0 : double(rows.back().elapsed - rows.front().elapsed) / (rows.size() - 1)};
}

TEST_F(MqttTest, ATimedRunPublishesExactlyTheRowsOfItsLogInOrderThenStoppedAndOffline) {
  ASSERT_TRUE(broker_.Start());
  Subscriber subscriber(broker_.Port(), prefix_ + "/#");
  ASSERT_TRUE(subscriber.WaitSubscribed(Millis(10000)));
  const std::wstring log = LogPath(L"timed.csv");
  // No error is ever below -1: the alarm is raised at the first poll.
  ASSERT_TRUE(Launch(RunSwitches(log, broker_.Port()) + L" /limit \"Errors=..-1\" /duration 3 /close"));
  ASSERT_TRUE(logger_.WaitExit(Millis(20000)));

  const std::vector<Row> rows = DataRowsOf(ReadLines(log));
  ASSERT_GE(rows.size(), 25u);
  // The program waited for the broker's last acknowledgements before it ended; the broker
  // passes them on in its own time.
  subscriber.WaitMessages([&](const auto&) { return subscriber.Payloads(Topic("row")).size() >= rows.size(); },
                          Millis(10000));
  const std::vector<std::string> published = subscriber.Payloads(Topic("row"));
  std::vector<int> points;
  for (const std::string& payload : published) points.push_back(PointOf(payload));
  EXPECT_EQ(points, PointsOf(rows));
  for (size_t i = 0; i < std::min(rows.size(), published.size()); ++i) {
    EXPECT_NE(published[i].find("\"elapsed_ms\":" + std::to_string(rows[i].elapsed) + ","), std::string::npos)
        << published[i];
  }
  EXPECT_NE(published.front().find("\"values\":{\"TEC Sensor T\":"), std::string::npos) << published.front();
  EXPECT_TRUE(subscriber.WaitMessages(
      [&](const auto&) { return subscriber.Payloads(Topic("status")).size() >= 3; }, Millis(5000)));
  EXPECT_EQ(subscriber.Payloads(Topic("status")), (std::vector<std::string>{"running", "stopped", "offline"}));
  const std::vector<std::string> alarms = subscriber.Payloads(Topic("alarm"));
  ASSERT_EQ(alarms.size(), 1u);
  EXPECT_NE(alarms[0].find("\"point\":1,"), std::string::npos) << alarms[0];
  EXPECT_NE(alarms[0].find("\"source\":\"Errors\""), std::string::npos) << alarms[0];
  EXPECT_NE(alarms[0].find("\"value\":0"), std::string::npos) << alarms[0];
  EXPECT_NE(alarms[0].find("\"limit\":\"above -1\""), std::string::npos) << alarms[0];
  EXPECT_NE(alarms[0].find("\"event\":\"alarm\""), std::string::npos) << alarms[0];
}

TEST_F(MqttTest, ABrokerRestartedMidRunLosesNoRowAndLeavesThePollsAlone) {
  // The same run without a broker first: the times to compare with.
  ASSERT_TRUE(Launch(L"/mqtt off"));
  Configure(LogPath(L"without.csv"), std::wstring(kCommand, kCommand + 11));
  ASSERT_TRUE(RunForRows(LogPath(L"without.csv"), 40));
  ASSERT_TRUE(CloseLogger());
  const auto [longestWithout, meanWithout] = Gaps(DataRowsOf(ReadLines(LogPath(L"without.csv"))));

  ASSERT_TRUE(broker_.Start());
  Subscriber subscriber(broker_.Port(), Topic("row"), "velmar-e2e-persistent-" + std::to_string(GetTickCount64()));
  ASSERT_TRUE(subscriber.WaitSubscribed(Millis(10000)));
  const std::wstring log = LogPath(L"restart.csv");
  ASSERT_TRUE(Launch(RunSwitches(log, broker_.Port())));
  ASSERT_TRUE(WaitDataRows(log, 10));
  ASSERT_TRUE(broker_.Stop());
  WaitMorePolls(15);
  ASSERT_TRUE(broker_.Start());
  WaitMorePolls(15);
  ASSERT_TRUE(StopRun());

  const std::vector<Row> rows = DataRowsOf(ReadLines(log));
  ASSERT_TRUE(subscriber.WaitMessages(
      [&](const std::vector<ReceivedMessage>& messages) {
        std::map<int, int> seen;
        for (const ReceivedMessage& message : messages) seen[PointOf(message.payload)];
        return seen.size() >= rows.size();
      },
      Millis(60000)));
  // In the order of their first delivery; a repeat only on a later connection than its first.
  std::map<int, int> firstConnection;
  std::vector<int> firsts;
  for (const ReceivedMessage& message : subscriber.Messages()) {
    const int point = PointOf(message.payload);
    const auto [first, isNew] = firstConnection.emplace(point, message.connection);
    if (isNew) {
      firsts.push_back(point);
    } else {
      EXPECT_GT(message.connection, first->second) << "point " << point << " repeated on the same connection";
    }
  }
  EXPECT_EQ(firsts, PointsOf(rows));

  const auto [longest, mean] = Gaps(rows);
  EXPECT_LE(longest, longestWithout + 100);
  EXPECT_NEAR(mean, meanWithout, meanWithout * 0.05);
}

TEST_F(MqttTest, ABrokerUnreachableAtStartLeavesTheRunAlone) {
  const std::wstring log = LogPath(L"unreachable.csv");
  ASSERT_TRUE(Launch(RunSwitches(log, FreeLoopbackPort())));
  ASSERT_TRUE(WaitDataRows(log, 10));
  EXPECT_EQ(Dialog().FindOtherDialog(), nullptr);
  EXPECT_TRUE(Responsive());
  EXPECT_TRUE(WaitStatus(L"ms: "));
  ASSERT_TRUE(StopRun());
  EXPECT_TRUE(CloseLogger());
}

TEST_F(MqttTest, TheStatusFollowsTheRunAndTheWillSaysOfflineWhenTheProcessIsKilled) {
  ASSERT_TRUE(broker_.Start());
  Subscriber subscriber(broker_.Port(), Topic("status"));
  ASSERT_TRUE(subscriber.WaitSubscribed(Millis(10000)));
  const auto statusIs = [&](const char* word) {
    return subscriber.WaitMessages(
        [&](const auto&) {
          const std::vector<std::string> status = subscriber.Payloads(Topic("status"));
          return !status.empty() && status.back() == word;
        },
        Millis(10000));
  };
  ASSERT_TRUE(Launch(RunSwitches(LogPath(L"status.csv"), broker_.Port())));
  EXPECT_TRUE(statusIs("running"));
  ASSERT_TRUE(StopRun());
  EXPECT_TRUE(statusIs("stopped"));
  ASSERT_TRUE(StartRun());
  EXPECT_TRUE(statusIs("running"));

  HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, logger_.ProcessId());
  ASSERT_NE(process, nullptr);
  TerminateProcess(process, 1);
  CloseHandle(process);
  ASSERT_TRUE(logger_.WaitExit(Millis(10000)));
  EXPECT_TRUE(statusIs("offline"));
  EXPECT_EQ(subscriber.Payloads(Topic("status")),
            (std::vector<std::string>{"running", "stopped", "running", "offline"}));
}

TEST_F(MqttTest, AWrongPasswordGivesOneMessageAndTheRunGoesOn) {
  ASSERT_TRUE(broker_.RequirePassword("lab", "right"));
  ASSERT_TRUE(broker_.Start());
  SetEnvironmentVariableW(L"VELMAR_MQTT_PASSWORD", L"wrong");
  const std::wstring log = LogPath(L"refused.csv");
  const bool launched = Launch(RunSwitches(log, broker_.Port()) + L" /mqtt-user lab");
  SetEnvironmentVariableW(L"VELMAR_MQTT_PASSWORD", nullptr);
  ASSERT_TRUE(launched);
  ExpectMessage(L"The MQTT broker refused the user name or password. The run goes on; its rows are published "
                L"once the broker accepts them.");
  // The publisher keeps trying (after 1, 2 and 4 s): no second box.
  const size_t rows = CountDataRows(log);
  ASSERT_TRUE(WaitDataRows(log, rows + 60, Millis(30000)));
  EXPECT_EQ(Dialog().FindOtherDialog(), nullptr);
  EXPECT_TRUE(Dialog().Enabled(IDC_STOP));
  // And one line in the events file beside the log.
  const std::string events = ReadFileBytes(LogPath(L"refused.events.csv"));
  const size_t first = events.find("refused the user name or password");
  EXPECT_NE(first, std::string::npos) << events;
  EXPECT_EQ(events.find("refused the user name or password", first + 1), std::string::npos) << events;
}

TEST_F(MqttTest, LogOptionsKeepTheBrokerWithThePasswordOnlyEncrypted) {
  ASSERT_TRUE(Launch());
  constexpr WPARAM kLogOptionsCommand = 0x0030;
  Dialog().SendSysCommand(kLogOptionsCommand);
  const driver::DialogDriver options(Dialog().WaitOtherDialog(Millis(10000)), logger_.ProcessId());
  ASSERT_NE(options.Dialog(), nullptr);
  options.SetText(IDC_BROKER_HOST, L"lab-pi");
  options.SetText(IDC_BROKER_PORT, L"1884");
  options.SetText(IDC_TOPIC_PREFIX, L"lab/#");
  options.SetText(IDC_BROKER_USER, L"anna");
  options.SetText(IDC_BROKER_PASSWORD, L"s3cret");
  options.Click(IDOK);
  HWND box = nullptr;
  ASSERT_TRUE(driver::WaitFor(
      [&] {
        const std::vector<HWND> boxes = driver::FindProcessWindows(logger_.ProcessId(), L"VelmarDataLogger");
        return (box = boxes.empty() ? nullptr : boxes.front()) != nullptr;
      },
      Millis(10000)));
  EXPECT_EQ(driver::DialogDriver::MessageText(box), L"A topic prefix may not hold + or #.");
  driver::DialogDriver::Answer(box, IDOK);
  ASSERT_TRUE(driver::WaitFor([&] { return !IsWindow(box); }, Millis(5000)));
  options.SetText(IDC_TOPIC_PREFIX, L"lab/oven");
  options.Click(IDOK);
  ASSERT_TRUE(driver::WaitFor([&] { return !IsWindow(options.Dialog()); }, Millis(5000)));

  const std::wstring key = std::wstring(kSettingsKey) + L"\\Options";
  const auto storedText = [&](const wchar_t* name) {
    wchar_t text[64] = {};
    DWORD textSize = sizeof(text);
    RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &textSize);
    return std::wstring(text);
  };
  EXPECT_EQ(storedText(L"BrokerHost"), L"lab-pi");
  EXPECT_EQ(storedText(L"TopicPrefix"), L"lab/oven");
  EXPECT_EQ(storedText(L"BrokerUser"), L"anna");
  DWORD port = 0;
  DWORD size = sizeof(port);
  RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"BrokerPort", RRF_RT_REG_DWORD, nullptr, &port, &size);
  EXPECT_EQ(port, 1884u);
  std::string sealed(512, '\0');
  size = static_cast<DWORD>(sealed.size());
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"BrokerPassword", RRF_RT_REG_BINARY, nullptr, sealed.data(),
                         &size),
            0);
  sealed.resize(size);
  EXPECT_GT(size, 0u);
  const std::wstring plain = L"s3cret";
  EXPECT_EQ(sealed.find(std::string(reinterpret_cast<const char*>(plain.data()), plain.size() * sizeof(wchar_t))),
            std::string::npos);
  EXPECT_EQ(sealed.find("s3cret"), std::string::npos);
}

// Each kind the MQTT library refuses, and $, is a switch error: under /close, exit code 1.
TEST_F(MqttTest, APrefixOfEveryRefusedKindIsASwitchErrorEndingWithOne) {
  // The last is 65529 bytes in UTF-8: with "/status" past the 65535 a topic may hold.
  const std::vector<std::wstring> refused{L"lab/+/x", L"lab/#", L"$SYS/lab", L"lab\tbench",
                                          std::wstring(L"lab") + wchar_t(0xD800), std::wstring(21843, L'\u20ac')};
  for (size_t kind = 0; kind < refused.size(); ++kind) {
    driver::LoggerProcess run;
    ASSERT_TRUE(run.Spawn(LoggerExePath(), L"/mqtt 127.0.0.1 /topic \"" + refused[kind] + L"\" /close"));
    ASSERT_TRUE(run.WaitExit(Millis(15000))) << "kind " << kind;
    EXPECT_EQ(run.ExitCode(), 1u) << "kind " << kind;
  }
}

// A prefix stored by hand, or by a version that checked less, reaches the library.
TEST_F(MqttTest, AStoredPrefixTheLibraryRefusesIsToldOnceAndCountedAndTheRunGoesOn) {
  ASSERT_TRUE(broker_.Start());
  const std::wstring stored = L"lab\tbench";
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, (std::wstring(kSettingsKey) + L"\\Options").c_str(), L"TopicPrefix",
                            REG_SZ, stored.c_str(), static_cast<DWORD>((stored.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  const std::wstring log = LogPath(L"refused.csv");
  ASSERT_TRUE(Launch(L"/port COM12 /baud 115200 /interval 100 /command t? /header T /log \"" + log +
                     L"\" /start /mqtt 127.0.0.1:" + std::to_wstring(broker_.Port()) + L" /duration 3 /close"));
  ASSERT_TRUE(logger_.WaitExit(Millis(20000)));
  EXPECT_EQ(logger_.ExitCode(), 0u);

  const std::string events = ReadFileBytes(LogPath(L"refused.events.csv"));
  const auto count = [&](const std::string& text) {
    size_t found = 0;
    for (size_t at = events.find(text); at != std::string::npos; at = events.find(text, at + 1)) ++found;
    return found;
  };
  EXPECT_EQ(count("The MQTT library refused the last will on \"\"lab\tbench/status\"\" (Malformed UTF-8): a crash "
                  "will not show as offline."), 1u) << events;
  EXPECT_EQ(count("The MQTT library refused to publish on \"\"lab\tbench/status\"\" (Malformed UTF-8)"), 1u) << events;
  std::smatch end;
  const std::regex endLine("run,([0-9]+) messages not published: the MQTT library refused them,,end by /duration");
  ASSERT_TRUE(std::regex_search(events, end, endLine)) << events;
  EXPECT_GE(std::stoul(end[1]), 15u);
}

}  // namespace
}  // namespace velmar::test
