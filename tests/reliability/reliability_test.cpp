#include <gtest/gtest.h>

#include <cstdio>

#include "res/resource.h"
#include "tests/e2e/logger_fixture_win.h"
#include "tests/support/file_lock_win.h"
#include "tests/reliability/fault_tally_win.h"

namespace velmar::test {
namespace {

constexpr wchar_t kQuery[] = L"tec:t?;r?;err?";

std::string WithoutLineEnds(const std::string& bytes) {
  std::string out;
  for (char c : bytes) {
    if (c != '\r' && c != '\n') out.push_back(c);
  }
  return out;
}

class Reliability : public LoggerTest {
 protected:
  void StartSimulated(const std::string& simOptions = "") {
    ASSERT_TRUE(sim_.Start(kSimPort, simOptions));
    ASSERT_TRUE(Launch());
  }

  // Rows numbered 1, 2, 3 ... in one run, and every byte the instrument sent present, in
  // order, with nothing added: the replies joined equal the line's bytes without CR and LF.
  void ExpectNothingLost(const std::wstring& log) {
    const auto lines = ReadLines(log);
    const auto rows = DataRowsOf(lines);
    ASSERT_FALSE(rows.empty());
    std::string joined;
    for (size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ(rows[i].point, static_cast<int>(i + 1));
      joined += rows[i].reply;
    }
    const std::string sent = WithoutLineEnds(sim_.Sent());
    EXPECT_EQ(sent.substr(0, joined.size()), joined);
    CountCheckedRows(rows.size());
  }

  void RunThroughFault(const std::wstring& log, size_t rows, const std::wstring& command = kQuery,
                       const std::wstring& baud = L"115200") {
    Configure(log, command, L"100", baud);
    ASSERT_TRUE(StartRun());
    ASSERT_TRUE(WaitDataRows(log, rows, Millis(30000)));
    EXPECT_TRUE(Responsive());
    ASSERT_TRUE(StopRun());
  }
};

TEST_F(Reliability, SilentInstrument) {
  StartSimulated("--silent");
  const std::wstring log = LogPath(L"silent.csv");
  RunThroughFault(log, 3);
  for (const Row& row : DataRowsOf(ReadLines(log))) EXPECT_EQ(row.reply, "");
  ExpectNothingLost(log);
}

TEST_F(Reliability, SlowInstrument) {
  StartSimulated("--delay 400");
  const std::wstring log = LogPath(L"slow.csv");
  RunThroughFault(log, 5);
  for (const Row& row : DataRowsOf(ReadLines(log))) EXPECT_EQ(std::count(row.reply.begin(), row.reply.end(), ','), 2);
  ExpectNothingLost(log);
}

TEST_F(Reliability, GarbageBytesInReplies) {
  StartSimulated("--garbage");
  const std::wstring log = LogPath(L"garbage.csv");
  RunThroughFault(log, 6);
  ExpectNothingLost(log);
}

TEST_F(Reliability, NulBytesInReplies) {
  StartSimulated("--nul");
  const std::wstring log = LogPath(L"nul-bytes.csv");
  RunThroughFault(log, 6);
  for (const Row& row : DataRowsOf(ReadLines(log))) EXPECT_NE(row.reply.find('\0'), std::string::npos);
  ExpectNothingLost(log);
}

TEST_F(Reliability, RepliesWithoutCarriageReturn) {
  StartSimulated("--no-cr");
  const std::wstring log = LogPath(L"no-cr.csv");
  RunThroughFault(log, 3);
  ExpectNothingLost(log);
}

TEST_F(Reliability, RepliesLongerThanTheOneSecondWindow) {
  StartSimulated("--long");
  const std::wstring log = LogPath(L"long.csv");
  RunThroughFault(log, 3, kQuery, L"9600");
  ExpectNothingLost(log);
}

TEST_F(Reliability, InstrumentUnpluggedAndReplugged) {
  StartSimulated();
  const std::wstring log = LogPath(L"replug.csv");
  Configure(log, kQuery);
  ASSERT_TRUE(StartRun());
  ASSERT_TRUE(WaitDataRows(log, 3));
  ASSERT_TRUE(sim_.Ok("unplug"));
  ASSERT_TRUE(WaitStatus(L"COM12 lost, reconnecting..."));
  ASSERT_TRUE(WaitDataRows(log, CountDataRows(log) + 2));
  EXPECT_TRUE(Responsive());
  ASSERT_TRUE(sim_.Ok("replug"));
  ASSERT_TRUE(driver::WaitFor([&] { return !DataRowsOf(ReadLines(log)).back().reply.empty(); }, Millis(10000)));
  ASSERT_TRUE(StopRun());
  const auto rows = DataRowsOf(ReadLines(log));
  for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].point, static_cast<int>(i + 1));
  CountCheckedRows(rows.size());
}

TEST_F(Reliability, LogFileHeldExclusivelyThenReleased) {
  StartSimulated();
  const std::wstring log = LogPath(L"held.csv");
  Configure(log, kQuery);
  ASSERT_TRUE(StartRun());
  ASSERT_TRUE(WaitDataRows(log, 2));
  ExclusiveFileLock held(log);
  ASSERT_TRUE(held.Held());
  ASSERT_TRUE(WaitStatus(L"Error writing to data file."));
  const int queries = WaitMorePolls(3);
  EXPECT_TRUE(Responsive());
  held.Release();
  ASSERT_TRUE(WaitDataRows(log, static_cast<size_t>(queries + 5)));
  ASSERT_TRUE(StopRun());
  ExpectNothingLost(log);
}

TEST_F(Reliability, LogFolderRemovedThenRestored) {
  StartSimulated();
  const std::wstring folder = LogPath(L"sub");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring log = folder + L"\\gone.csv";
  Configure(log, kQuery);
  ASSERT_TRUE(StartRun());
  ASSERT_TRUE(WaitDataRows(log, 2));
  // The share goes with everything on it, the run's events file too.
  const std::wstring events = folder + L"\\gone.events.csv";
  ASSERT_TRUE(driver::WaitFor([&] {
    DeleteFileW(events.c_str());
    return DeleteFileW(log.c_str()) && RemoveDirectoryW(folder.c_str());
  }, Millis(5000)));
  ASSERT_TRUE(WaitStatus(L"Error writing to data file."));
  const int queries = WaitMorePolls(3);
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(WaitDataRows(log, 4));
  ASSERT_TRUE(StopRun());
  // The preamble went with the folder; the rows kept in memory follow on without a gap.
  const auto rows = DataRowsOf(ReadLines(log));
  ASSERT_FALSE(rows.empty());
  for (size_t i = 1; i < rows.size(); ++i) EXPECT_EQ(rows[i].point, rows[i - 1].point + 1);
  EXPECT_LE(rows.front().point, queries + 1);
  CountCheckedRows(rows.size());
}

TEST_F(Reliability, LogPathInAFolderThatDoesNotExist) {
  StartSimulated();
  Configure(LogPath(L"nowhere\\x.csv"), kQuery, L"100", L"1200");
  Dialog().Click(IDOK);
  ExpectMessage(L"Cannot open output file, aborting!");
  const std::wstring log = LogPath(L"somewhere.csv");
  Dialog().SetText(IDC_LOGFILE, log);
  ASSERT_TRUE(RunForRows(log, 2));
  ExpectNothingLost(log);
}

TEST_F(Reliability, LogPathWithNonAsciiCharacters) {
  StartSimulated();
  const std::wstring folder = LogPath(L"donn\u00e9es");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring log = folder + L"\\mesure-\u00b5.csv";
  RunThroughFault(log, 3);
  EXPECT_EQ(ReadLines(log).size(), CountDataRows(log) + 3);
  ExpectNothingLost(log);
}

TEST_F(Reliability, SettingsOfWrongTypesAndSizes) {
  const BYTE junk[7] = {0xFF, 0xFE, 0x41, 0x00, 0x42, 0x00, 0x43};
  for (const wchar_t* name : {L"COMPort", L"BaudRate", L"Interval", L"Command", L"Filename", L"Header"}) {
    StoreSetting(name, REG_BINARY, junk, sizeof(junk));
  }
  StartSimulated();
  EXPECT_EQ(Dialog().ComboSelectionText(IDC_PORT), L"<Auto>");
  EXPECT_EQ(Dialog().Text(IDC_INTERVAL), L"1000");
  EXPECT_EQ(Dialog().Text(IDC_COMMAND), L"\xFEFF" L"AB");
  const std::wstring log = LogPath(L"after-junk.csv");
  RunThroughFault(log, 2);
  ExpectNothingLost(log);
}

}  // namespace
}  // namespace velmar::test
