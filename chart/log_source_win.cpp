#include "chart/log_source_win.h"

#include <windows.h>

#include "framework/unique_handle_win.h"

namespace velmar {
namespace {

class SharedFileSource final : public ChunkSource {
 public:
  SharedFileSource(UniqueFile file, uint64_t size) : file_(std::move(file)), size_(size) {}
  uint64_t Size() const override { return size_; }
  std::optional<size_t> Read(uint64_t offset, std::span<char> buffer) override {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD read = 0;
    if (!ReadFile(file_.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, &at)) {
      if (GetLastError() == ERROR_HANDLE_EOF) return 0;
      return std::nullopt;
    }
    return read;
  }

 private:
  UniqueFile file_;
  uint64_t size_;
};

}  // namespace

std::unique_ptr<ChunkSource> OpenLogSource(const std::wstring& path) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0) return nullptr;
  return std::make_unique<SharedFileSource>(std::move(file), static_cast<uint64_t>(size.QuadPart));
}

}  // namespace velmar
