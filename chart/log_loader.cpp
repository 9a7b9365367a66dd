#include "chart/log_loader.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace velmar {

// Held by the one worker that may have a buffer and a store; a worker that replaced another
// waits for it here, a cancelled one gives up waiting.
struct LogLoader::MemorySlot {
  std::mutex mutex;
  std::condition_variable freed;
  bool taken = false;
};

struct LogLoader::Job {
  std::atomic<bool> cancelled{false};
  std::atomic<uint64_t> done{0};
  std::atomic<uint64_t> total{0};
  std::mutex mutex;
  std::condition_variable ended;
  bool finished = false;
  std::optional<Result> result;
  std::function<void()> notify;         // cleared once nobody listens any more
  std::shared_ptr<ChunkSource> source;  // to cancel a read that waits; dropped when the work ends
  std::thread thread;
};

namespace {

// Streams [begin, end) of the source through a line splitter; false when a read fails or the
// job is cancelled. A chunk that arrives after the cancel is not looked at.
template <class OnLine>
bool ReadLines(ChunkSource& source, uint64_t begin, uint64_t end, LogLoader::Job& job, OnLine&& onLine) {
  std::vector<char> buffer(LogLoader::kChunkBytes);
  LineSplitter lines(begin);
  job.total = end - begin;
  for (uint64_t at = begin; at < end;) {
    if (job.cancelled) return false;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer.size(), end - at));
    const std::optional<size_t> got = source.Read(at, std::span<char>(buffer.data(), want));
    if (!got || job.cancelled) return false;
    if (*got == 0) break;  // cut short since it was opened
    lines.Feed(std::string_view(buffer.data(), *got), onLine);
    at += *got;
    job.done = at - begin;
  }
  return !job.cancelled;
}

// Never waits: the worker finds out at its next chunk, or its waiting read gives up.
void CancelJob(LogLoader::Job& job, LogLoader::MemorySlot& slot) {
  std::shared_ptr<ChunkSource> source;
  {
    std::lock_guard lock(job.mutex);
    job.cancelled = true;
    job.notify = nullptr;
    job.result.reset();
    source = job.source;
  }
  if (source) source->Cancel();
  { const std::lock_guard lock(slot.mutex); }
  slot.freed.notify_all();
}

}  // namespace

LogLoader::LogLoader(std::function<void()> notify, std::function<void()> workerStarts)
    : notify_(std::move(notify)), workerStarts_(std::move(workerStarts)), slot_(std::make_shared<MemorySlot>()) {}

LogLoader::~LogLoader() { Stop(std::chrono::milliseconds(2000)); }

void LogLoader::Scan(std::unique_ptr<ChunkSource> source) {
  Start(std::move(source), [](Job& job, ChunkSource& file) {
    LogRunIndex index;
    const bool read = ReadLines(file, 0, file.Size(), job, [&](std::string_view line, uint64_t offset, uint64_t next) {
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
  Start(std::move(source), [run, titles = std::move(titles), budgetBytes](Job& job, ChunkSource& file) mutable {
    auto chart = std::make_unique<ChartRun>(budgetBytes);
    const LocalDateTime started = run.started.value_or(LocalDateTime{});
    chart->Start(std::move(titles), started);
    const uint64_t end = std::min(run.end, file.Size());
    const bool read = ReadLines(file, run.begin, end, job, [&](std::string_view line, uint64_t, uint64_t) {
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

void LogLoader::Start(std::shared_ptr<ChunkSource> source, std::function<Result(Job&, ChunkSource&)> work) {
  Cancel();
  Reap();
  auto job = std::make_shared<Job>();
  job->notify = notify_;
  job->source = source;
  job->thread = std::thread([job, slot = slot_, source = std::move(source), work = std::move(work),
                             starts = workerStarts_]() mutable {
    if (starts) starts();
    bool holding = false;
    {
      std::unique_lock lock(slot->mutex);
      slot->freed.wait(lock, [&] { return !slot->taken || job->cancelled; });
      holding = slot->taken = !job->cancelled;
    }
    Result result;
    if (holding) result = work(*job, *source);
    std::function<void()> notify;
    {
      std::lock_guard lock(job->mutex);
      if (!job->cancelled) job->result = std::move(result);
      notify = job->cancelled ? nullptr : job->notify;
      job->source.reset();
    }
    // All the work held goes before the next worker may begin: a result nobody wants, the
    // file, what the work was given.
    result = Result{};
    source.reset();
    work = nullptr;
    if (holding) {
      {
        const std::lock_guard lock(slot->mutex);
        slot->taken = false;
      }
      slot->freed.notify_all();
    }
    {
      const std::lock_guard lock(job->mutex);
      job->finished = true;
    }
    job->ended.notify_all();
    if (notify) notify();
  });
  job_ = std::move(job);
}

void LogLoader::Cancel() {
  if (!job_) return;
  CancelJob(*job_, *slot_);
  cancelled_.push_back(std::move(job_));
}

void LogLoader::Reap() {
  std::erase_if(cancelled_, [](const std::shared_ptr<Job>& job) {
    {
      const std::lock_guard lock(job->mutex);
      if (!job->finished) return false;
    }
    job->thread.join();
    return true;
  });
}

bool LogLoader::Busy() const {
  if (!job_) return false;
  std::lock_guard lock(job_->mutex);
  return !job_->finished || job_->result.has_value();
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
  Cancel();
  const auto deadline = std::chrono::steady_clock::now() + bound;
  for (const std::shared_ptr<Job>& job : cancelled_) {
    bool finished = false;
    {
      std::unique_lock lock(job->mutex);
      finished = job->ended.wait_until(lock, deadline, [&] { return job->finished; });
    }
    if (finished) {
      job->thread.join();
    } else {
      job->thread.detach();
    }
  }
  cancelled_.clear();
}

}  // namespace velmar
