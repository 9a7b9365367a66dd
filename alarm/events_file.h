#pragma once
#include <cstddef>
#include <string>
#include <string_view>

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

// The events of the runs logged to one chosen path, in "<stem>.events.csv" beside it, in the
// log's code page and line ends. Lines go in whole or not at all; those the file refuses wait
// in memory, bounded, in order, and go out ahead of any later one.
class EventsFile {
 public:
  static constexpr size_t kMaxWaitingLines = 10'000;
  static constexpr size_t kMaxWaitingBytes = 1024 * 1024;

  explicit EventsFile(LogStorage& storage);

  // The events file for a run logged to logPath; a blank path (no log) means no events file.
  // Lines still waiting for an earlier file are forgotten.
  void Begin(const std::wstring& logPath);
  // Each is true when the line, and every line waiting before it, is in the file.
  bool Write(const AlarmEvent& event);
  bool Write(const LocalDateTime& time, RunMark mark, std::wstring_view note = {});
  bool WriteMessage(const LocalDateTime& time, std::wstring_view message);
  // Tries the waiting lines once more; true when none waits.
  bool Flush();

  const std::wstring& Path() const { return path_; }
  size_t WaitingLines() const { return waiting_.Count() - (headerWaiting_ ? 1 : 0); }
  size_t DroppedLines() const { return waiting_.DroppedCount(); }
  // Writes the waiting lines, after the header, to a recovery file beside the events file or
  // else in the temporary folder, and forgets them; returns where, empty when no place took
  // them or none waited.
  std::wstring SaveWaiting(const LocalDateTime& now);

 private:
  bool Add(std::wstring_view line);

  LogStorage& storage_;
  std::wstring path_;
  bool headerChecked_ = false;
  bool headerWaiting_ = false;
  BoundedQueue<std::string> waiting_{kMaxWaitingLines, kMaxWaitingBytes, BoundedQueue<std::string>::WhenFull::RefuseNewest};
};

}  // namespace velmar
