#include "framework/clipboard_win.h"

#include <cstring>

namespace velmar {

namespace {

// The clipboard from OpenClipboard to CloseClipboard, emptied and owned by `owner`.
class OpenedClipboard {
 public:
  explicit OpenedClipboard(HWND owner) noexcept : open_(::OpenClipboard(owner) != FALSE) {
    if (open_) ::EmptyClipboard();
  }
  ~OpenedClipboard() {
    if (open_) ::CloseClipboard();
  }
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;

  bool Open() const { return open_; }

 private:
  bool open_;
};

struct GlobalMemoryTraits {
  using Handle = HGLOBAL;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { ::GlobalFree(h); }
};

}  // namespace

bool PutBitmapOnClipboard(HWND owner, UniqueBitmap bitmap) {
  const OpenedClipboard clipboard(owner);
  if (!clipboard.Open() || !::SetClipboardData(CF_BITMAP, bitmap.Get())) return false;
  bitmap.Release();
  return true;
}

bool PutTextOnClipboard(HWND owner, std::wstring_view text) {
  UniqueHandle<GlobalMemoryTraits> memory(::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t)));
  if (!memory) return false;
  auto* target = static_cast<wchar_t*>(::GlobalLock(memory.Get()));
  if (!target) return false;
  std::memcpy(target, text.data(), text.size() * sizeof(wchar_t));
  target[text.size()] = L'\0';
  ::GlobalUnlock(memory.Get());
  const OpenedClipboard clipboard(owner);
  if (!clipboard.Open() || !::SetClipboardData(CF_UNICODETEXT, memory.Get())) return false;
  memory.Release();
  return true;
}

}  // namespace velmar
