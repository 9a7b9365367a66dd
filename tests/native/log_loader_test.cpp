#include "chart/log_loader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>

namespace velmar {
namespace {

using namespace std::chrono_literals;

// A file in memory that may grow or shrink after it was opened; it claims its size at the open.
class MemoryFile final : public ChunkSource {
 public:
  explicit MemoryFile(std::shared_ptr<std::string> data, std::function<void()> onRead = {})
      : data_(std::move(data)), size_(data_->size()), onRead_(std::move(onRead)) {}
  uint64_t Size() const override { return size_; }
  std::optional<size_t> Read(uint64_t offset, std::span<char> buffer) override {
    if (onRead_) onRead_();
    if (offset >= data_->size()) return 0;
    const size_t count = std::min<size_t>(buffer.size(), data_->size() - offset);
    std::memcpy(buffer.data(), data_->data() + offset, count);
    return count;
  }

 private:
  std::shared_ptr<std::string> data_;
  uint64_t size_;
  std::function<void()> onRead_;
};

// A terabyte of rows on a share that stops answering after the first chunk: the next read waits,
// cancelled or not, until the share is `Answer`ed; from then on every read answers at once.
class StalledShare final : public ChunkSource {
 public:
  struct State {
    std::mutex mutex;
    std::condition_variable changed;
    int reads = 0;
    bool answering = false;
    bool cancelAsked = false;
    bool released = false;

    void Answer() {
      std::lock_guard lock(mutex);
      answering = true;
      changed.notify_all();
    }
  };

  explicit StalledShare(std::shared_ptr<State> state) : state_(std::move(state)) {}
  ~StalledShare() override {
    std::lock_guard lock(state_->mutex);
    state_->released = true;
  }
  uint64_t Size() const override { return uint64_t{1} << 40; }
  std::optional<size_t> Read(uint64_t, std::span<char> buffer) override {
    std::unique_lock lock(state_->mutex);
    if (++state_->reads > 1) {
      state_->changed.notify_all();
      state_->changed.wait(lock, [&] { return state_->answering; });
    }
    static constexpr std::string_view kRow = "1,0,5,-2\r\n";
    for (size_t at = 0; at < buffer.size(); at += kRow.size()) {
      std::memcpy(buffer.data() + at, kRow.data(), std::min(kRow.size(), buffer.size() - at));
    }
    return buffer.size();
  }
  void Cancel() override {
    std::lock_guard lock(state_->mutex);
    state_->cancelAsked = true;
  }

 private:
  std::shared_ptr<State> state_;
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

// The window's thread never waits for a read, not even one that ignores its cancel; the new read
// begins once the one given up on has let go of its buffer and store, which it does at its next
// chunk (here the share never ends, so only the loader's own check ends it).
TEST_F(LogLoaderTest, ANewReadDoesNotWaitForAStalledOneAndBeginsWhenItHasLetGo) {
  auto stalled = std::make_shared<StalledShare::State>();
  loader_.Scan(std::make_unique<StalledShare>(stalled));
  {
    std::unique_lock lock(stalled->mutex);
    ASSERT_TRUE(stalled->changed.wait_for(lock, 10s, [&] { return stalled->reads > 1; }));
  }
  std::optional<bool> letGoFirst;
  auto data = std::make_shared<std::string>(LogText("Monday, December 07, 2026 06:12:25", 10));
  auto next = std::make_unique<MemoryFile>(data, [&] {
    std::lock_guard lock(stalled->mutex);
    if (!letGoFirst) letGoFirst = stalled->released;
  });
  const auto before = std::chrono::steady_clock::now();
  loader_.Scan(std::move(next));
  // A bound on a hang, far below the wait it replaces.
  EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);
  {
    std::lock_guard lock(stalled->mutex);
    EXPECT_TRUE(stalled->cancelAsked);
  }
  stalled->Answer();
  const LogLoader::Result scanned = Wait();
  ASSERT_EQ(scanned.kind, LogLoader::Result::Kind::Scanned);
  EXPECT_EQ(scanned.runs.size(), 1u);
  EXPECT_EQ(letGoFirst, true);
}

}  // namespace
}  // namespace velmar
