#include "logfile/log_format.h"
#include "logfile/log_storage_win.h"
#include "logfile/run_log.h"
#include "tests/support/file_lock_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>

namespace velmar {
namespace {

using namespace std::string_literals;

std::string ReadAll(const std::wstring& path) {
  std::FILE* file = _wfopen(path.c_str(), L"rb");
  if (file == nullptr) return "<missing>";
  std::string content;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) content.append(buffer, n);
  std::fclose(file);
  return content;
}

void WriteAll(const std::wstring& path, const std::string& content) {
  std::FILE* file = _wfopen(path.c_str(), L"wb");
  ASSERT_NE(file, nullptr);
  std::fwrite(content.data(), 1, content.size(), file);
  std::fclose(file);
}

class RunLogFileTest : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1];
    ASSERT_GT(GetTempPathW(MAX_PATH + 1, temp), 0u);
    for (int attempt = 0; folder_.empty() && attempt < 1000; ++attempt) {
      std::wstring candidate = temp + L"velmar_log_"s + std::to_wstring(GetCurrentProcessId()) + L"_" +
                               std::to_wstring(attempt);
      if (CreateDirectoryW(candidate.c_str(), nullptr)) folder_ = candidate + L"\\";
    }
    ASSERT_FALSE(folder_.empty());
  }

  void TearDown() override {
    if (folder_.empty()) return;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder_ + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        DeleteFileW((folder_ + found.cFileName).c_str());
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    RemoveDirectoryW(folder_.c_str());
  }

  std::wstring PathOf(const std::wstring& name) const { return folder_ + name; }

  static LocalDateTime Now() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
  }
  // The preamble as a run writes it, at this moment.
  bool Begin(const std::wstring& path, const std::wstring& command, const std::wstring& header) {
    return log_.Begin(path, {}, StartStampLine(FormatLongDateTime(Now())) + QueryLine(storage_.FileText(command)) +
                                    ColumnTitlesLine(storage_.FileText(header)),
                      Now());
  }
  bool AppendRow(int point, int64_t elapsedMs, const std::string& reply) {
    return log_.Append(point, elapsedMs, reply, Now());
  }

  std::wstring folder_;
  WindowsLogStorage storage_;
  RunLog log_{storage_};
};

constexpr char kDatePattern[] =
    "(Sunday|Monday|Tuesday|Wednesday|Thursday|Friday|Saturday), "
    "(January|February|March|April|May|June|July|August|September|October|November|December) "
    "\\d{2}, \\d{4} ([01]\\d|2[0-3]):[0-5]\\d:[0-5]\\d";

TEST_F(RunLogFileTest, PreambleCreatesFileWithThreeCrLfLines) {
  const std::wstring path = PathOf(L"run.csv");
  const std::string before = FormatLongDateTime(Now());
  ASSERT_TRUE(Begin(path, L"MEAS:CURR?;MEAS:TEMP?", L"Current,Temp"));
  const std::string after = FormatLongDateTime(Now());

  const std::string content = ReadAll(path);
  std::smatch match;
  ASSERT_TRUE(std::regex_match(content, match,
                               std::regex("Test started,\"("s + kDatePattern + ")\"\r\n"
                                          "Query used,\"MEAS:CURR\\?;MEAS:TEMP\\?\"\r\n"
                                          "Point,Time\\(ms\\),Current,Temp\r\n")))
      << content;
  EXPECT_TRUE(match[1] == before || match[1] == after) << match[1];
}

TEST_F(RunLogFileTest, PreambleKeepsCommandQuotesAndEmptyHeaderAsGiven) {
  const std::wstring path = PathOf(L"quotes.csv");
  ASSERT_TRUE(Begin(path, L"SAY \"hi\"", L""));
  const std::string content = ReadAll(path);
  EXPECT_NE(content.find("\r\nQuery used,\"SAY \"hi\"\"\r\nPoint,Time(ms),\r\n"), std::string::npos) << content;
}

TEST_F(RunLogFileTest, SecondPreambleAppendsAfterExistingContent) {
  const std::wstring path = PathOf(L"twice.csv");
  WriteAll(path, "earlier run\r\n1,0,9.9\r\n");
  ASSERT_TRUE(Begin(path, L"A?", L"a"));
  ASSERT_TRUE(Begin(path, L"B?", L"b"));

  const std::string stamp = "Test started,\"[^\"]*\"\r\n";
  EXPECT_TRUE(std::regex_match(ReadAll(path),
                               std::regex("earlier run\r\n1,0,9\\.9\r\n" + stamp +
                                          "Query used,\"A\\?\"\r\nPoint,Time\\(ms\\),a\r\n" + stamp +
                                          "Query used,\"B\\?\"\r\nPoint,Time\\(ms\\),b\r\n")))
      << ReadAll(path);
}

TEST_F(RunLogFileTest, AppendRowWritesOneCrLfRow) {
  const std::wstring path = PathOf(L"row.csv");
  ASSERT_TRUE(Begin(path, L"Q?", L"h"));
  const size_t preamble = ReadAll(path).size();
  ASSERT_TRUE(AppendRow(1, 0, "1.23"));
  ASSERT_TRUE(AppendRow(2, 250, ""));
  EXPECT_EQ(ReadAll(path).substr(preamble), "1,0,1.23\r\n2,250,\r\n");
  EXPECT_EQ(log_.WaitingRows(), 0u);
}

TEST_F(RunLogFileTest, ReplyBytesReachTheFileWhole) {
  const std::wstring path = PathOf(L"bytes.csv");
  ASSERT_TRUE(Begin(path, L"Q?", L"h"));
  const size_t preamble = ReadAll(path).size();
  ASSERT_TRUE(AppendRow(1, 5, "a\0b\xE9\x1A"s));
  EXPECT_EQ(ReadAll(path).substr(preamble), "1,5,a\0b\xE9\x1A\r\n"s);
}

TEST_F(RunLogFileTest, RowsWaitWhileFileIsLockedAndFollowInOrder) {
  const std::wstring path = PathOf(L"locked.csv");
  ASSERT_TRUE(Begin(path, L"Q?", L"h"));
  const size_t preamble = ReadAll(path).size();
  ASSERT_TRUE(AppendRow(1, 0, "1.0"));
  test::ExclusiveFileLock lock(path);
  ASSERT_TRUE(lock.Held());

  EXPECT_FALSE(AppendRow(2, 100, "2.0"));
  EXPECT_FALSE(AppendRow(3, 200, "3.0"));
  EXPECT_EQ(log_.WaitingRows(), 2u);
  EXPECT_FALSE(log_.Flush());

  lock.Release();
  EXPECT_TRUE(AppendRow(4, 300, "4.0"));
  EXPECT_EQ(log_.WaitingRows(), 0u);
  EXPECT_EQ(log_.DroppedRows(), 0u);
  EXPECT_EQ(ReadAll(path).substr(preamble), "1,0,1.0\r\n2,100,2.0\r\n3,200,3.0\r\n4,300,4.0\r\n");
}

TEST_F(RunLogFileTest, FlushWritesWaitingRowsOnceFileIsFree) {
  const std::wstring path = PathOf(L"flush.csv");
  ASSERT_TRUE(Begin(path, L"Q?", L"h"));
  const size_t preamble = ReadAll(path).size();
  test::ExclusiveFileLock lock(path);
  ASSERT_TRUE(lock.Held());
  EXPECT_FALSE(AppendRow(1, 0, "x"));
  lock.Release();

  EXPECT_TRUE(log_.Flush());
  EXPECT_EQ(log_.WaitingRows(), 0u);
  EXPECT_EQ(ReadAll(path).substr(preamble), "1,0,x\r\n");
}

TEST_F(RunLogFileTest, MissingFolderFailsAndCreatesNothing) {
  const std::wstring path = PathOf(L"no such folder\\run.csv");
  EXPECT_FALSE(Begin(path, L"Q?", L"h"));
  EXPECT_EQ(GetFileAttributesW(PathOf(L"no such folder").c_str()), INVALID_FILE_ATTRIBUTES);
}

// Saved whole beside the log, the preamble first; a recovery file left half written is removed.
TEST_F(RunLogFileTest, RowsGivenUpOnAreSavedBesideTheLog) {
  const std::wstring path = PathOf(L"kept.csv");
  ASSERT_TRUE(Begin(path, L"Q?", L"h"));
  const std::string preamble = ReadAll(path);
  test::ExclusiveFileLock lock(path);
  ASSERT_TRUE(lock.Held());
  EXPECT_FALSE(AppendRow(1, 0, "x"));
  EXPECT_FALSE(AppendRow(2, 100, "y"));
  const std::vector<SavedFile> saved = log_.SaveWaiting({2026, 12, 7, 9, 30, 15, 0});
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0].savedTo, PathOf(L"kept.unsaved-20261207-093015.csv"));
  EXPECT_EQ(ReadAll(saved[0].savedTo), preamble + "1,0,x\r\n2,100,y\r\n");
}

TEST_F(RunLogFileTest, NonAsciiPathInTheAnsiCodePageWorks) {
  if (GetACP() != 1252) GTEST_SKIP() << "needs ANSI code page 1252, have " << GetACP();
  const std::wstring path = PathOf(L"caf\u00e9.csv");
  ASSERT_TRUE(Begin(path, L"Q?", L"h"));
  const size_t preamble = ReadAll(path).size();
  ASSERT_TRUE(AppendRow(1, 0, "ok"));
  EXPECT_EQ(ReadAll(path).substr(preamble), "1,0,ok\r\n");
}

// The thread locale decides the ANSI code page the text conversions use.
class ThreadLocaleScope {
 public:
  explicit ThreadLocaleScope(LCID locale) : saved_(GetThreadLocale()) { SetThreadLocale(locale); }
  ~ThreadLocaleScope() { SetThreadLocale(saved_); }
  ThreadLocaleScope(const ThreadLocaleScope&) = delete;
  ThreadLocaleScope& operator=(const ThreadLocaleScope&) = delete;

 private:
  LCID saved_;
};

TEST_F(RunLogFileTest, NonAsciiCommandAndHeaderAreWrittenInTheAnsiCodePage) {
  ThreadLocaleScope english(MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT));
  const std::wstring path = PathOf(L"ansi.csv");
  ASSERT_TRUE(Begin(path, L"T\u00e9mp? \u20ac", L"\u00b0C,\u20ac"));
  const std::string content = ReadAll(path);
  EXPECT_NE(content.find("\r\nQuery used,\"T\xE9mp? \x80\"\r\nPoint,Time(ms),\xB0" "C,\x80\r\n"), std::string::npos)
      << content;
}

}  // namespace
}  // namespace velmar
