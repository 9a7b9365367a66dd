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

void EventsFile::Begin(const std::wstring& logPath, RunLines runLines) {
  path_ = logPath.empty() ? std::wstring() : EventsPathBeside(logPath);
  runLines_ = runLines;
  heldStart_.reset();
}

void EventsFile::KeepRunLines() {
  runLines_ = RunLines::Always;
  SayHeldStart();
}

bool EventsFile::Write(const AlarmEvent& event) {
  const bool said = SayHeldStart();
  return Add(AlarmEventLine(event)) && said;
}

bool EventsFile::Write(const LocalDateTime& time, RunMark mark, std::wstring_view note) {
  std::wstring line = RunMarkLine(time, mark, note);
  if (runLines_ == RunLines::Always) return Add(line);
  switch (mark) {
    case RunMark::Start:
      heldStart_ = std::move(line);
      return true;
    case RunMark::StartFailed:
      return true;
    default: {
      // A run that said nothing leaves nothing; what it lost beside its log is something.
      if (heldStart_ && note.empty()) {
        heldStart_.reset();
        return true;
      }
      const bool said = SayHeldStart();
      return Add(line) && said;
    }
  }
}

bool EventsFile::WriteMessage(const LocalDateTime& time, std::wstring_view message) {
  const bool said = SayHeldStart();
  return Add(MessageLine(time, message)) && said;
}

bool EventsFile::Flush() {
  for (WaitingFile& file : files_) FlushFile(file);
  std::erase_if(files_, [](const WaitingFile& file) { return file.lines == 0; });
  return waiting_.Empty();
}

void EventsFile::FlushFile(WaitingFile& file) {
  std::vector<const std::string*> lines;
  for (const Line& line : waiting_.Items()) {
    if (line.path != file.path) continue;
    lines.push_back(&line.text);
    if (lines.size() == 1 && storage_.AppendLines(file.path, lines) == 0) return;
  }
  lines.erase(lines.begin());
  size_t written = 1 + (lines.empty() ? 0 : storage_.AppendLines(file.path, lines));
  file.lines -= written;
  // The file took the first of its lines, in order.
  waiting_.RemoveIf([&](const Line& line) {
    if (written == 0 || line.path != file.path) return false;
    --written;
    return true;
  });
}

size_t EventsFile::WaitingLines() const {
  return static_cast<size_t>(
      std::count_if(waiting_.Items().begin(), waiting_.Items().end(), [](const Line& line) { return !line.header; }));
}

std::vector<std::wstring> EventsFile::SaveWaiting(const LocalDateTime& now) {
  std::vector<std::wstring> saved;
  const std::string header = storage_.FileText(std::wstring(kEventsHeader)) + "\n";
  const std::wstring temp = storage_.TempFolder();
  for (const WaitingFile& file : files_) {
    std::vector<const std::string*> lines{&header};
    for (const Line& line : waiting_.Items()) {
      if (line.path == file.path && !line.header) lines.push_back(&line.text);
    }
    if (lines.size() == 1) continue;
    std::vector<std::wstring> candidates{RecoveryPathBeside(file.path, now)};
    if (!temp.empty()) candidates.push_back(RecoveryPathIn(temp, file.path, now));
    for (const std::wstring& candidate : candidates) {
      if (storage_.WriteWhole(candidate, lines)) {
        saved.push_back(candidate);
        break;
      }
    }
  }
  waiting_.Clear();
  files_.clear();
  return saved;
}

bool EventsFile::Add(std::wstring_view line) {
  if (path_.empty()) return true;
  // A file this program has not written yet, or that someone removed, starts with the header.
  if (!Waits(path_) && !storage_.Exists(path_)) {
    Push({path_, storage_.FileText(std::wstring(kEventsHeader)) + "\n", true});
  }
  const bool kept = Push({path_, storage_.FileText(std::wstring(line)) + "\n", false});
  Flush();
  return kept && !Waits(path_);
}

bool EventsFile::Push(Line line) {
  const std::wstring path = line.path;
  if (!waiting_.Push(std::move(line))) return false;
  const auto file = std::find_if(files_.begin(), files_.end(), [&](const WaitingFile& f) { return f.path == path; });
  if (file == files_.end()) {
    files_.push_back({path, 1});
  } else {
    ++file->lines;
  }
  return true;
}

bool EventsFile::SayHeldStart() {
  if (!heldStart_) return true;
  const std::wstring line = std::move(*heldStart_);
  heldStart_.reset();
  return Add(line);
}

bool EventsFile::Waits(const std::wstring& path) const {
  return std::any_of(files_.begin(), files_.end(), [&](const WaitingFile& file) { return file.path == path; });
}

}  // namespace velmar
