#include "chart/log_loader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>

namespace velmar {
namespace {

using namespace std::chrono_literals;

// A file in memory that may grow or shrink after it was opened; it claims its size at the open.
class MemoryFile final : public ChunkSource {
 public:
  explicit MemoryFile(std::shared_ptr<std::string> data) : data_(std::move(data)), size_(data_->size()) {}
  uint64_t Size() const override { return size_; }
  std::optional<size_t> Read(uint64_t offset, std::span<char> buffer) override {
    if (offset >= data_->size()) return 0;
    const size_t count = std::min<size_t>(buffer.size(), data_->size() - offset);
    std::memcpy(buffer.data(), data_->data() + offset, count);
    return count;
  }

 private:
  std::shared_ptr<std::string> data_;
  uint64_t size_;
};

class LogLoaderTest : public testing::Test {
 protected:
  LogLoader::Result Wait() {
    std::unique_lock lock(mutex_);
    EXPECT_TRUE(ended_.wait_for(lock, 10s, [&] { return notices_ > 0; }));
    notices_ = 0;
    lock.unlock();
    std::optional<LogLoader::Result> result = loader_.Take();
    EXPECT_TRUE(result);
    return result ? std::move(*result) : LogLoader::Result{};
  }

  std::mutex mutex_;
  std::condition_variable ended_;
  int notices_ = 0;
  LogLoader loader_{[this] {
    std::lock_guard lock(mutex_);
    ++notices_;
    ended_.notify_all();
  }};
};

std::string LogText(const std::string& stamp, int rows) {
  std::string text = "Test started,\"" + stamp + "\"\r\nQuery used,\"a?\"\r\nPoint,Time(ms),A,B\r\n";
  for (int i = 1; i <= rows; ++i) text += std::to_string(i) + "," + std::to_string((i - 1) * 100) + ",5,-2\r\n";
  return text;
}

// A run goes on writing while its file is read: what was there at the open is read, no more,
// and the row being written at the open is left out.
TEST_F(LogLoaderTest, AFileStillBeingWrittenIsReadAsItWasAtTheOpen) {
  auto data = std::make_shared<std::string>(LogText("Monday, December 07, 2026 06:12:25", 3) +
                                            LogText("Monday, December 07, 2026 07:00:00", 200'000) + "200001,2000");
  auto source = std::make_unique<MemoryFile>(data);
  *data += "0000,5,-2\r\n" + LogText("Monday, December 07, 2026 08:00:00", 5);
  loader_.Scan(std::move(source));
  LogLoader::Result scanned = Wait();
  ASSERT_EQ(scanned.kind, LogLoader::Result::Kind::Scanned);
  ASSERT_EQ(scanned.runs.size(), 2u);
  EXPECT_EQ(scanned.runs[1].rows, 200'000u);
  EXPECT_EQ(scanned.runs[1].lastMs, 199'999 * 100);

  loader_.Build(std::make_unique<MemoryFile>(data), scanned.runs[1], {L"A", L"B"});
  // The run's end was found at the open; the rows written since are not followed.
  LogLoader::Result built = Wait();
  ASSERT_EQ(built.kind, LogLoader::Result::Kind::Built);
  EXPECT_EQ(built.chart->Store().RowCount(), 200'000u);
  EXPECT_EQ(built.chart->Lanes().size(), 2u);
  EXPECT_EQ(built.chart->StartTime().hour, 7);
}

TEST_F(LogLoaderTest, AFileCutShortAfterTheOpenEndsWhereItEnds) {
  auto data = std::make_shared<std::string>(LogText("Monday, December 07, 2026 06:12:25", 10));
  loader_.Scan(std::make_unique<MemoryFile>(data));
  LogLoader::Result scanned = Wait();
  ASSERT_EQ(scanned.runs.size(), 1u);
  auto source = std::make_unique<MemoryFile>(data);
  data->resize(data->find("6,500"));
  loader_.Build(std::move(source), scanned.runs[0], {});
  const LogLoader::Result built = Wait();
  ASSERT_EQ(built.kind, LogLoader::Result::Kind::Built);
  EXPECT_EQ(built.chart->Store().RowCount(), 5u);
}

TEST_F(LogLoaderTest, ACancelledReadGivesNothingAndStopIsBounded) {
  auto data = std::make_shared<std::string>(LogText("Monday, December 07, 2026 06:12:25", 300'000));
  loader_.Scan(std::make_unique<MemoryFile>(data));
  loader_.Cancel();
  EXPECT_FALSE(loader_.Busy());
  loader_.Stop(2s);
  EXPECT_FALSE(loader_.Take());
}

}  // namespace
}  // namespace velmar
