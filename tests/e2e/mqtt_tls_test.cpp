#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/e2e/logger_fixture_win.h"
#include "tests/support/mqtt_broker_win.h"
#include "tests/support/mqtt_subscriber_win.h"
#include "tests/support/test_certificates_win.h"
#include "tests/support/trusted_root_win.h"

namespace velmar::test {
namespace {

constexpr wchar_t kRunSwitches[] =
    L"/port COM12 /baud 115200 /interval 100 /command tec:t?;err? /header \"TEC Sensor T,Errors\" /start";
constexpr wchar_t kRefusedAfter[] =
    L". Nothing is sent to the broker until this is mended; the run goes on, and the logger keeps trying.";

class MqttTlsTest : public LoggerTest {
 protected:
  void SetUp() override {
    LoggerTest::SetUp();
    ASSERT_TRUE(sim_.Start(kSimPort));
    ASSERT_TRUE(certificates_.Made());
    prefix_ = std::string("e2e/") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
  }

  bool StartTlsBroker(Broker& broker, const char* chain, const char* key, bool requireCertificate = false) const {
    broker.UseTls(certificates_.UnixPath("ca.pem"), certificates_.UnixPath(chain), certificates_.UnixPath(key),
                  requireCertificate);
    return broker.Start();
  }

  // A run logging to `log` and publishing to 127.0.0.1 over TLS; `more` adds switches.
  std::wstring TlsRun(const std::wstring& log, int port, const std::wstring& more) const {
    return std::wstring(kRunSwitches) + L" /log \"" + log + L"\" /mqtt mqtts://127.0.0.1:" + std::to_wstring(port) +
           L" /topic " + std::wstring(prefix_.begin(), prefix_.end()) + more;
  }
  std::wstring File(const wchar_t* switchName, const char* name) const {
    return L" " + std::wstring(switchName) + L" \"" + certificates_.WindowsPath(name) + L"\"";
  }
  std::string Topic(const char* leaf) const { return prefix_ + "/" + leaf; }

  // A /close run of two seconds, to its end; its rows, each logged once and in order.
  std::vector<Row> ClosedRun(const std::wstring& log, const std::wstring& arguments) {
    EXPECT_TRUE(logger_.Spawn(LoggerExePath(), arguments + L" /duration 2 /close"));
    EXPECT_TRUE(logger_.WaitExit(Millis(30000)));
    EXPECT_EQ(logger_.ExitCode(), 0u);
    const std::vector<Row> rows = DataRowsOf(ReadLines(log));
    EXPECT_GE(rows.size(), 15u);
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].point, static_cast<int>(i + 1));
    return rows;
  }
  bool AllPublished(const Subscriber& subscriber, const std::vector<Row>& rows) const {
    subscriber.WaitMessages([&](const auto&) { return subscriber.Payloads(Topic("row")).size() >= rows.size(); },
                            Millis(10000));
    std::vector<int> points;
    for (const std::string& payload : subscriber.Payloads(Topic("row"))) points.push_back(PointOf(payload));
    std::vector<int> logged;
    for (const Row& row : rows) logged.push_back(row.point);
    EXPECT_EQ(points, logged);
    return points == logged;
  }

  TestCertificates certificates_;
  std::string prefix_;
};

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST_F(MqttTlsTest, AnMqttsRunWithItsCaPublishesEveryRowOnceInOrderAndTheRetainedStatus) {
  Broker broker;
  ASSERT_TRUE(StartTlsBroker(broker, "server-chain.pem", "server.key"));
  Subscriber subscriber(broker.Port(), prefix_ + "/#", "", certificates_.Trusting());
  ASSERT_TRUE(subscriber.WaitSubscribed(Millis(10000)));
  const std::wstring log = LogPath(L"tls.csv");
  EXPECT_TRUE(AllPublished(subscriber, ClosedRun(log, TlsRun(log, broker.Port(), File(L"/mqtt-ca", "ca.pem")))));
  EXPECT_TRUE(subscriber.WaitMessages(
      [&](const auto&) { return subscriber.Payloads(Topic("status")).size() >= 3; }, Millis(5000)));
  EXPECT_EQ(subscriber.Payloads(Topic("status")), (std::vector<std::string>{"running", "stopped", "offline"}));
  // Whoever comes later is told the last status.
  Subscriber later(broker.Port(), Topic("status"), "", certificates_.Trusting());
  ASSERT_TRUE(later.WaitMessages([](const auto& messages) { return !messages.empty(); }, Millis(10000)));
  EXPECT_EQ(later.Messages().front().payload, "offline");
  EXPECT_TRUE(later.Messages().front().retained);
}

TEST_F(MqttTlsTest, ACertificateFromAnUntrustedCaOrForAnotherNameIsRefusedAndToldWhileEveryRowIsLogged) {
  Broker broker;
  ASSERT_TRUE(StartTlsBroker(broker, "server-chain.pem", "server.key"));
  Subscriber subscriber(broker.Port(), prefix_ + "/#", "", certificates_.Trusting());
  ASSERT_TRUE(subscriber.WaitSubscribed(Millis(10000)));
  const std::wstring log = LogPath(L"untrusted.csv");
  ASSERT_TRUE(Launch(TlsRun(log, broker.Port(), File(L"/mqtt-ca", "other-ca.pem"))));
  ExpectMessage(std::wstring(L"TLS to the MQTT broker failed: broker certificate not trusted: self-signed certificate "
                             L"in certificate chain") + kRefusedAfter);
  // The logger keeps trying (after 1, 2 and 4 s): no second box, and the rows go on.
  const size_t rows = CountDataRows(log);
  ASSERT_TRUE(WaitDataRows(log, rows + 60, Millis(30000)));
  EXPECT_EQ(Dialog().FindOtherDialog(), nullptr);
  ASSERT_TRUE(StopRun());
  ASSERT_TRUE(CloseLogger());
  const std::vector<Row> logged = DataRowsOf(ReadLines(log));
  for (size_t i = 0; i < logged.size(); ++i) EXPECT_EQ(logged[i].point, static_cast<int>(i + 1));
  EXPECT_TRUE(subscriber.Messages().empty());
  EXPECT_EQ(Occurrences(ReadFileBytes(LogPath(L"untrusted.events.csv")), "broker certificate not trusted: "), 1u);

  Broker otherName;
  ASSERT_TRUE(StartTlsBroker(otherName, "other-chain.pem", "other.key"));
  const std::wstring otherLog = LogPath(L"other-name.csv");
  ClosedRun(otherLog, TlsRun(otherLog, otherName.Port(), File(L"/mqtt-ca", "ca.pem")));
  const std::string events = ReadFileBytes(LogPath(L"other-name.events.csv"));
  EXPECT_EQ(Occurrences(events, "TLS to the MQTT broker failed: broker certificate not trusted: IP address mismatch."),
            1u)
      << events;
}

TEST_F(MqttTlsTest, ABrokerThatAsksForAClientCertificateRefusesARunWithoutOneAndServesOneWithIt) {
  Broker broker;
  ASSERT_TRUE(StartTlsBroker(broker, "server-chain.pem", "server.key", true));
  Subscriber subscriber(broker.Port(), prefix_ + "/#", "", certificates_.Trusting(true));
  ASSERT_TRUE(subscriber.WaitSubscribed(Millis(10000)));
  const std::wstring without = LogPath(L"without.csv");
  ClosedRun(without, TlsRun(without, broker.Port(), File(L"/mqtt-ca", "ca.pem")));
  EXPECT_TRUE(subscriber.Messages().empty());
  // The broker's alert may be lost to its closing the connection at once: at most one line.
  EXPECT_LE(Occurrences(ReadFileBytes(LogPath(L"without.events.csv")), "TLS to the MQTT broker failed: "), 1u);

  const std::wstring with = LogPath(L"with.csv");
  EXPECT_TRUE(AllPublished(subscriber, ClosedRun(with, TlsRun(with, broker.Port(),
                                                               File(L"/mqtt-ca", "ca.pem") +
                                                                   File(L"/mqtt-cert", "client.pem") +
                                                                   File(L"/mqtt-key", "client.key")))));
}

TEST_F(MqttTlsTest, WithoutACaFileTheCertificatesWindowsTrustsDecide) {
  Broker broker;
  ASSERT_TRUE(StartTlsBroker(broker, "server-chain.pem", "server.key"));
  Subscriber subscriber(broker.Port(), prefix_ + "/#", "", certificates_.Trusting());
  ASSERT_TRUE(subscriber.WaitSubscribed(Millis(10000)));
  const std::wstring untrusted = LogPath(L"untrusted.csv");
  ClosedRun(untrusted, TlsRun(untrusted, broker.Port(), L""));
  EXPECT_NE(ReadFileBytes(LogPath(L"untrusted.events.csv")).find("broker certificate not trusted: "),
            std::string::npos);
  EXPECT_TRUE(subscriber.Messages().empty());

  const TrustedRoot root(certificates_.Pem("ca.pem"));
  ASSERT_TRUE(root.Added());
  const std::wstring trusted = LogPath(L"trusted.csv");
  EXPECT_TRUE(AllPublished(subscriber, ClosedRun(trusted, TlsRun(trusted, broker.Port(), L""))));
}

TEST_F(MqttTlsTest, AMissingCaFileIsASwitchErrorAtStartThatNamesIt) {
  const std::wstring log = LogPath(L"missing.csv");
  const std::wstring missing = Folder() + L"\\no-such-ca.pem";
  ASSERT_TRUE(logger_.Spawn(LoggerExePath(), TlsRun(log, 1, L" /mqtt-ca \"" + missing + L"\" /close")));
  ASSERT_TRUE(logger_.WaitExit(Millis(20000)));
  EXPECT_EQ(logger_.ExitCode(), 1u);
  EXPECT_EQ(CountDataRows(log), 0u);
  const std::string events = ReadFileBytes(LogPath(L"missing.events.csv"));
  EXPECT_NE(events.find("/mqtt-ca: \"\"" + Narrow(missing) + "\"\" cannot be read: "), std::string::npos) << events;
}

// A broker that takes the connection and never answers the handshake.
TEST_F(MqttTlsTest, AHandshakeThatHangsHoldsUpNeitherThePollsNorTheEnd) {
  const SilentListener silent;
  ASSERT_NE(silent.Port(), 0);
  const std::wstring log = LogPath(L"hanging.csv");
  const ULONGLONG started = GetTickCount64();
  const std::vector<Row> rows = ClosedRun(log, TlsRun(log, silent.Port(), File(L"/mqtt-ca", "ca.pem")));
  // Two seconds of polls, and the end does not wait for the handshake.
  EXPECT_LT(GetTickCount64() - started, 2000u + 4000u);
  for (size_t i = 1; i < rows.size(); ++i) EXPECT_LE(rows[i].elapsed - rows[i - 1].elapsed, 400) << i;
}

TEST_F(MqttTlsTest, APasswordSentInClearIsToldInTheEventsFileOncePerRun) {
  Broker broker;
  ASSERT_TRUE(broker.RequirePassword("lab", "right"));
  ASSERT_TRUE(broker.Start());
  SetEnvironmentVariableW(L"VELMAR_MQTT_PASSWORD", L"right");
  const std::wstring log = LogPath(L"clear.csv");
  const bool launched = Launch(std::wstring(kRunSwitches) + L" /log \"" + log + L"\" /mqtt 127.0.0.1:" +
                               std::to_wstring(broker.Port()) + L" /mqtt-user lab");
  SetEnvironmentVariableW(L"VELMAR_MQTT_PASSWORD", nullptr);
  ASSERT_TRUE(launched);
  ASSERT_TRUE(WaitDataRows(log, 3));
  ASSERT_TRUE(StopRun());
  ASSERT_TRUE(StartRun());
  ASSERT_TRUE(StopRun());
  ASSERT_TRUE(CloseLogger());
  const std::string events = ReadFileBytes(LogPath(L"clear.events.csv"));
  EXPECT_EQ(Occurrences(events, "The MQTT password goes to 127.0.0.1:" + std::to_string(broker.Port()) +
                                    " unencrypted"),
            2u)
      << events;
}

TEST_F(MqttTlsTest, TheEncryptBoxMovesTheDefaultPortAndTheFilesPathsAreStored) {
  ASSERT_TRUE(Launch());
  constexpr WPARAM kLogOptionsCommand = 0x0030;
  Dialog().SendSysCommand(kLogOptionsCommand);
  const driver::DialogDriver options(Dialog().WaitOtherDialog(Millis(10000)), logger_.ProcessId());
  ASSERT_NE(options.Dialog(), nullptr);
  EXPECT_EQ(options.Text(IDC_BROKER_PORT), L"1883");
  EXPECT_FALSE(options.Enabled(IDC_BROKER_CA_FILE));
  PostMessageW(options.Item(IDC_BROKER_TLS), BM_CLICK, 0, 0);
  EXPECT_TRUE(driver::WaitFor([&] { return options.Text(IDC_BROKER_PORT) == L"8883"; }, Millis(5000)));
  EXPECT_TRUE(options.Enabled(IDC_BROKER_CA_FILE));
  options.SetText(IDC_BROKER_HOST, L"lab-pi");
  options.SetText(IDC_BROKER_CA_FILE, L"C:\\Lab\\ca.pem");
  options.SetText(IDC_BROKER_CERT_FILE, L"C:\\Lab\\oven.pem");
  options.Click(IDOK);
  ASSERT_TRUE(driver::WaitFor([&] { return !IsWindow(options.Dialog()); }, Millis(5000)));

  const std::wstring key = std::wstring(kSettingsKey) + L"\\Options";
  DWORD value = 0;
  DWORD size = sizeof(value);
  RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"BrokerTls", RRF_RT_REG_DWORD, nullptr, &value, &size);
  EXPECT_EQ(value, 1u);
  RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"BrokerPort", RRF_RT_REG_DWORD, nullptr, &value, &size);
  EXPECT_EQ(value, 8883u);
  wchar_t text[64] = {};
  size = sizeof(text);
  RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"BrokerCaFile", RRF_RT_REG_SZ, nullptr, text, &size);
  EXPECT_STREQ(text, L"C:\\Lab\\ca.pem");
}

}  // namespace
}  // namespace velmar::test
