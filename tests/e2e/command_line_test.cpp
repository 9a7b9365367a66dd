#include <gtest/gtest.h>

#include <algorithm>

#include "res/resource.h"
#include "tests/e2e/logger_fixture_win.h"
#include "tests/e2e/preset_lines.h"
#include "tools/driver/port_control_win.h"

namespace velmar::test {
namespace {

std::wstring SectionPath(const wchar_t* section) { return std::wstring(kSettingsKey) + L"\\" + section; }

// 0 when the value is missing.
DWORD StoredNumber(const wchar_t* name, const wchar_t* section = L"Settings") {
  DWORD value = 0;
  DWORD size = sizeof(value);
  RegGetValueW(HKEY_CURRENT_USER, SectionPath(section).c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size);
  return value;
}

std::wstring StoredText(const wchar_t* name) {
  wchar_t text[1024] = {};
  DWORD size = sizeof(text);
  if (RegGetValueW(HKEY_CURRENT_USER, SectionPath(L"Settings").c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) !=
      0) {
    return L"<missing>";
  }
  return text;
}

class CommandLineTest : public LoggerTest {
 protected:
  void SetUp() override {
    LoggerTest::SetUp();
    ASSERT_TRUE(sim_.Start(kSimPort));
  }
  void ExpectNothingStartedOrStored() {
    EXPECT_FALSE(Dialog().Enabled(IDC_STOP));
    EXPECT_EQ(sim_.Queries(), 0);
    EXPECT_EQ(SettingsValueCount(), 0);
  }
};

TEST_F(CommandLineTest, SwitchesConfigureAndStartARunThatIsRemembered) {
  const std::wstring folder = LogPath(L"lab data");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring log = folder + L"\\step one.csv";
  ASSERT_TRUE(Launch(L"/port COM12 -BAUD:9600 /interval=100 /preset tec /log \"" + log + L"\" /start"));
  ASSERT_TRUE(driver::WaitFor([&] { return Dialog().Enabled(IDC_STOP); }, Millis(10000)));
  EXPECT_EQ(sim_.Command("termios").substr(0, 11), "speed=9600 ");
  ASSERT_TRUE(WaitDataRows(log, 3));
  ASSERT_TRUE(StopRun());

  const auto lines = ReadLines(log);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[1], "Query used,\"" + Narrow(kTec) + "\"");
  EXPECT_EQ(lines[2], std::string("Point,Time(ms),") + kTecTitles);
  std::string queries;
  for (int i = 0; i < sim_.Queries(); ++i) queries += Narrow(kTec) + "\n";
  EXPECT_EQ(sim_.Received(), queries);
  EXPECT_EQ(StoredNumber(L"COMPort"), 12u);
  EXPECT_EQ(StoredNumber(L"BaudRate"), 9600u);
  EXPECT_EQ(StoredNumber(L"Interval"), 100u);
  EXPECT_EQ(StoredText(L"Command"), kTec);
  EXPECT_EQ(StoredText(L"Filename"), log);
  EXPECT_EQ(Narrow(StoredText(L"Header")), kTecTitles);
}

TEST_F(CommandLineTest, ADurationWithCloseEndsTheProgramByItself) {
  const std::wstring log = LogPath(L"timed.csv");
  ASSERT_TRUE(Launch(L"/port COM12 /baud 115200 /interval 100 /command err? /log " + log +
                     L" /start /duration 2s /close /minimized"));
  EXPECT_TRUE(driver::WaitFor([&] { return IsIconic(Dialog().Dialog()) != FALSE; }, Millis(5000)));
  // Still minimised once the run is under way: the dialog manager's first show did not undo it.
  ASSERT_TRUE(WaitDataRows(log, 5));
  EXPECT_NE(IsIconic(Dialog().Dialog()), FALSE);
  ASSERT_TRUE(logger_.WaitExit(Millis(15000)));
  const size_t rows = DataRowsOf(ReadLines(log)).size();
  EXPECT_GE(rows, 17u);
  EXPECT_LE(rows, 21u);
  EXPECT_EQ(ReadLines(log)[2], "Point,Time(ms),Response(s)");
}

TEST_F(CommandLineTest, CloseDuringARunThatWouldCloseAnywayRemembersTheOpenChart) {
  const std::wstring log = LogPath(L"closed.csv");
  ASSERT_TRUE(Launch(L"/port COM12 /interval 100 /command err? /log " + log + L" /start /close /chart"));
  ASSERT_TRUE(WaitDataRows(log, 2));
  ASSERT_TRUE(CloseLogger());
  EXPECT_EQ(StoredNumber(L"Open", L"Chart"), 1u);
}

TEST_F(CommandLineTest, AStartWaitsForAnAbsentPortAndRunsOnceItIsPluggedIn) {
  ASSERT_TRUE(driver::SetPortPresent(kSimPort, false));
  const std::wstring log = LogPath(L"waited.csv");
  ASSERT_TRUE(Launch(L"/port COM12 /interval 100 /command err? /log " + log + L" /start"));
  ASSERT_TRUE(WaitStatus(L"Waiting for COM12..."));
  EXPECT_TRUE(Dialog().Enabled(IDC_STOP));
  EXPECT_EQ(sim_.Queries(), 0);
  ASSERT_TRUE(driver::SetPortPresent(kSimPort, true));
  PostMessageW(Dialog().Dialog(), WM_DEVICECHANGE, 0x0007, 0);
  ASSERT_TRUE(WaitDataRows(log, 2));
  EXPECT_EQ(Dialog().ComboSelectionText(IDC_PORT), L"COM12");
  ASSERT_TRUE(StopRun());
}

// Without /close somebody is there: the program stays open with its message, ready for a run.
TEST_F(CommandLineTest, AWaitThatRunsOutWithoutCloseLeavesTheProgramOpenWithItsMessage) {
  ASSERT_TRUE(Launch(L"/port COM9 /interval 100 /command err? /start /wait 1s"));
  ExpectMessage(L"/port: COM9 is not present.");
  EXPECT_FALSE(Dialog().Enabled(IDC_STOP));
  const std::wstring log = LogPath(L"after.csv");
  Configure(log, L"err?");
  ASSERT_TRUE(RunForRows(log, 2));
}

TEST_F(CommandLineTest, BadSwitchesAreNamedAndNothingStartsOrIsStored) {
  ASSERT_TRUE(Launch(L"/port COM12 /start /bogus"));
  ExpectMessage(L"Unknown switch \"/bogus\".");
  ExpectNothingStartedOrStored();
  ASSERT_TRUE(CloseLogger());

  ASSERT_TRUE(Launch(L"/port COM12 /command err? /interval 50 /start"));
  ExpectMessage(L"/interval: Enter an integer between 100 and 10000000.");
  ExpectNothingStartedOrStored();
  EXPECT_EQ(Dialog().Text(IDC_COMMAND), L"");
}

TEST_F(CommandLineTest, HelpShowsTheUsageAndEnds) {
  ASSERT_TRUE(logger_.Spawn(LoggerExePath(), L"/?")) << "CreateProcessW failed with " << GetLastError();
  HWND box = nullptr;
  ASSERT_TRUE(driver::WaitFor(
      [&] { return (box = driver::FindProcessDialog(logger_.ProcessId(), nullptr)) != nullptr || !logger_.Running(); },
      Millis(30000)));
  ASSERT_NE(box, nullptr) << "the program ended without showing the usage";
  wchar_t caption[64] = {};
  GetWindowTextW(box, caption, 64);
  EXPECT_EQ(Narrow(caption), "VelmarDataLogger");
  const std::wstring text = driver::DialogDriver::MessageText(box);
  EXPECT_EQ(text.rfind(L"Usage: VelmarDataLogger", 0), 0u) << Narrow(text);
  EXPECT_NE(text.find(L"/duration"), std::wstring::npos);
  driver::DialogDriver::Answer(box, IDOK);
  EXPECT_TRUE(logger_.WaitExit(Millis(10000)));
}

// A batch step asks for the usage: nobody is there to close a box.
TEST_F(CommandLineTest, HelpWithCloseGoesToTheConsoleWithoutABox) {
  const std::wstring console = LogPath(L"usage.txt");
  ASSERT_TRUE(logger_.Spawn(LoggerExePath(), L"/? /close", console));
  ASSERT_TRUE(logger_.WaitExit(Millis(15000)));
  EXPECT_EQ(logger_.ExitCode(), 0u);
  const auto lines = ReadLines(console);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "Usage: VelmarDataLogger [switches]");
  EXPECT_NE(std::find_if(lines.begin(), lines.end(), [](const std::string& line) { return line.starts_with("/duration "); }),
            lines.end());
}

}  // namespace
}  // namespace velmar::test
