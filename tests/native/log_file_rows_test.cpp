#include <gtest/gtest.h>

#include <string>

#include "logfile/log_file_names.h"
#include "logfile/whole_append.h"

namespace velmar {
namespace {

// A file that takes only so many more bytes, as a full disk would, keeping what fitted.
class FillingFile final : public AppendTarget {
 public:
  std::string content;
  size_t room = 1000;
  bool sizeKnown = true;

  std::optional<uint64_t> Size() override {
    if (!sizeKnown) return std::nullopt;
    return content.size();
  }
  bool Append(std::string_view bytes) override {
    const size_t fits = std::min(room, bytes.size());
    content.append(bytes.substr(0, fits));
    room -= fits;
    return fits == bytes.size();
  }
  bool TruncateTo(uint64_t size) override {
    content.resize(size);
    return true;
  }
};

TEST(LogFileRows, ARowIsInTheFileWholeOrNotAtAll) {
  FillingFile file;
  file.content = "1,0,a\r\n";
  file.room = 10;
  EXPECT_TRUE(AppendWhole(file, "2,100,b\r\n"));
  EXPECT_FALSE(AppendWhole(file, "3,200,c\r\n"));
  EXPECT_EQ(file.content, "1,0,a\r\n2,100,b\r\n");

  // Room again: the row that waited goes in once, with no fragment before it.
  file.room = 100;
  EXPECT_TRUE(AppendWhole(file, "3,200,c\r\n"));
  EXPECT_EQ(file.content, "1,0,a\r\n2,100,b\r\n3,200,c\r\n");
}

TEST(LogFileRows, AFileOfUnknownLengthIsNotWritten) {
  FillingFile file;
  file.sizeKnown = false;
  EXPECT_FALSE(AppendWhole(file, "1,0,a\r\n"));
  EXPECT_EQ(file.content, "");
}

TEST(LogFileRows, LineEndsAreWrittenAsATextStreamWould) {
  EXPECT_EQ(WithCrLf("1,0,a\n2,5,\n"), "1,0,a\r\n2,5,\r\n");
  EXPECT_EQ(WithCrLf(std::string("a\0b\r", 4)), std::string("a\0b\r", 4));
}

TEST(LogFileRows, TheRecoveryFileIsNamedAfterTheLogAndTheTime) {
  const LocalDateTime at{2026, 12, 7, 9, 30, 15, 250};
  EXPECT_EQ(RecoveryPathBeside(L"C:\\lab\\run.csv", at), L"C:\\lab\\run.unsaved-20261207-093015.csv");
  EXPECT_EQ(RecoveryPathBeside(L"C:\\lab.v2\\run", at), L"C:\\lab.v2\\run.unsaved-20261207-093015");
  EXPECT_EQ(RecoveryPathBeside(L"run.tar.csv", at), L"run.tar.unsaved-20261207-093015.csv");
  EXPECT_EQ(RecoveryPathIn(L"C:\\Temp\\", L"D:\\data\\run.csv", at), L"C:\\Temp\\run.unsaved-20261207-093015.csv");
}

}  // namespace
}  // namespace velmar
