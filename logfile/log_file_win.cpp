#include "logfile/log_file_win.h"

#include <windows.h>

#include <ctime>
#include <optional>
#include <vector>

#include "framework/ansi_text_win.h"
#include "framework/unique_handle_win.h"
#include "logfile/recovery_name.h"
#include "logfile/whole_append.h"

namespace velmar {
namespace {

class FileAppendTarget final : public AppendTarget {
 public:
  explicit FileAppendTarget(HANDLE file) : file_(file) {}
  std::optional<uint64_t> Size() override {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file_, &size)) return std::nullopt;
    return static_cast<uint64_t>(size.QuadPart);
  }
  bool Append(std::string_view bytes) override {
    LARGE_INTEGER zero{};
    DWORD written = 0;
    return SetFilePointerEx(file_, zero, nullptr, FILE_END) &&
           WriteFile(file_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
  }
  bool TruncateTo(uint64_t size) override {
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(size);
    return SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) && SetEndOfFile(file_);
  }

 private:
  HANDLE file_;
};

// Created when missing; no sharing restriction, so others can read the file meanwhile.
UniqueFile OpenForAppend(const std::wstring& path) {
  return UniqueFile(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool AppendLine(HANDLE file, const std::string& line) {
  FileAppendTarget target(file);
  return AppendWhole(target, WithCrLf(line));
}

// Writes lines oldest first, stopping at the first failure; returns how many went out.
size_t AppendLines(HANDLE file, const std::deque<std::string>& lines) {
  size_t written = 0;
  for (const std::string& line : lines) {
    if (!AppendLine(file, line)) break;
    ++written;
  }
  return written;
}

bool FlushPendingTo(HANDLE file, PendingRows& pending) {
  pending.PopFront(AppendLines(file, pending.Lines()));
  return pending.Empty();
}

// A recovery file this call created and could not fill is removed again, so no half file
// is left to be mistaken for the whole.
bool WriteRecovery(const std::wstring& recoveryPath, const std::string& preamble, const PendingRows& rows) {
  UniqueFile file = OpenForAppend(recoveryPath);
  if (!file) return false;
  const bool created = GetLastError() != ERROR_ALREADY_EXISTS;
  if (AppendLine(file.Get(), preamble) && AppendLines(file.Get(), rows.Lines()) == rows.Count()) return true;
  file.Reset();
  if (created) DeleteFileW(recoveryPath.c_str());
  return false;
}

std::wstring TempFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  return length > 0 && length <= MAX_PATH ? std::wstring(buffer, length) : std::wstring();
}

}  // namespace

std::string LogFileWriter::LocalDateTimeText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (now == static_cast<std::time_t>(-1) || localtime_s(&local, &now) != 0) return {};
  return FormatLongDateTime({.year = local.tm_year + 1900,
                             .month = local.tm_mon + 1,
                             .day = local.tm_mday,
                             .weekday = local.tm_wday,
                             .hour = local.tm_hour,
                             .minute = local.tm_min,
                             .second = local.tm_sec});
}

bool LogFileWriter::WritePreamble(const std::wstring& path, const std::wstring& command, const std::wstring& header) {
  std::string preamble = StartStampLine(LocalDateTimeText()) + QueryLine(ToAnsi(command)) +
                         ColumnTitlesLine(ToAnsi(header));
  const UniqueFile file = OpenForAppend(path);
  if (!file || !AppendLine(file.Get(), preamble)) return false;
  preamble_ = std::move(preamble);
  return true;
}

bool LogFileWriter::AppendRow(const std::wstring& path, int point, int elapsedMs, const std::string& reply) {
  std::string row = DataRowLine(point, elapsedMs, reply);
  const UniqueFile file = OpenForAppend(path);
  const bool written = file && FlushPendingTo(file.Get(), pending_) && AppendLine(file.Get(), row);
  if (!written) pending_.Push(std::move(row));
  return written;
}

bool LogFileWriter::FlushPending(const std::wstring& path) {
  if (pending_.Empty()) return true;
  const UniqueFile file = OpenForAppend(path);
  return file && FlushPendingTo(file.Get(), pending_);
}

std::wstring LogFileWriter::SaveUnwritten(const std::wstring& path, const LocalDateTime& now) {
  std::vector<std::wstring> candidates{RecoveryPathBeside(path, now)};
  if (const std::wstring temp = TempFolder(); !temp.empty()) candidates.push_back(RecoveryPathIn(temp, path, now));
  std::wstring savedTo;
  for (const std::wstring& candidate : candidates) {
    if (WriteRecovery(candidate, preamble_, pending_)) {
      savedTo = candidate;
      break;
    }
  }
  pending_.Clear();
  return savedTo;
}

}  // namespace velmar
