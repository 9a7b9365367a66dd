#include "logfile/log_file_win.h"

#include <cstdio>
#include <ctime>

#include "framework/ansi_text_win.h"

namespace velmar {
namespace {

// Text mode turns "\n" into CR LF; no sharing restriction, so others can read the file meanwhile.
std::FILE* OpenForAppend(const std::wstring& path) { return std::fopen(ToAnsi(path).c_str(), "a+"); }

// Flushing each piece tells exactly which rows reached the file when a write fails part way;
// it also leaves fclose nothing to write, so its result says nothing about the rows.
bool WriteFlushed(std::FILE* file, const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), file) == text.size() && std::fflush(file) == 0;
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

bool LogFileWriter::WritePreamble(const std::wstring& path, const std::wstring& command,
                                  const std::wstring& header) {
  const std::string preamble = StartStampLine(LocalDateTimeText()) + QueryLine(ToAnsi(command)) +
                               ColumnTitlesLine(ToAnsi(header));
  std::FILE* file = OpenForAppend(path);
  if (file == nullptr) return false;
  const bool written = WriteFlushed(file, preamble);
  std::fclose(file);
  return written;
}

bool LogFileWriter::AppendRow(const std::wstring& path, int point, int elapsedMs, const std::string& reply) {
  std::string row = DataRowLine(point, elapsedMs, reply);
  std::FILE* file = OpenForAppend(path);
  if (file == nullptr) {
    pending_.Push(std::move(row));
    return false;
  }
  const bool written = WritePendingTo(file) && WriteFlushed(file, row);
  std::fclose(file);
  if (!written) pending_.Push(std::move(row));
  return written;
}

bool LogFileWriter::FlushPending(const std::wstring& path) {
  if (pending_.Empty()) return true;
  std::FILE* file = OpenForAppend(path);
  if (file == nullptr) return false;
  const bool written = WritePendingTo(file);
  std::fclose(file);
  return written;
}

bool LogFileWriter::WritePendingTo(std::FILE* file) {
  size_t written = 0;
  for (const std::string& line : pending_.Lines()) {
    if (!WriteFlushed(file, line)) break;
    ++written;
  }
  pending_.PopFront(written);
  return pending_.Empty();
}

}  // namespace velmar
