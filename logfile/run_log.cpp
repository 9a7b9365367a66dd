#include "logfile/run_log.h"

#include <algorithm>

#include "logfile/log_file_names.h"
#include "logfile/log_format.h"

namespace velmar {
namespace {

// Beyond this many files named alike in one second, the last name is taken as it is.
constexpr int kMaxCopies = 10'000;

}  // namespace

RunLog::RunLog(LogStorage& storage) : storage_(storage) {}

bool RunLog::Begin(const std::wstring& chosenPath, const SplitOptions& split, std::string preamble,
                   const LocalDateTime& now) {
  Discard();
  files_.clear();
  chosenPath_ = chosenPath;
  split_ = split;
  preamble_ = std::move(preamble);
  File first{split_.mode == SplitMode::Never ? chosenPath_ : FreeSplitPath(now), now};
  if (storage_.AppendLines(first.path, {&preamble_}) != 1) return false;
  first.preamblePlaced = true;
  currentFile_ = nextFileId_++;
  files_.emplace(currentFile_, std::move(first));
  return true;
}

bool RunLog::Append(int point, int64_t elapsedMs, std::string_view reply, const LocalDateTime& pollTime) {
  if (!files_.contains(currentFile_)) return false;
  Flush();
  if (SplitDue(files_.at(currentFile_), pollTime)) OpenNextFile(pollTime);
  File& file = files_.at(currentFile_);
  ++file.rows;
  // A preamble the full queue refused is tried again before each row; rows cannot go to a
  // file without it.
  if (!file.preamblePlaced) file.preamblePlaced = Place(currentFile_, preamble_, true) != Placed::Dropped;
  if (!file.preamblePlaced) {
    ++droppedRows_;
    return false;
  }
  return Place(currentFile_, DataRowLine(point, elapsedMs, reply), false) == Placed::Written;
}

bool RunLog::Flush() {
  if (waiting_.Empty()) return true;
  // Each file's first waiting line tells whether it takes lines now; only a file that does is
  // given the rest, so a refusing file costs one try per flush, however many lines wait.
  const size_t filesWaiting = static_cast<size_t>(
      std::count_if(files_.begin(), files_.end(), [](const auto& entry) { return entry.second.waiting > 0; }));
  std::map<uint64_t, bool> tried;  // file, and whether it took its first line
  for (const Line& line : waiting_.Items()) {
    if (tried.size() == filesWaiting) break;
    if (tried.contains(line.file)) continue;
    tried[line.file] = storage_.AppendLines(files_.at(line.file).path, {&line.text}) == 1;
  }
  if (std::none_of(tried.begin(), tried.end(), [](const auto& entry) { return entry.second; })) return false;
  std::map<uint64_t, std::vector<const std::string*>> rest;
  for (const Line& line : waiting_.Items()) {
    if (!tried[line.file]) continue;
    auto [lines, first] = rest.try_emplace(line.file);
    if (!first) lines->second.push_back(&line.text);
  }
  std::map<uint64_t, size_t> written;
  for (const auto& [id, lines] : rest) written[id] = 1 + storage_.AppendLines(files_.at(id).path, lines);
  // Each file took the first of its lines, in order.
  waiting_.RemoveIf([&](const Line& line) {
    size_t& left = written[line.file];
    if (left == 0) return false;
    --left;
    --files_.at(line.file).waiting;
    if (!line.preamble) --waitingRows_;
    return true;
  });
  for (const auto& entry : rest) Forget(entry.first);
  return waiting_.Empty();
}

std::vector<WaitingFile> RunLog::WaitingFiles() const {
  std::vector<WaitingFile> result;
  std::vector<uint64_t> order;
  for (const Line& line : waiting_.Items()) {
    const auto at = std::find(order.begin(), order.end(), line.file);
    const size_t index = static_cast<size_t>(at - order.begin());
    if (at == order.end()) {
      order.push_back(line.file);
      result.push_back({files_.at(line.file).path, 0});
    }
    if (!line.preamble) ++result[index].rows;
  }
  return result;
}

std::vector<SavedFile> RunLog::SaveWaiting(const LocalDateTime& now) {
  std::vector<SavedFile> saved;
  std::vector<uint64_t> order;
  for (const Line& line : waiting_.Items()) {
    if (std::find(order.begin(), order.end(), line.file) == order.end()) order.push_back(line.file);
  }
  const std::wstring temp = storage_.TempFolder();
  for (const uint64_t id : order) {
    // The file's own preamble first, whether or not the file got it, so the recovery file
    // stands on its own.
    std::vector<const std::string*> lines{&preamble_};
    for (const Line& line : waiting_.Items()) {
      if (line.file == id && !line.preamble) lines.push_back(&line.text);
    }
    SavedFile file{files_.at(id).path, {}, lines.size() - 1};
    std::vector<std::wstring> candidates{RecoveryPathBeside(file.logPath, now)};
    if (!temp.empty()) candidates.push_back(RecoveryPathIn(temp, file.logPath, now));
    for (const std::wstring& candidate : candidates) {
      if (storage_.WriteWhole(candidate, lines)) {
        file.savedTo = candidate;
        break;
      }
    }
    saved.push_back(std::move(file));
  }
  const size_t dropped = droppedRows_;
  Discard();
  droppedRows_ = dropped;
  return saved;
}

void RunLog::Discard() {
  waiting_.Clear();
  waitingRows_ = 0;
  droppedRows_ = 0;
  std::vector<uint64_t> ids;
  for (auto& [id, file] : files_) {
    file.waiting = 0;
    ids.push_back(id);
  }
  for (const uint64_t id : ids) Forget(id);
}

const std::wstring& RunLog::CurrentPath() const {
  static const std::wstring kNone;
  const auto found = files_.find(currentFile_);
  return found == files_.end() ? kNone : found->second.path;
}

bool RunLog::SplitDue(const File& file, const LocalDateTime& pollTime) const {
  switch (split_.mode) {
    case SplitMode::Daily:
      return !SameDay(file.opened, pollTime);
    case SplitMode::Rows:
      return file.rows >= split_.rows;
    case SplitMode::Never:
      break;
  }
  return false;
}

void RunLog::OpenNextFile(const LocalDateTime& pollTime) {
  const uint64_t previous = currentFile_;
  currentFile_ = nextFileId_++;
  files_.emplace(currentFile_, File{FreeSplitPath(pollTime), pollTime});
  Forget(previous);
}

std::wstring RunLog::FreeSplitPath(const LocalDateTime& opened) const {
  std::wstring path;
  for (int copy = 1; copy <= kMaxCopies; ++copy) {
    path = SplitFilePath(chosenPath_, opened, copy);
    const bool ours = std::any_of(files_.begin(), files_.end(), [&](const auto& entry) { return entry.second.path == path; });
    if (!ours && !storage_.Exists(path)) break;
  }
  return path;
}

RunLog::Placed RunLog::Place(uint64_t fileId, std::string text, bool preamble) {
  File& file = files_.at(fileId);
  if (file.waiting == 0 && storage_.AppendLines(file.path, {&text}) == 1) return Placed::Written;
  if (!waiting_.Push(Line{fileId, std::move(text), preamble})) {
    if (!preamble) ++droppedRows_;
    return Placed::Dropped;
  }
  ++file.waiting;
  if (!preamble) ++waitingRows_;
  return Placed::Queued;
}

// A file no line waits for is no longer needed, unless rows still go to it.
void RunLog::Forget(uint64_t fileId) {
  const auto found = files_.find(fileId);
  if (found != files_.end() && fileId != currentFile_ && found->second.waiting == 0) files_.erase(found);
}

}  // namespace velmar
