#include "alarm/events_file.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <optional>
#include <vector>

#include "logfile/log_file_names.h"

namespace velmar {
namespace {

// "YYYY-MM-DD HH:MM:SS.mmm"
std::wstring EventTime(const LocalDateTime& time) {
  wchar_t text[48];
  const int length = std::swprintf(text, std::size(text), L"%04d-%02d-%02d %02d:%02d:%02d.%03d", time.year, time.month,
                                   time.day, time.hour, time.minute, time.second, time.millisecond);
  return std::wstring(text, static_cast<size_t>(std::max(length, 0)));
}

std::wstring CsvField(std::wstring_view text) {
  if (text.find_first_of(L",\"\r\n") == std::wstring_view::npos) return std::wstring(text);
  std::wstring quoted = L"\"";
  for (const wchar_t c : text) {
    if (c == L'"') quoted += L'"';
    quoted += c;
  }
  return quoted + L"\"";
}

std::wstring EventsLine(const LocalDateTime& time, std::optional<int> point, std::wstring_view source,
                        std::wstring_view value, std::wstring_view limit, std::wstring_view event) {
  return EventTime(time) + L"," + (point ? std::to_wstring(*point) : L"") + L"," + CsvField(source) + L"," +
         CsvField(value) + L"," + CsvField(limit) + L"," + CsvField(event);
}

}  // namespace

std::wstring_view RunMarkText(RunMark mark) {
  switch (mark) {
    case RunMark::Start:
      return L"start";
    case RunMark::EndByStop:
      return L"end by Stop";
    case RunMark::EndByDuration:
      return L"end by /duration";
    case RunMark::EndByClose:
      return L"end by Close";
    case RunMark::EndAtLogoff:
      return L"end at logoff";
    case RunMark::StartFailed:
      break;
  }
  return L"start failed";
}

std::wstring AlarmEventLine(const AlarmEvent& event) {
  return EventsLine(event.time, event.point, event.source, event.value, event.limit,
                    event.change == AlarmChange::Raised ? L"alarm" : L"clear");
}

std::wstring RunMarkLine(const LocalDateTime& time, RunMark mark, std::wstring_view note) {
  return EventsLine(time, std::nullopt, L"run", note, {}, RunMarkText(mark));
}

std::wstring MessageLine(const LocalDateTime& time, std::wstring_view message) {
  return EventsLine(time, std::nullopt, L"message", {}, {}, message);
}

EventsFile::EventsFile(LogStorage& storage) : storage_(storage) {}

void EventsFile::Begin(const std::wstring& logPath) {
  const std::wstring path = logPath.empty() ? std::wstring() : EventsPathBeside(logPath);
  // A run logged to the same path again continues its file, lines still waiting included.
  if (path != path_) {
    waiting_.Clear();
    headerWaiting_ = false;
  }
  path_ = path;
  headerChecked_ = !waiting_.Empty();
}

bool EventsFile::Write(const AlarmEvent& event) { return Add(AlarmEventLine(event)); }

bool EventsFile::Write(const LocalDateTime& time, RunMark mark, std::wstring_view note) {
  return Add(RunMarkLine(time, mark, note));
}

bool EventsFile::WriteMessage(const LocalDateTime& time, std::wstring_view message) {
  return Add(MessageLine(time, message));
}

bool EventsFile::Flush() {
  if (waiting_.Empty()) return true;
  std::vector<const std::string*> lines;
  for (const std::string& line : waiting_.Items()) lines.push_back(&line);
  const size_t written = storage_.AppendLines(path_, lines);
  if (written > 0) headerWaiting_ = false;
  waiting_.PopFront(written);
  return waiting_.Empty();
}

std::wstring EventsFile::SaveWaiting(const LocalDateTime& now) {
  std::wstring savedTo;
  if (WaitingLines() > 0) {
    const std::string header = storage_.FileText(std::wstring(kEventsHeader)) + "\n";
    std::vector<const std::string*> lines{&header};
    for (size_t i = headerWaiting_ ? 1 : 0; i < waiting_.Count(); ++i) lines.push_back(&waiting_[i]);
    std::vector<std::wstring> candidates{RecoveryPathBeside(path_, now)};
    if (const std::wstring temp = storage_.TempFolder(); !temp.empty()) {
      candidates.push_back(RecoveryPathIn(temp, path_, now));
    }
    for (const std::wstring& candidate : candidates) {
      if (storage_.WriteWhole(candidate, lines)) {
        savedTo = candidate;
        break;
      }
    }
  }
  waiting_.Clear();
  headerWaiting_ = false;
  headerChecked_ = false;
  return savedTo;
}

bool EventsFile::Add(std::wstring_view line) {
  if (path_.empty()) return true;
  if (!headerChecked_) {
    headerChecked_ = true;
    headerWaiting_ = !storage_.Exists(path_) && waiting_.Push(storage_.FileText(std::wstring(kEventsHeader)) + "\n");
  }
  const bool kept = waiting_.Push(storage_.FileText(std::wstring(line)) + "\n");
  return Flush() && kept;
}

}  // namespace velmar
