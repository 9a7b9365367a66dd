#include "chart/log_source_win.h"

#include <windows.h>

#include <atomic>

#include "framework/unique_handle_win.h"

namespace velmar {
namespace {

// Overlapped, so a read that waits on a share that stopped answering can be cancelled from the
// window's thread.
class SharedFileSource final : public ChunkSource {
 public:
  SharedFileSource(UniqueFile file, UniqueEvent done, uint64_t size)
      : file_(std::move(file)), done_(std::move(done)), size_(size) {}
  uint64_t Size() const override { return size_; }

  std::optional<size_t> Read(uint64_t offset, std::span<char> buffer) override {
    if (cancelled_) return std::nullopt;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    at.hEvent = done_.Get();
    DWORD read = 0;
    if (!ReadFile(file_.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, &at)) {
      if (GetLastError() == ERROR_HANDLE_EOF) return 0;
      if (GetLastError() != ERROR_IO_PENDING) return std::nullopt;
      // A cancel that came before the read began would miss it.
      if (cancelled_) CancelIoEx(file_.Get(), &at);
      if (!GetOverlappedResult(file_.Get(), &at, &read, TRUE)) {
        if (GetLastError() == ERROR_HANDLE_EOF) return 0;
        return std::nullopt;
      }
    }
    return read;
  }

  void Cancel() override {
    cancelled_ = true;
    CancelIoEx(file_.Get(), nullptr);
  }

 private:
  UniqueFile file_;
  UniqueEvent done_;
  uint64_t size_;
  std::atomic<bool> cancelled_{false};
};

}  // namespace

std::unique_ptr<ChunkSource> OpenLogSource(const std::wstring& path) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OVERLAPPED, nullptr));
  UniqueEvent done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  LARGE_INTEGER size{};
  if (!file || !done || !GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0) return nullptr;
  return std::make_unique<SharedFileSource>(std::move(file), std::move(done), static_cast<uint64_t>(size.QuadPart));
}

}  // namespace velmar
