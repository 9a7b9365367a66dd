#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/simulator_win.h"
#include "tools/driver/dialog_driver_win.h"

namespace velmar::test {

using driver::Millis;

inline constexpr int kSimPort = 12;
inline const std::vector<int> kTestPorts{2, 3, 7, 12, 13};
inline constexpr wchar_t kSettingsKey[] = L"Software\\Local AppWizard-Generated Applications\\VelmarDataLogger";

// Each test starts the real program with fresh settings, the standard test ports and a
// folder of its own for log files.
class LoggerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  bool Launch(const std::wstring& arguments = L"");
  driver::DialogDriver& Dialog() { return dialog_; }

  // Sets the controls for a run on the simulator's port.
  void Configure(const std::wstring& logPath, const std::wstring& command, const std::wstring& interval = L"100",
                 const std::wstring& baud = L"115200");
  // Clicks Start and waits until the run is on (Stop enabled).
  bool StartRun();
  bool StopRun();
  // A whole run: Start, until the file holds this many rows, Stop.
  bool RunForRows(const std::wstring& log, size_t rows);
  // Waits until the instrument has seen this many more queries; returns the count before.
  int WaitMorePolls(int count);
  // Clicks Close and waits for the process to end.
  bool CloseLogger();

  // Waits for a message box and checks its text and caption, then answers it.
  void ExpectMessage(const std::wstring& text, int answer = IDOK);
  bool WaitStatus(const std::wstring& fragment, Millis timeout = Millis(10000));
  bool WaitDataRows(const std::wstring& path, size_t rows, Millis timeout = Millis(20000));
  bool Responsive();
  // Every poll of the run is a row, in the log or after the recovery file's own preamble,
  // numbered without a gap or a repeat.
  void ExpectEveryRowIn(const std::wstring& log, const std::wstring& recovery);
  // The one "<stem>.unsaved-..." file in the test's folder; empty when there is not exactly one.
  std::wstring RecoveryFile(const std::wstring& stem) const;

  std::wstring LogPath(const std::wstring& name) const { return folder_ + L"\\" + name; }
  const std::wstring& Folder() const { return folder_; }

  driver::LoggerProcess logger_;
  driver::DialogDriver dialog_{nullptr, 0};
  Simulator sim_;

 private:
  std::wstring folder_;
};

// How many values the "Settings" key holds; -1 when it does not exist.
int SettingsValueCount();

// Writes one raw value into the program's settings, as a stale or foreign entry would be.
void StoreSetting(const wchar_t* name, DWORD type, const void* data, DWORD size);

std::vector<std::string> ReadLines(const std::wstring& path);
// Names of the files and folders in a folder.
std::vector<std::wstring> EntriesOf(const std::wstring& folder);
std::string ReadFileBytes(const std::wstring& path);
size_t CountDataRows(const std::wstring& path);
std::string Narrow(const std::wstring& text);

// Rows of the last run in a log file: point, elapsed time and reply of each.
struct Row {
  int point;
  int elapsed;
  std::string reply;
};
std::vector<Row> DataRowsOf(const std::vector<std::string>& lines);

}  // namespace velmar::test
