#include "chart/log_loader.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace velmar {

struct LogLoader::Job {
  std::atomic<bool> cancelled{false};
  std::atomic<uint64_t> done{0};
  std::atomic<uint64_t> total{0};
  std::mutex mutex;
  std::condition_variable ended;
  bool finished = false;
  std::optional<Result> result;
  std::function<void()> notify;  // cleared once nobody listens any more
  std::thread thread;
};

namespace {

// Streams [begin, end) of the source through a line splitter; false when a read fails or the
// job is cancelled.
template <class OnLine>
bool ReadLines(ChunkSource& source, uint64_t begin, uint64_t end, LogLoader::Job& job, OnLine&& onLine) {
  std::vector<char> buffer(LogLoader::kChunkBytes);
  LineSplitter lines(begin);
  job.total = end - begin;
  for (uint64_t at = begin; at < end;) {
    if (job.cancelled) return false;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer.size(), end - at));
    const std::optional<size_t> got = source.Read(at, std::span<char>(buffer.data(), want));
    if (!got) return false;
    if (*got == 0) break;  // cut short since it was opened
    lines.Feed(std::string_view(buffer.data(), *got), onLine);
    at += *got;
    job.done = at - begin;
  }
  return !job.cancelled;
}

}  // namespace

LogLoader::LogLoader(std::function<void()> notify, std::function<void()> workerStarts)
    : notify_(std::move(notify)), workerStarts_(std::move(workerStarts)) {}

LogLoader::~LogLoader() { Stop(std::chrono::milliseconds(2000)); }

void LogLoader::Scan(std::unique_ptr<ChunkSource> source) {
  std::shared_ptr<ChunkSource> file(std::move(source));
  Start([file](Job& job) {
    LogRunIndex index;
    const bool read = ReadLines(*file, 0, file->Size(), job, [&](std::string_view line, uint64_t offset, uint64_t next) {
      index.OnLine(line, offset, next);
    });
    Result result;
    if (read) {
      result.kind = Result::Kind::Scanned;
      result.runs = index.Take();
    }
    return result;
  });
}

void LogLoader::Build(std::unique_ptr<ChunkSource> source, const LogRun& run, std::vector<std::wstring> titles,
                      size_t budgetBytes) {
  std::shared_ptr<ChunkSource> file(std::move(source));
  Start([file, run, titles = std::move(titles), budgetBytes](Job& job) mutable {
    auto chart = std::make_unique<ChartRun>(budgetBytes);
    const LocalDateTime started = run.started.value_or(LocalDateTime{});
    chart->Start(std::move(titles), started);
    const uint64_t end = std::min(run.end, file->Size());
    const bool read = ReadLines(*file, run.begin, end, job, [&](std::string_view line, uint64_t, uint64_t) {
      OnRowLine(line, [&](const LogRow& row) {
        chart->AddRow(row.elapsedMs, AddMilliseconds(started, row.elapsedMs), row.reply);
      });
    });
    Result result;
    if (read) {
      result.kind = Result::Kind::Built;
      result.chart = std::move(chart);
    }
    return result;
  });
}

void LogLoader::Start(std::function<Result(Job&)> work) {
  Stop(std::chrono::milliseconds(2000));
  auto job = std::make_shared<Job>();
  job->notify = notify_;
  job->thread = std::thread([job, work = std::move(work), starts = workerStarts_] {
    if (starts) starts();
    Result result = work(*job);
    std::function<void()> notify;
    {
      std::lock_guard lock(job->mutex);
      if (!job->cancelled) job->result = std::move(result);
      job->finished = true;
      notify = job->cancelled ? nullptr : job->notify;
    }
    job->ended.notify_all();
    if (notify) notify();
  });
  job_ = std::move(job);
}

void LogLoader::Cancel() {
  if (!job_) return;
  std::lock_guard lock(job_->mutex);
  job_->cancelled = true;
  job_->result.reset();
}

bool LogLoader::Busy() const {
  if (!job_) return false;
  std::lock_guard lock(job_->mutex);
  return !job_->cancelled && (!job_->finished || job_->result.has_value());
}

int LogLoader::Percent() const {
  if (!job_) return 0;
  const uint64_t total = job_->total;
  return total == 0 ? 0 : static_cast<int>(job_->done * 100 / total);
}

std::optional<LogLoader::Result> LogLoader::Take() {
  if (!job_) return std::nullopt;
  std::lock_guard lock(job_->mutex);
  std::optional<Result> result = std::move(job_->result);
  job_->result.reset();
  return result;
}

void LogLoader::Stop(std::chrono::milliseconds bound) {
  if (!job_) return;
  std::shared_ptr<Job> job = std::move(job_);
  bool finished = false;
  {
    std::unique_lock lock(job->mutex);
    job->cancelled = true;
    job->notify = nullptr;
    finished = job->ended.wait_for(lock, bound, [&] { return job->finished; });
  }
  if (finished) {
    job->thread.join();
  } else {
    job->thread.detach();
  }
}

}  // namespace velmar
