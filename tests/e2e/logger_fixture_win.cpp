#include "tests/e2e/logger_fixture_win.h"

#include <fstream>
#include <iterator>

#include "res/resource.h"
#include "tools/driver/port_control_win.h"

namespace velmar::test {
namespace {

// Log folders of passing tests go; a failed test's files stay for a look until the next run.
void RemoveFolder(const std::wstring& folder) {
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveFolder(folder + L"\\" + name);
      } else {
        DeleteFileW((folder + L"\\" + name).c_str());
      }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

void LoggerTest::SetUp() {
  RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
  ASSERT_TRUE(driver::ShowOnlyPorts(kTestPorts));
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  folder_ = std::wstring(temp) + L"velmar-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-";
  for (const char* c = info->name(); *c; ++c) folder_.push_back(static_cast<wchar_t>(*c));
  // Wine reuses process ids: a folder a failed run left behind must not leak into this one.
  RemoveFolder(folder_);
  CreateDirectoryW(folder_.c_str(), nullptr);
}

void LoggerTest::TearDown() {
  if (logger_.Dialog() && logger_.Running()) {
    // Answer any box that is still open, then close as a user would.
    while (HWND box = dialog_.FindOtherDialog()) {
      driver::DialogDriver::Answer(box, IDCANCEL);
      driver::DialogDriver::Answer(box, IDOK);
      driver::WaitFor([&] { return !IsWindow(box); }, Millis(2000));
    }
    CloseLogger();
  }
  driver::ShowOnlyPorts(kTestPorts);
  if (!HasFailure()) RemoveFolder(folder_);
}

bool LoggerTest::Launch(const std::wstring& arguments) {
  if (!logger_.Start(LoggerExePath(), Millis(30000), arguments)) return false;
  dialog_ = logger_.Driver();
  return true;
}

void LoggerTest::Configure(const std::wstring& logPath, const std::wstring& command, const std::wstring& interval,
                           const std::wstring& baud) {
  ASSERT_TRUE(dialog_.SelectComboText(IDC_PORT, L"COM" + std::to_wstring(kSimPort)));
  ASSERT_TRUE(dialog_.SelectComboText(IDC_BAUD, baud));
  dialog_.SetText(IDC_INTERVAL, interval);
  dialog_.SetText(IDC_COMMAND, command);
  dialog_.SetText(IDC_LOGFILE, logPath);
}

bool LoggerTest::StartRun() {
  dialog_.Click(IDOK);
  return driver::WaitFor([&] { return dialog_.Enabled(IDC_STOP); }, Millis(10000));
}

bool LoggerTest::StopRun() {
  dialog_.Click(IDC_STOP);
  return driver::WaitFor([&] { return !dialog_.Enabled(IDC_STOP) && dialog_.Enabled(IDOK); }, Millis(10000));
}

bool LoggerTest::RunForRows(const std::wstring& log, size_t rows) {
  return StartRun() && WaitDataRows(log, rows) && StopRun();
}

int LoggerTest::WaitMorePolls(int count) {
  const int before = sim_.Queries();
  EXPECT_TRUE(driver::WaitFor([&] { return sim_.Queries() >= before + count; }, Millis(10000)));
  return before;
}

bool LoggerTest::CloseLogger() {
  dialog_.Click(IDCANCEL);
  return logger_.WaitExit(Millis(10000));
}

void LoggerTest::ExpectMessage(const std::wstring& text, int answer) {
  HWND box = dialog_.WaitOtherDialog(Millis(10000));
  ASSERT_NE(box, nullptr) << "no message box: " << Narrow(text);
  EXPECT_EQ(Narrow(driver::DialogDriver::MessageText(box)), Narrow(text));
  EXPECT_EQ(Narrow(dialog_.WindowCaption(box)), "VelmarDataLogger");
  driver::DialogDriver::Answer(box, answer);
  EXPECT_TRUE(driver::WaitFor([&] { return !IsWindow(box); }, Millis(5000)));
}

bool LoggerTest::WaitStatus(const std::wstring& fragment, Millis timeout) {
  return driver::WaitFor([&] { return dialog_.Text(IDC_STATUS).find(fragment) != std::wstring::npos; }, timeout);
}

bool LoggerTest::WaitDataRows(const std::wstring& path, size_t rows, Millis timeout) {
  return driver::WaitFor([&] { return CountDataRows(path) >= rows; }, timeout);
}

bool LoggerTest::Responsive() {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(dialog_.Dialog(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) != 0;
}

void LoggerTest::ExpectEveryRowIn(const std::wstring& log, const std::wstring& recovery) {
  const auto logLines = ReadLines(log);
  const auto recoveryLines = ReadLines(recovery);
  ASSERT_GE(logLines.size(), 3u);
  ASSERT_GE(recoveryLines.size(), 4u);
  EXPECT_EQ(recoveryLines[0], logLines[0]);
  EXPECT_EQ(recoveryLines[1], logLines[1]);
  EXPECT_EQ(recoveryLines[2], logLines[2]);
  auto rows = DataRowsOf(logLines);
  for (const Row& row : DataRowsOf(recoveryLines)) rows.push_back(row);
  ASSERT_EQ(static_cast<int>(rows.size()), sim_.Queries());
  for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].point, static_cast<int>(i + 1));
}

std::wstring LoggerTest::RecoveryFile(const std::wstring& stem) const {
  std::vector<std::wstring> found;
  for (const std::wstring& entry : EntriesOf(folder_)) {
    if (entry.starts_with(stem + L".unsaved-")) found.push_back(LogPath(entry));
  }
  return found.size() == 1 ? found[0] : std::wstring();
}

int SettingsValueCount() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, (std::wstring(kSettingsKey) + L"\\Settings").c_str(), 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return -1;
  }
  DWORD values = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                   nullptr);
  RegCloseKey(key);
  return static_cast<int>(values);
}

void StoreSetting(const wchar_t* name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kSettingsKey) + L"\\Settings").c_str(), 0, nullptr, 0,
                            KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
}

std::string ReadFileBytes(const std::wstring& path) {
  std::ifstream file(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

std::vector<std::string> ReadLines(const std::wstring& path) {
  const std::string bytes = ReadFileBytes(path);
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(bytes.substr(start, end - start));
  }
  if (start < bytes.size()) lines.push_back(bytes.substr(start) + "<unterminated>");
  return lines;
}

std::vector<std::wstring> EntriesOf(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  return names;
}

size_t CountDataRows(const std::wstring& path) {
  const auto lines = ReadLines(path);
  size_t rows = 0;
  for (const auto& line : lines) {
    if (!line.empty() && line[0] >= '0' && line[0] <= '9') ++rows;
  }
  return rows;
}

std::vector<Row> DataRowsOf(const std::vector<std::string>& lines) {
  std::vector<Row> rows;
  for (const auto& line : lines) {
    if (line.rfind("Test started,", 0) == 0) rows.clear();
    if (line.empty() || line[0] < '0' || line[0] > '9') continue;
    const size_t first = line.find(',');
    const size_t second = line.find(',', first + 1);
    rows.push_back({std::stoi(line.substr(0, first)), std::stoi(line.substr(first + 1, second - first - 1)),
                    line.substr(second + 1)});
  }
  return rows;
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(c < 128 ? static_cast<char>(c) : '?');
  return out;
}

}  // namespace velmar::test
