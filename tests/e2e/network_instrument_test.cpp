#include <gtest/gtest.h>

#include <algorithm>

#include "res/resource.h"
#include "tests/e2e/logger_fixture_win.h"

namespace velmar::test {
namespace {

constexpr WPARAM kNetworkInstrumentsCommand = 0x0040;
constexpr wchar_t kQuery[] = L"tec:t?;err?";

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

std::vector<std::wstring> Texts(const std::vector<std::pair<std::wstring, LRESULT>>& entries) {
  std::vector<std::wstring> texts;
  for (const auto& entry : entries) texts.push_back(entry.first);
  return texts;
}

// The instrument simulator on a TCP port of 127.0.0.1, the logger pointed at it by /port.
class NetworkInstrumentTest : public LoggerTest {
 protected:
  void StartInstrument(const std::string& options = "") {
    ASSERT_TRUE(sim_.StartTcp(options));
    port_ = sim_.TcpPort();
    ASSERT_GT(port_, 0);
  }
  std::wstring Address() const { return L"127.0.0.1:" + std::to_wstring(port_); }
  std::wstring Switches(const std::wstring& log, const std::wstring& more = L"") const {
    return L"/port tcp://" + Address() + L" /interval 100 /command \"" + kQuery + L"\" /log \"" + log + L"\" " + more;
  }
  int Clients() { return std::atoi(sim_.Command("clients").c_str()); }
  // Rows, one preamble, the points one after another and no poll that held the window.
  std::vector<Row> CheckedRows(const std::wstring& log) {
    const auto lines = ReadLines(log);
    const auto preamble = [](const std::string& line) { return line.rfind("Test started", 0) == 0; };
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), preamble), 1);
    const std::vector<Row> rows = DataRowsOf(lines);
    for (size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ(rows[i].point, static_cast<int>(i + 1));
      if (i > 0) {
        EXPECT_LT(rows[i].elapsed - rows[i - 1].elapsed, 1300) << "a poll blocked at row " << i + 1;
      }
    }
    return rows;
  }

  int port_ = 0;
};

TEST_F(NetworkInstrumentTest, ARunOverTcpLogsWhatARunOverComLogsWhateverTheLineEnds) {
  StartInstrument();
  ASSERT_TRUE(sim_.Ok("reply 25.003,0"));
  const std::wstring log = LogPath(L"tcp.csv");
  ASSERT_TRUE(Launch(Switches(log)));
  EXPECT_EQ(Dialog().ComboSelectionText(IDC_PORT), Address());
  ASSERT_TRUE(StartRun());
  ASSERT_TRUE(WaitDataRows(log, 3));
  ASSERT_TRUE(sim_.Ok("mode no-cr"));
  ASSERT_TRUE(WaitDataRows(log, CountDataRows(log) + 3));
  ASSERT_TRUE(sim_.Ok("trickle 2"));
  ASSERT_TRUE(WaitDataRows(log, CountDataRows(log) + 2));
  ASSERT_TRUE(StopRun());

  const auto lines = ReadLines(log);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0].rfind("Test started,\"", 0), 0u);
  EXPECT_EQ(lines[1], "Query used,\"tec:t?;err?\"");
  EXPECT_EQ(lines[2], "Point,Time(ms),Response(s)");
  const std::vector<Row> rows = CheckedRows(log);
  ASSERT_GE(rows.size(), 8u);
  EXPECT_EQ(rows[0].elapsed, 0);
  for (const Row& row : rows) EXPECT_EQ(row.reply, "25.003,0") << "row " << row.point;
  EXPECT_EQ(sim_.Received().rfind("tec:t?;err?\ntec:t?;err?\n", 0), 0u);
}

TEST_F(NetworkInstrumentTest, AClosedConnectionIsAnUnpluggedAdapterAndTheOnConnectTextComesAgain) {
  StartInstrument("--greeting Welcome");
  const std::wstring log = LogPath(L"lost.csv");
  ASSERT_TRUE(Launch(Switches(log, L"/eol crlf /on-connect \"\\nSYST:REM\"")));
  ASSERT_TRUE(StartRun());
  ASSERT_TRUE(WaitDataRows(log, 3));
  ASSERT_TRUE(sim_.Ok("refuse"));
  ASSERT_TRUE(sim_.Ok("close"));
  ASSERT_TRUE(WaitStatus(L"ms: " + Address() + L" lost, reconnecting..."));
  const size_t atLoss = CountDataRows(log);
  ASSERT_TRUE(WaitDataRows(log, atLoss + 3));
  EXPECT_TRUE(Responsive());
  ASSERT_TRUE(sim_.Ok("listen"));
  ASSERT_TRUE(driver::WaitFor(
      [&] {
        const auto rows = DataRowsOf(ReadLines(log));
        return rows.size() > atLoss + 3 && !rows.back().reply.empty();
      },
      Millis(10000)));
  ASSERT_TRUE(StopRun());

  const std::vector<Row> rows = CheckedRows(log);
  const auto away = std::count_if(rows.begin(), rows.end(), [](const Row& row) { return row.reply.empty(); });
  EXPECT_GE(away, 2);
  for (const Row& row : rows) {
    EXPECT_TRUE(row.reply.empty() || std::count(row.reply.begin(), row.reply.end(), ',') == 1) << row.reply;
  }
  // The text before the first query of each connection, and the queries with their line end.
  const std::string wire = sim_.Received();
  EXPECT_EQ(Clients(), 2);
  EXPECT_EQ(Occurrences(wire, "\r\nSYST:REM\r\n"), 2u);
  EXPECT_EQ(Occurrences(wire, "\r\nSYST:REM\r\ntec:t?;err?\r\n"), 2u);
  EXPECT_EQ(wire.rfind("\r\nSYST:REM\r\n", 0), 0u);
  const std::string events = ReadFileBytes(LogPath(L"lost.events.csv"));
  EXPECT_NE(events.find(",port lost,," + Narrow(Address()) + ",alarm\r\n"), std::string::npos) << events;
}

TEST_F(NetworkInstrumentTest, AConnectionSilentForThreePollsIsMadeAgain) {
  StartInstrument();
  const std::wstring log = LogPath(L"half-open.csv");
  ASSERT_TRUE(Launch(Switches(log)));
  ASSERT_TRUE(StartRun());
  ASSERT_TRUE(WaitDataRows(log, 2));
  ASSERT_TRUE(sim_.Ok("half-open"));
  ASSERT_TRUE(driver::WaitFor([&] { return Clients() == 2; }, Millis(10000)));
  const size_t atReconnect = CountDataRows(log);
  ASSERT_TRUE(driver::WaitFor(
      [&] {
        const auto rows = DataRowsOf(ReadLines(log));
        return rows.size() > atReconnect && !rows.back().reply.empty();
      },
      Millis(10000)));
  ASSERT_TRUE(StopRun());
  const std::vector<Row> rows = CheckedRows(log);
  EXPECT_GE(std::count_if(rows.begin(), rows.end(), [](const Row& row) { return row.reply.empty(); }), 3);
}

TEST_F(NetworkInstrumentTest, NobodyListeningFailsTheStartOrIsWaitedForUnderStart) {
  StartInstrument();
  ASSERT_TRUE(sim_.Ok("refuse"));
  const std::wstring log = LogPath(L"refused.csv");
  ASSERT_TRUE(Launch(Switches(log)));
  Dialog().Click(IDOK);
  ExpectMessage(L"Cannot connect to " + Address() + L": connection refused.");
  EXPECT_TRUE(Dialog().Enabled(IDOK));
  EXPECT_FALSE(Dialog().Enabled(IDC_STOP));
  ASSERT_TRUE(CloseLogger());

  driver::LoggerProcess givesUp;
  ASSERT_TRUE(givesUp.Spawn(LoggerExePath(), Switches(log, L"/start /wait 2s /close")));
  ASSERT_TRUE(givesUp.WaitExit(Millis(20000)));
  EXPECT_EQ(givesUp.ExitCode(), 4u);
  EXPECT_NE(ReadFileBytes(LogPath(L"refused.events.csv")).find("could not be reached: connection refused."),
            std::string::npos);

  driver::LoggerProcess waits;
  ASSERT_TRUE(waits.Start(LoggerExePath(), Millis(30000), Switches(log, L"/start /wait 60s")));
  dialog_ = waits.Driver();
  ASSERT_TRUE(WaitStatus(L"Waiting for " + Address() + L"..."));
  EXPECT_EQ(CountDataRows(log), 0u);
  ASSERT_TRUE(sim_.Ok("listen"));
  ASSERT_TRUE(WaitDataRows(log, 2));
  ASSERT_TRUE(StopRun());
  Dialog().Click(IDCANCEL);
  EXPECT_TRUE(waits.WaitExit(Millis(10000)));
}

TEST_F(NetworkInstrumentTest, AStoredInstrumentIsListedAfterTheComPortsAndSelectedAgain) {
  StartInstrument();
  const DWORD comPort = 3;
  StoreSetting(L"COMPort", REG_DWORD, &comPort, sizeof(comPort));
  ASSERT_TRUE(Launch());
  const std::vector<std::wstring> today{L"<Auto>", L"COM12", L"COM13", L"COM2", L"COM3", L"COM7"};
  EXPECT_EQ(Texts(Dialog().ComboEntries(IDC_PORT)), today);

  Dialog().SendSysCommand(kNetworkInstrumentsCommand);
  const driver::DialogDriver instruments(Dialog().WaitOtherDialog(Millis(10000)), logger_.ProcessId());
  ASSERT_NE(instruments.Dialog(), nullptr);
  instruments.SetText(IDC_NET_ADDRESS, L"tcp://" + Address());
  ASSERT_TRUE(instruments.SelectComboText(IDC_NET_LINE_END, L"CR LF"));
  instruments.SetText(IDC_NET_ON_CONNECT, L"*CLS");
  instruments.Click(IDC_NET_ADD);
  ASSERT_TRUE(driver::WaitFor([&] { return SendMessageW(instruments.Item(IDC_NET_LIST), LB_GETCOUNT, 0, 0) == 1; },
                              Millis(5000)));
  instruments.Click(IDOK);
  ASSERT_TRUE(driver::WaitFor([&] { return !IsWindow(instruments.Dialog()); }, Millis(5000)));
  std::vector<std::wstring> withInstrument = today;
  withInstrument.push_back(Address());
  EXPECT_EQ(Texts(Dialog().ComboEntries(IDC_PORT)), withInstrument);

  const std::wstring log = LogPath(L"stored.csv");
  ASSERT_TRUE(Dialog().SelectComboText(IDC_PORT, Address()));
  Dialog().SetText(IDC_INTERVAL, L"100");
  Dialog().SetText(IDC_COMMAND, kQuery);
  Dialog().SetText(IDC_LOGFILE, log);
  ASSERT_TRUE(StartRun());
  ASSERT_TRUE(WaitDataRows(log, 2));
  ASSERT_TRUE(StopRun());
  ASSERT_TRUE(CloseLogger());
  EXPECT_EQ(sim_.Received().rfind("*CLS\r\ntec:t?;err?\r\n", 0), 0u);

  DWORD stored = 0;
  DWORD size = sizeof(stored);
  RegGetValueW(HKEY_CURRENT_USER, (std::wstring(kSettingsKey) + L"\\Settings").c_str(), L"COMPort", RRF_RT_REG_DWORD,
               nullptr, &stored, &size);
  EXPECT_EQ(stored, comPort);
  driver::LoggerProcess again;
  ASSERT_TRUE(again.Start(LoggerExePath(), Millis(30000)));
  dialog_ = again.Driver();
  EXPECT_EQ(Dialog().ComboSelectionText(IDC_PORT), Address());
  EXPECT_EQ(Texts(Dialog().ComboEntries(IDC_PORT)), withInstrument);
  Dialog().Click(IDCANCEL);
  EXPECT_TRUE(again.WaitExit(Millis(10000)));
}

}  // namespace
}  // namespace velmar::test
