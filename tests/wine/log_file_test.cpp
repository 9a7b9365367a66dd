#include "logfile/log_file_win.h"
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

class LogFileWriterTest : public testing::Test {
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

  std::wstring folder_;
  LogFileWriter writer_;
};

constexpr char kDatePattern[] =
    "(Sunday|Monday|Tuesday|Wednesday|Thursday|Friday|Saturday), "
    "(January|February|March|April|May|June|July|August|September|October|November|December) "
    "\\d{2}, \\d{4} ([01]\\d|2[0-3]):[0-5]\\d:[0-5]\\d";

TEST_F(LogFileWriterTest, PreambleCreatesFileWithThreeCrLfLines) {
  const std::wstring path = PathOf(L"run.csv");
  const std::string before = LogFileWriter::LocalDateTimeText();
  ASSERT_TRUE(writer_.WritePreamble(path, L"MEAS:CURR?;MEAS:TEMP?", L"Current,Temp"));
  const std::string after = LogFileWriter::LocalDateTimeText();

  const std::string content = ReadAll(path);
  std::smatch match;
  ASSERT_TRUE(std::regex_match(content, match,
                               std::regex("Test started,\"("s + kDatePattern + ")\"\r\n"
                                          "Query used,\"MEAS:CURR\\?;MEAS:TEMP\\?\"\r\n"
                                          "Point,Time\\(ms\\),Current,Temp\r\n")))
      << content;
  EXPECT_TRUE(match[1] == before || match[1] == after) << match[1];
}

TEST_F(LogFileWriterTest, PreambleKeepsCommandQuotesAndEmptyHeaderAsGiven) {
  const std::wstring path = PathOf(L"quotes.csv");
  ASSERT_TRUE(writer_.WritePreamble(path, L"SAY \"hi\"", L""));
  const std::string content = ReadAll(path);
  EXPECT_NE(content.find("\r\nQuery used,\"SAY \"hi\"\"\r\nPoint,Time(ms),\r\n"), std::string::npos) << content;
}

TEST_F(LogFileWriterTest, SecondPreambleAppendsAfterExistingContent) {
  const std::wstring path = PathOf(L"twice.csv");
  WriteAll(path, "earlier run\r\n1,0,9.9\r\n");
  ASSERT_TRUE(writer_.WritePreamble(path, L"A?", L"a"));
  ASSERT_TRUE(writer_.WritePreamble(path, L"B?", L"b"));

  const std::string stamp = "Test started,\"[^\"]*\"\r\n";
  EXPECT_TRUE(std::regex_match(ReadAll(path),
                               std::regex("earlier run\r\n1,0,9\\.9\r\n" + stamp +
                                          "Query used,\"A\\?\"\r\nPoint,Time\\(ms\\),a\r\n" + stamp +
                                          "Query used,\"B\\?\"\r\nPoint,Time\\(ms\\),b\r\n")))
      << ReadAll(path);
}

TEST_F(LogFileWriterTest, AppendRowWritesOneCrLfRow) {
  const std::wstring path = PathOf(L"row.csv");
  ASSERT_TRUE(writer_.AppendRow(path, 1, 0, "1.23"));
  ASSERT_TRUE(writer_.AppendRow(path, 2, 250, ""));
  EXPECT_EQ(ReadAll(path), "1,0,1.23\r\n2,250,\r\n");
  EXPECT_EQ(writer_.PendingCount(), 0u);
}

TEST_F(LogFileWriterTest, ReplyBytesReachTheFileWhole) {
  const std::wstring path = PathOf(L"bytes.csv");
  ASSERT_TRUE(writer_.AppendRow(path, 1, 5, "a\0b\xE9\x1A"s));
  EXPECT_EQ(ReadAll(path), "1,5,a\0b\xE9\x1A\r\n"s);
}

TEST_F(LogFileWriterTest, RowsWaitWhileFileIsLockedAndFollowInOrder) {
  const std::wstring path = PathOf(L"locked.csv");
  ASSERT_TRUE(writer_.AppendRow(path, 1, 0, "1.0"));
  test::ExclusiveFileLock lock(path);
  ASSERT_TRUE(lock.Held());

  EXPECT_FALSE(writer_.AppendRow(path, 2, 100, "2.0"));
  EXPECT_FALSE(writer_.AppendRow(path, 3, 200, "3.0"));
  EXPECT_EQ(writer_.PendingCount(), 2u);
  EXPECT_FALSE(writer_.FlushPending(path));

  lock.Release();
  EXPECT_TRUE(writer_.AppendRow(path, 4, 300, "4.0"));
  EXPECT_EQ(writer_.PendingCount(), 0u);
  EXPECT_EQ(writer_.DroppedCount(), 0u);
  EXPECT_EQ(ReadAll(path), "1,0,1.0\r\n2,100,2.0\r\n3,200,3.0\r\n4,300,4.0\r\n");
}

TEST_F(LogFileWriterTest, FlushPendingWritesWaitingRowsOnceFileIsFree) {
  const std::wstring path = PathOf(L"flush.csv");
  test::ExclusiveFileLock lock(path);
  ASSERT_TRUE(lock.Held());
  EXPECT_FALSE(writer_.AppendRow(path, 1, 0, "x"));
  lock.Release();

  EXPECT_TRUE(writer_.FlushPending(path));
  EXPECT_EQ(writer_.PendingCount(), 0u);
  EXPECT_EQ(ReadAll(path), "1,0,x\r\n");
}

TEST_F(LogFileWriterTest, PreambleLeavesEarlierRunsPendingRowsAlone) {
  const std::wstring path = PathOf(L"first.csv");
  test::ExclusiveFileLock lock(path);
  ASSERT_TRUE(lock.Held());
  EXPECT_FALSE(writer_.AppendRow(path, 1, 0, "x"));

  ASSERT_TRUE(writer_.WritePreamble(PathOf(L"second.csv"), L"Q?", L"h"));
  EXPECT_EQ(writer_.PendingCount(), 1u);
  EXPECT_EQ(ReadAll(PathOf(L"second.csv")).find("1,0,x"), std::string::npos);

  writer_.DiscardPending();
  EXPECT_EQ(writer_.PendingCount(), 0u);
}

TEST_F(LogFileWriterTest, MissingFolderFailsAndCreatesNothing) {
  const std::wstring path = PathOf(L"no such folder\\run.csv");
  EXPECT_FALSE(writer_.WritePreamble(path, L"Q?", L"h"));
  EXPECT_FALSE(writer_.AppendRow(path, 1, 0, "x"));
  EXPECT_EQ(writer_.PendingCount(), 1u);
  EXPECT_EQ(GetFileAttributesW(PathOf(L"no such folder").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(LogFileWriterTest, NonAsciiPathInTheAnsiCodePageWorks) {
  if (GetACP() != 1252) GTEST_SKIP() << "needs ANSI code page 1252, have " << GetACP();
  const std::wstring path = PathOf(L"caf\u00e9.csv");
  ASSERT_TRUE(writer_.AppendRow(path, 1, 0, "ok"));
  EXPECT_EQ(ReadAll(path), "1,0,ok\r\n");
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

TEST_F(LogFileWriterTest, NonAsciiCommandAndHeaderAreWrittenInTheAnsiCodePage) {
  ThreadLocaleScope english(MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT));
  const std::wstring path = PathOf(L"ansi.csv");
  ASSERT_TRUE(writer_.WritePreamble(path, L"T\u00e9mp? \u20ac", L"\u00b0C,\u20ac"));
  const std::string content = ReadAll(path);
  EXPECT_NE(content.find("\r\nQuery used,\"T\xE9mp? \x80\"\r\nPoint,Time(ms),\xB0" "C,\x80\r\n"), std::string::npos)
      << content;
}

}  // namespace
}  // namespace velmar
