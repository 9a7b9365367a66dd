#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/bounded_queue.h"
#include "core/local_time.h"
#include "core/split_options.h"
#include "logfile/log_storage.h"

namespace velmar {

// A file of the run that still has rows waiting, and how many.
struct WaitingFile {
  std::wstring path;
  size_t rows = 0;
};

// Where one file's waiting rows went at the end: savedTo is empty when no place took them.
struct SavedFile {
  std::wstring logPath;
  std::wstring savedTo;
  size_t rows = 0;
};

// The log of one run: its preamble, the file each row belongs to (one file, or a new one each
// day or each N rows), and the lines its files refuse for now. Those wait in one ordered,
// bounded queue and go out ahead of any later line for the same file, so every file keeps its
// order; a file that refuses does not hold up the others. At most 100000 rows or 16 MiB wait;
// rows beyond that are counted and reported.
class RunLog {
 public:
  static constexpr size_t kMaxWaitingLines = 100'000;
  static constexpr size_t kMaxWaitingBytes = 16 * 1024 * 1024;

  explicit RunLog(LogStorage& storage);

  // Forgets the previous run, then writes the preamble (three lines, each ended by "\n") to the
  // run's first file: the chosen path, or when splitting the chosen path with the time
  // appended. False, with nothing waiting, when that file refuses it.
  bool Begin(const std::wstring& chosenPath, const SplitOptions& split, std::string preamble,
             const LocalDateTime& now);
  // Appends the row to the file current at its poll, starting the next file first when the
  // split says so. True when the row, and every line waiting for the same file, is in it.
  bool Append(int point, int64_t elapsedMs, std::string_view reply, const LocalDateTime& pollTime);
  // Tries every waiting line once more; true when none waits.
  bool Flush();

  size_t WaitingRows() const { return waitingRows_; }
  size_t DroppedRows() const { return droppedRows_; }
  // In the order their first waiting line was queued.
  std::vector<WaitingFile> WaitingFiles() const;
  // Saves each file's waiting rows, after its preamble, to a recovery file named after it
  // beside it, or else in the temporary folder. Nothing waits afterwards.
  std::vector<SavedFile> SaveWaiting(const LocalDateTime& now);
  // Forgets the waiting rows and the count of dropped ones.
  void Discard();

  const std::wstring& CurrentPath() const;

 private:
  struct File {
    std::wstring path;
    LocalDateTime opened;
    uint64_t rows = 0;
    size_t waiting = 0;
    bool preamblePlaced = false;
  };
  struct Line {
    uint64_t file = 0;
    std::string text;
    bool preamble = false;
  };
  friend size_t QueuedBytes(const Line& line) { return line.text.size(); }

  enum class Placed { Written, Queued, Dropped };

  bool SplitDue(const File& file, const LocalDateTime& pollTime) const;
  void OpenNextFile(const LocalDateTime& pollTime);
  std::wstring FreeSplitPath(const LocalDateTime& opened) const;
  // Writes a line to its file, or queues it behind that file's waiting lines.
  Placed Place(uint64_t fileId, std::string text, bool preamble);
  void Forget(uint64_t fileId);

  LogStorage& storage_;
  std::wstring chosenPath_;
  SplitOptions split_;
  std::string preamble_;
  // The current file, and earlier ones while lines wait for them.
  std::map<uint64_t, File> files_;
  uint64_t currentFile_ = 0;
  uint64_t nextFileId_ = 1;
  BoundedQueue<Line> waiting_{kMaxWaitingLines, kMaxWaitingBytes, BoundedQueue<Line>::WhenFull::RefuseNewest};
  size_t waitingRows_ = 0;
  size_t droppedRows_ = 0;
};

}  // namespace velmar
