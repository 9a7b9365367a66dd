#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "alarm/alarm_monitor.h"
#include "core/bounded_queue.h"
#include "core/local_time.h"
#include "logfile/log_storage.h"

namespace velmar {

// The marks a run leaves in its events file.
enum class RunMark { Start, EndByStop, EndByDuration, EndByClose, EndAtLogoff, StartFailed };

// "start", "end by Stop", "end by /duration", "end by Close", "end at logoff", "start failed".
std::wstring_view RunMarkText(RunMark mark);

// The first line of every events file.
inline constexpr std::wstring_view kEventsHeader = L"Time,Point,Source,Value,Limit,Event";

// "2026-12-07 14:03:12.100,1234,TEC Sensor T,25.31,above 25.1,alarm"; a text holding a comma
// or a quote is quoted.
std::wstring AlarmEventLine(const AlarmEvent& event);
// "2026-12-07 17:00:00.000,,run,,,end by /duration"; a note (what the run lost) goes in the
// Value field: "2026-12-07 17:00:00.000,,run,12 rows not published: the queue was full,,end by Stop"
std::wstring RunMarkLine(const LocalDateTime& time, RunMark mark, std::wstring_view note = {});
// A message a box would have shown, when nobody is there to read it:
// "2026-12-07 17:00:00.000,,message,,,\"3 rows could not be written to C:\\a.csv.\""
std::wstring MessageLine(const LocalDateTime& time, std::wstring_view message);

// The events of the runs logged to each chosen path, in "<stem>.events.csv" beside it, in the
// log's code page and line ends. Lines go in whole or not at all; those a file refuses wait in
// memory, bounded, in order, and go out ahead of any later line for that file. Lines waiting
// for one path keep waiting when a run logs to another.
class EventsFile {
 public:
  static constexpr size_t kMaxWaitingLines = 10'000;
  static constexpr size_t kMaxWaitingBytes = 1024 * 1024;

  // Whether a run's start and end lines are written whatever happens, or only around an alarm
  // or a message, so that a run with nothing to say leaves no events file.
  enum class RunLines { Always, AroundEvents };

  explicit EventsFile(LogStorage& storage);

  // The events file for a run logged to logPath, or for a message about it; a blank path (no
  // log) means no events file.
  void Begin(const std::wstring& logPath, RunLines runLines = RunLines::Always);
  // The run has its lines after all (a limit set during it): a start line held back goes out.
  void KeepRunLines();
  // Each is true when the line, and every line waiting before it for the same file, is in
  // the file (or needs no file).
  bool Write(const AlarmEvent& event);
  bool Write(const LocalDateTime& time, RunMark mark, std::wstring_view note = {});
  bool WriteMessage(const LocalDateTime& time, std::wstring_view message);
  // Tries every file's waiting lines once more; true when none waits.
  bool Flush();

  const std::wstring& Path() const { return path_; }
  // For every file, headers not counted.
  size_t WaitingLines() const;
  size_t DroppedLines() const { return waiting_.DroppedCount(); }
  // Writes each file's waiting lines, after the header, to a recovery file beside it or else
  // in the temporary folder, and forgets them; returns the recovery files written.
  std::vector<std::wstring> SaveWaiting(const LocalDateTime& now);

 private:
  struct Line {
    std::wstring path;
    std::string text;
    bool header = false;
  };
  friend size_t QueuedBytes(const Line& line) { return line.text.size(); }
  struct WaitingFile {
    std::wstring path;
    size_t lines = 0;
  };

  bool Add(std::wstring_view line);
  bool Push(Line line);
  // A run's start line held back until the run has something to say.
  bool SayHeldStart();
  bool Waits(const std::wstring& path) const;
  // Tries the file's first waiting line, and only when it takes that one, the rest: a file that
  // refuses costs one try, however many lines wait for it.
  void FlushFile(WaitingFile& file);

  LogStorage& storage_;
  std::wstring path_;
  RunLines runLines_ = RunLines::Always;
  std::optional<std::wstring> heldStart_;
  BoundedQueue<Line> waiting_{kMaxWaitingLines, kMaxWaitingBytes, BoundedQueue<Line>::WhenFull::RefuseNewest};
  // The files lines wait for, in the order of their first.
  std::vector<WaitingFile> files_;
};

}  // namespace velmar
