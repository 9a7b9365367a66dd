#include "logfile/log_storage_win.h"

#include <windows.h>

#include <optional>

#include "framework/ansi_text_win.h"
#include "framework/unique_handle_win.h"
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

size_t AppendTo(HANDLE file, const std::vector<const std::string*>& lines) {
  FileAppendTarget target(file);
  size_t written = 0;
  for (const std::string* line : lines) {
    if (!AppendWhole(target, WithCrLf(*line))) break;
    ++written;
  }
  return written;
}

}  // namespace

std::string WindowsLogStorage::FileText(const std::wstring& text) { return ToAnsi(text); }

bool WindowsLogStorage::Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

size_t WindowsLogStorage::AppendLines(const std::wstring& path, const std::vector<const std::string*>& lines) {
  const UniqueFile file = OpenForAppend(path);
  return file ? AppendTo(file.Get(), lines) : 0;
}

bool WindowsLogStorage::WriteWhole(const std::wstring& path, const std::vector<const std::string*>& lines) {
  UniqueFile file = OpenForAppend(path);
  if (!file) return false;
  const bool created = GetLastError() != ERROR_ALREADY_EXISTS;
  if (AppendTo(file.Get(), lines) == lines.size()) return true;
  file.Reset();
  if (created) DeleteFileW(path.c_str());
  return false;
}

std::wstring WindowsLogStorage::TempFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  return length > 0 && length <= MAX_PATH ? std::wstring(buffer, length) : std::wstring();
}

}  // namespace velmar
