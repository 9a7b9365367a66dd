#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "res/resource.h"
#include "tests/e2e/logger_fixture_win.h"
#include "tests/e2e/preset_lines.h"
#include "tools/driver/port_control_win.h"

namespace velmar::test {
namespace {

void StoreDword(const wchar_t* name, DWORD value) { StoreSetting(name, REG_DWORD, &value, sizeof(value)); }

void StoreText(const wchar_t* name, const std::wstring& text) {
  StoreSetting(name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

std::vector<std::wstring> Texts(const std::vector<std::pair<std::wstring, LRESULT>>& entries) {
  std::vector<std::wstring> texts;
  for (const auto& entry : entries) texts.push_back(entry.first);
  return texts;
}

class SettingsTest : public LoggerTest {
 protected:
  // Starts a short run on the simulator and returns the column-titles line it wrote.
  std::string TitlesOfARun(const std::wstring& log) {
    Dialog().SetText(IDC_LOGFILE, log);
    Dialog().SelectComboText(IDC_PORT, L"COM12");
    Dialog().SetText(IDC_INTERVAL, L"100");
    if (!RunForRows(log, 1)) return "<no run>";
    const auto lines = ReadLines(log);
    return lines.size() >= 3 ? lines[lines.size() - 1 - CountDataRowsAfterLastPreamble(lines)] : "<short>";
  }
  static size_t CountDataRowsAfterLastPreamble(const std::vector<std::string>& lines) {
    return DataRowsOf(lines).size();
  }
};

TEST_F(SettingsTest, FirstStartUsesTheDefaultsAndCreatesTheEmptyKeys) {
  ASSERT_TRUE(Launch());
  EXPECT_EQ(Dialog().ComboSelectionText(IDC_PORT), L"<Auto>");
  EXPECT_EQ(Dialog().ComboSelectionText(IDC_BAUD), L"38400");
  EXPECT_EQ(Dialog().Text(IDC_INTERVAL), L"1000");
  EXPECT_EQ(Dialog().Text(IDC_COMMAND), L"");
  EXPECT_EQ(Dialog().Text(IDC_LOGFILE), L"");
  EXPECT_EQ(SettingsValueCount(), 0);
}

TEST_F(SettingsTest, AStoredCommandWithoutHeaderLeavesTheTitlesEmpty) {
  StoreText(L"Command", L"err?");
  ASSERT_TRUE(sim_.Start(kSimPort));
  ASSERT_TRUE(Launch());
  EXPECT_EQ(Dialog().Text(IDC_COMMAND), L"err?");
  EXPECT_EQ(TitlesOfARun(LogPath(L"empty-header.csv")), "Point,Time(ms),");
}

TEST_F(SettingsTest, ASuccessfulStartIsRememberedAfterARestart) {
  ASSERT_TRUE(sim_.Start(kSimPort));
  ASSERT_TRUE(Launch());
  const std::wstring log = LogPath(L"remember.csv");
  Configure(log, L"", L"250", L"57600");
  Dialog().Click(IDC_TEC_COMMANDS);
  ASSERT_TRUE(driver::WaitFor([&] { return Dialog().Text(IDC_COMMAND) == kTec; }, Millis(5000)));
  ASSERT_TRUE(StartRun());
  ASSERT_TRUE(StopRun());
  ASSERT_TRUE(CloseLogger());

  driver::LoggerProcess again;
  ASSERT_TRUE(again.Start(LoggerExePath(), Millis(30000)));
  dialog_ = again.Driver();
  EXPECT_EQ(Dialog().ComboSelectionText(IDC_PORT), L"COM12");
  EXPECT_EQ(Dialog().ComboSelectionText(IDC_BAUD), L"57600");
  EXPECT_EQ(Dialog().Text(IDC_INTERVAL), L"250");
  EXPECT_EQ(Dialog().Text(IDC_COMMAND), kTec);
  EXPECT_EQ(Dialog().Text(IDC_LOGFILE), log);
  EXPECT_EQ(TitlesOfARun(log), std::string("Point,Time(ms),") + kTecTitles);
  EXPECT_TRUE(CloseLogger());
}

TEST_F(SettingsTest, AStoredHeaderHoldsWhateverTheStoredCommand) {
  StoreText(L"Command", kLaser);
  StoreText(L"Header", L"A,B");
  ASSERT_TRUE(sim_.Start(kSimPort));
  ASSERT_TRUE(Launch());
  EXPECT_EQ(TitlesOfARun(LogPath(L"header.csv")), "Point,Time(ms),A,B");
}

TEST_F(SettingsTest, ValuesOfTheWrongTypeOrSizeAreReadSafely) {
  StoreText(L"COMPort", L"7");          // data 37 00 00 00: port 55, which does not exist
  StoreDword(L"BaudRate", 4800);        // not in the list: "9600"
  const BYTE eight[8] = {0x2C, 0x01, 0, 0, 0, 0, 0, 0};
  StoreSetting(L"Interval", REG_BINARY, eight, sizeof(eight));  // too long: the default
  const char odd[] = {'e', 0, 'r', 0, 'r', 0, '?', 0, 'X'};
  StoreSetting(L"Command", REG_BINARY, odd, sizeof(odd));  // no terminator, odd length
  const wchar_t multi[] = L"C:\\a.csv\0second\0";
  StoreSetting(L"Filename", REG_MULTI_SZ, multi, sizeof(multi));
  ASSERT_TRUE(Launch());
  EXPECT_EQ(Dialog().ComboSelectionText(IDC_PORT), L"<Auto>");
  EXPECT_EQ(Dialog().ComboSelectionText(IDC_BAUD), L"9600");
  EXPECT_EQ(Dialog().Text(IDC_INTERVAL), L"1000");
  EXPECT_EQ(Dialog().Text(IDC_COMMAND), L"err?");
  EXPECT_EQ(Dialog().Text(IDC_LOGFILE), L"C:\\a.csv");
  EXPECT_TRUE(Responsive());
}

TEST_F(SettingsTest, PortsAreListedSortedAfterAutoWithTheStoredOneSelected) {
  StoreDword(L"COMPort", 2);
  ASSERT_TRUE(Launch());
  const auto entries = Dialog().ComboEntries(IDC_PORT);
  EXPECT_EQ(Texts(entries), (std::vector<std::wstring>{L"<Auto>", L"COM12", L"COM13", L"COM2", L"COM3", L"COM7"}));
  for (const auto& [text, data] : entries) {
    EXPECT_EQ(data, text == L"<Auto>" ? 0 : std::stoi(text.substr(3)));
  }
  EXPECT_EQ(Dialog().ComboSelectionText(IDC_PORT), L"COM2");
}

TEST_F(SettingsTest, AStoredPortThatIsGoneSelectsAuto) {
  StoreDword(L"COMPort", 9);
  ASSERT_TRUE(Launch());
  EXPECT_EQ(Dialog().ComboSelectionText(IDC_PORT), L"<Auto>");
}

class PortListTest : public LoggerTest {
 protected:
  // Sends a burst of device-change notices and waits for the list to show the change;
  // returns how long after the last notice that took.
  Millis NotifyAndWait(const std::function<bool()>& changed) {
    for (int i = 0; i < 3; ++i) {
      PostMessageW(Dialog().Dialog(), WM_DEVICECHANGE, 0x0007, 0);
      if (i < 2) driver::WaitFor([] { return false; }, Millis(100));
    }
    const auto last = std::chrono::steady_clock::now();
    EXPECT_TRUE(driver::WaitFor(changed, Millis(5000)));
    return std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now() - last);
  }
  bool Listed(const std::wstring& text) {
    for (const auto& entry : Dialog().ComboEntries(IDC_PORT)) {
      if (entry.first == text) return true;
    }
    return false;
  }
};

TEST_F(PortListTest, ANewPortIsSelectedHalfASecondAfterTheLastNotice) {
  StoreDword(L"COMPort", 3);
  ASSERT_TRUE(Launch());
  ASSERT_EQ(Dialog().ComboSelectionText(IDC_PORT), L"COM3");
  ASSERT_TRUE(driver::SetPortPresent(9, true));
  const Millis took = NotifyAndWait([&] { return Listed(L"COM9"); });
  EXPECT_GE(took.count(), 400);
  EXPECT_EQ(Dialog().ComboSelectionText(IDC_PORT), L"COM9");

  // The selected port's adapter goes: "<Auto>".
  ASSERT_TRUE(driver::SetPortPresent(9, false));
  NotifyAndWait([&] { return !Listed(L"COM9"); });
  EXPECT_EQ(Dialog().ComboSelectionText(IDC_PORT), L"<Auto>");
}

TEST_F(PortListTest, RemovingAnotherPortKeepsTheSelectionAndTwoNewPortsSelectTheHigher) {
  StoreDword(L"COMPort", 3);
  ASSERT_TRUE(Launch());
  ASSERT_TRUE(driver::SetPortPresent(2, false));
  NotifyAndWait([&] { return !Listed(L"COM2"); });
  EXPECT_EQ(Dialog().ComboSelectionText(IDC_PORT), L"COM3");

  ASSERT_TRUE(driver::SetPortPresent(5, true));
  ASSERT_TRUE(driver::SetPortPresent(11, true));
  NotifyAndWait([&] { return Listed(L"COM5") && Listed(L"COM11"); });
  EXPECT_EQ(Dialog().ComboSelectionText(IDC_PORT), L"COM11");
}

TEST_F(PortListTest, TheListFollowsTheDevicesDuringARun) {
  ASSERT_TRUE(sim_.Start(kSimPort));
  ASSERT_TRUE(Launch());
  const std::wstring log = LogPath(L"during.csv");
  Configure(log, L"err?");
  ASSERT_TRUE(StartRun());
  ASSERT_TRUE(driver::SetPortPresent(9, true));
  NotifyAndWait([&] { return Listed(L"COM9"); });
  EXPECT_FALSE(Dialog().Enabled(IDC_PORT));
  const size_t rows = CountDataRows(log);
  EXPECT_TRUE(WaitDataRows(log, rows + 2));
  ASSERT_TRUE(StopRun());
}

}  // namespace
}  // namespace velmar::test
