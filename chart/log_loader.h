#pragma once
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "chart/chart_run.h"
#include "logfile/log_reader.h"

namespace velmar {

// A file read in chunks, as it was when it was opened: what is written to it later is not read.
class ChunkSource {
 public:
  virtual ~ChunkSource() = default;
  // The file's size when it was opened.
  virtual uint64_t Size() const = 0;
  // Up to buffer.size() bytes at `offset`; 0 at the end, none when the read fails.
  virtual std::optional<size_t> Read(uint64_t offset, std::span<char> buffer) = 0;
  // From another thread: a read that is waiting (a file on a share that stopped answering)
  // gives up, and so does any read after it.
  virtual void Cancel() {}
};

// Reads past logs on a thread of its own, so no poll waits for a file of any size: first the
// runs a file holds, then the chosen run's rows into a chart store. It reads in chunks of
// kChunkBytes; with the line being put together, reading takes at most 8 MiB besides the
// store it builds. The window's thread only starts jobs and takes their finished results, and
// never waits for a worker. One worker at a time holds memory: a job that replaces another
// begins once the one it replaced has let go of its buffer and store.
class LogLoader {
 public:
  static constexpr size_t kChunkBytes = size_t{4} << 20;

  struct Result {
    enum class Kind { Scanned, Built, Failed };
    Kind kind = Kind::Failed;
    std::vector<LogRun> runs;          // Scanned
    std::unique_ptr<ChartRun> chart;   // Built
  };

  // `notify` runs on the worker when a job has ended; it must only pass the news on (post a
  // message) and never touch a window. `workerStarts` runs first on each worker, e.g. to give
  // way to the window's thread.
  explicit LogLoader(std::function<void()> notify, std::function<void()> workerStarts = {});
  ~LogLoader();
  LogLoader(const LogLoader&) = delete;
  LogLoader& operator=(const LogLoader&) = delete;

  // Each job replaces the one running, which is cancelled and left to finish by itself.
  void Scan(std::unique_ptr<ChunkSource> source);
  void Build(std::unique_ptr<ChunkSource> source, const LogRun& run, std::vector<std::wstring> titles,
             size_t budgetBytes = SeriesStore::kDefaultBudgetBytes);
  // The running job ends without a result.
  void Cancel();
  // From the start of a job until its result has been taken.
  bool Busy() const;
  // Of the running job, 0 to 100.
  int Percent() const;
  // The finished job's result, once.
  std::optional<Result> Take();
  // Cancels every job and waits for their threads, at most `bound` in all; a thread still
  // blocked in a read then is left to end by itself, owning all it uses.
  void Stop(std::chrono::milliseconds bound);

  struct Job;
  struct MemorySlot;

 private:
  void Start(std::shared_ptr<ChunkSource> source, std::function<Result(Job&, ChunkSource&)> work);
  // Joins the jobs given up on that have ended.
  void Reap();

  std::function<void()> notify_;
  std::function<void()> workerStarts_;
  std::shared_ptr<MemorySlot> slot_;
  std::shared_ptr<Job> job_;
  std::vector<std::shared_ptr<Job>> cancelled_;
};

}  // namespace velmar
