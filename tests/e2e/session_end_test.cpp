#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "res/resource.h"
#include "tests/e2e/logger_fixture_win.h"
#include "framework/unique_handle_win.h"
#include "tests/support/file_lock_win.h"

namespace velmar::test {
namespace {

class SessionEndTest : public LoggerTest {
 protected:
  void SetUp() override {
    LoggerTest::SetUp();
    ASSERT_TRUE(sim_.Start(kSimPort));
    ASSERT_TRUE(Launch());
  }

  // Starts a run, lets rows reach the file, then holds the file until rows wait.
  void RunUntilRowsWait(const std::wstring& log, ExclusiveFileLock& lock) {
    Configure(log, L"err?");
    ASSERT_TRUE(StartRun());
    ASSERT_TRUE(WaitDataRows(log, 2));
    lock = ExclusiveFileLock(log);
    ASSERT_TRUE(lock.Held());
    ASSERT_TRUE(WaitStatus(L"Error writing to data file."));
    WaitMorePolls(2);
  }

  // Logoff: the program says yes and leaves every row in the log or one recovery file. It ends by
  // itself, or Windows ends it as soon as it has answered WM_ENDSESSION, as Windows may.
  void EndTheWindowsSessionAndExpectEveryRowKept(const std::wstring& log, const std::wstring& stem,
                                                 ExclusiveFileLock& lock, bool windowsEndsIt = false) {
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(Dialog().Dialog(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG,
                                    5000, &answer));
    EXPECT_NE(answer, 0u);
    SendMessageTimeoutW(Dialog().Dialog(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &answer);
    if (windowsEndsIt) {
      const UniqueHandle<KernelHandleTraits> process(OpenProcess(PROCESS_TERMINATE, FALSE, logger_.ProcessId()));
      ASSERT_TRUE(process && TerminateProcess(process.Get(), 1));
    }
    EXPECT_TRUE(logger_.WaitExit(Millis(5000)));
    lock.Release();
    ExpectEveryRowIn(log, RecoveryFile(stem));
  }
};

TEST_F(SessionEndTest, StartAndStopLeaveTheFocusWhereTheKeyboardCanGoOn) {
  Configure(LogPath(L"focus.csv"), L"err?");
  ASSERT_TRUE(StartRun());
  EXPECT_TRUE(driver::WaitFor([&] { return Dialog().FocusedControl() == Dialog().Item(IDC_STOP); }, Millis(2000)));
  ASSERT_TRUE(StopRun());
  EXPECT_TRUE(driver::WaitFor([&] { return Dialog().FocusedControl() == Dialog().Item(IDOK); }, Millis(2000)));
}

TEST_F(SessionEndTest, APathOutsideTheAnsiCodePageGetsExactlyThatFile) {
  const std::wstring name = L"\u0141\u00f3d\u017a-\u0395\u03bb\u03bb\u03ac\u03b4\u03b1-\u65e5\u672c";
  const std::wstring folder = LogPath(name);
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring log = folder + L"\\" + name + L".csv";
  Configure(log, L"err?");
  ASSERT_TRUE(RunForRows(log, 3));
  EXPECT_EQ(DataRowsOf(ReadLines(log)).size(), static_cast<size_t>(sim_.Queries()));
  std::vector<std::wstring> entries = EntriesOf(folder);
  std::sort(entries.begin(), entries.end());
  // A plain run with nothing to say leaves only its log.
  EXPECT_EQ(entries, std::vector<std::wstring>{name + L".csv"});
  EXPECT_EQ(EntriesOf(Folder()), std::vector<std::wstring>{name});
}

TEST_F(SessionEndTest, RowsGivenUpAtStopGoToARecoveryFileThatTheBoxNames) {
  const std::wstring log = LogPath(L"held.csv");
  ExclusiveFileLock lock;
  RunUntilRowsWait(log, lock);
  Dialog().Click(IDC_STOP);
  HWND retry = Dialog().WaitOtherDialog(Millis(10000));
  ASSERT_NE(retry, nullptr);
  driver::DialogDriver::Answer(retry, IDCANCEL);
  ASSERT_TRUE(driver::WaitFor([&] { return !IsWindow(retry); }, Millis(5000)));

  HWND saved = Dialog().WaitOtherDialog(Millis(10000));
  ASSERT_NE(saved, nullptr);
  const std::wstring text = driver::DialogDriver::MessageText(saved);
  std::wsmatch match;
  ASSERT_TRUE(std::regex_match(text, match, std::wregex(L"[0-9]+ rows? could not be written to .*held\\.csv\\. "
                                                        L"(It was|They were) saved to (.*held\\.unsaved-[0-9]{8}-"
                                                        L"[0-9]{6}\\.csv)\\.")))
      << Narrow(text);
  const std::wstring recovery = match[2];
  EXPECT_EQ(recovery.substr(0, Folder().size()), Folder());
  driver::DialogDriver::Answer(saved, IDOK);
  lock.Release();
  ExpectEveryRowIn(log, recovery);
}

TEST_F(SessionEndTest, TheEndOfTheWindowsSessionKeepsEveryRowAndEndsTheProgram) {
  const std::wstring log = LogPath(L"logoff.csv");
  ExclusiveFileLock lock;
  RunUntilRowsWait(log, lock);
  EndTheWindowsSessionAndExpectEveryRowKept(log, L"logoff", lock);
}

// The rows and the events lines the files refuse are saved before WM_ENDSESSION is answered:
// after that, Windows may end the process at any moment.
TEST_F(SessionEndTest, TheEndOfTheWindowsSessionSavesRowsAndEventsBeforeItIsAnswered) {
  const std::wstring log = LogPath(L"ended.csv");
  ExclusiveFileLock lock;
  RunUntilRowsWait(log, lock);
  // The rows-waiting alarm gave the run its events file; now that refuses the last line too.
  ExclusiveFileLock events(LogPath(L"ended.events.csv"));
  ASSERT_TRUE(events.Held());
  EndTheWindowsSessionAndExpectEveryRowKept(log, L"ended", lock, true);
  const auto saved = ReadLines(RecoveryFile(L"ended.events"));
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved[0], "Time,Point,Source,Value,Limit,Event");
  EXPECT_TRUE(saved[1].ends_with(",,run,,,end at logoff")) << saved[1];
}

// Stop found rows the file refuses, and Windows ends the session while the box asks about them.
TEST_F(SessionEndTest, TheEndOfTheWindowsSessionDuringTheStopBoxKeepsEveryRow) {
  const std::wstring log = LogPath(L"asked.csv");
  ExclusiveFileLock lock;
  RunUntilRowsWait(log, lock);
  Dialog().Click(IDC_STOP);
  HWND retry = Dialog().WaitOtherDialog(Millis(10000));
  ASSERT_NE(retry, nullptr);
  EndTheWindowsSessionAndExpectEveryRowKept(log, L"asked", lock);
}

}  // namespace
}  // namespace velmar::test
