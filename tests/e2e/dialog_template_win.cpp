#include "tests/e2e/dialog_template_win.h"

#include <cstring>

namespace velmar::test {
namespace {

class Reader {
 public:
  Reader(const BYTE* data, size_t size) : data_(data), size_(size) {}
  template <class T>
  T Take() {
    T value{};
    if (at_ + sizeof(T) <= size_) std::memcpy(&value, data_ + at_, sizeof(T));
    at_ += sizeof(T);
    return value;
  }
  std::wstring String() {
    std::wstring text;
    for (WORD c; (c = Take<WORD>()) != 0 && at_ <= size_;) text.push_back(static_cast<wchar_t>(c));
    return text;
  }
  // A name or an ordinal: 0 = none, 0xFFFF = the ordinal that follows, else a string.
  std::wstring NameOrOrdinal() {
    const WORD first = Peek();
    if (first == 0) {
      Take<WORD>();
      return {};
    }
    if (first == 0xFFFF) {
      Take<WORD>();
      return OrdinalName(Take<WORD>());
    }
    return String();
  }
  void AlignDword() { at_ = (at_ + 3) & ~size_t{3}; }
  void Skip(size_t bytes) { at_ += bytes; }
  bool Ok() const { return at_ <= size_; }

 private:
  WORD Peek() const {
    WORD value = 0;
    if (at_ + 2 <= size_) std::memcpy(&value, data_ + at_, 2);
    return value;
  }
  static std::wstring OrdinalName(WORD ordinal) {
    switch (ordinal) {
      case 0x80: return L"Button";
      case 0x81: return L"Edit";
      case 0x82: return L"Static";
      case 0x83: return L"ListBox";
      case 0x84: return L"ScrollBar";
      case 0x85: return L"ComboBox";
      default: return L"#" + std::to_wstring(ordinal);
    }
  }

  const BYTE* data_;
  size_t size_;
  size_t at_ = 0;
};

}  // namespace

bool LoadDialogTemplate(HMODULE module, int id, DialogTemplate& out) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), reinterpret_cast<LPCWSTR>(RT_DIALOG));
  if (!found) return false;
  const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
  Reader in(data, SizeofResource(module, found));
  if (in.Take<WORD>() != 1 || in.Take<WORD>() != 0xFFFF) return false;
  in.Take<DWORD>();
  out.exStyle = in.Take<DWORD>();
  out.style = in.Take<DWORD>();
  const WORD count = in.Take<WORD>();
  out.x = in.Take<short>();
  out.y = in.Take<short>();
  out.cx = in.Take<short>();
  out.cy = in.Take<short>();
  in.NameOrOrdinal();
  in.NameOrOrdinal();
  out.caption = in.String();
  if (out.style & (DS_SETFONT | DS_SHELLFONT)) {
    out.pointSize = in.Take<WORD>();
    in.Take<WORD>();
    in.Take<BYTE>();
    in.Take<BYTE>();
    out.font = in.String();
  }
  for (WORD i = 0; i < count; ++i) {
    in.AlignDword();
    TemplateControl control{};
    in.Take<DWORD>();
    in.Take<DWORD>();
    control.style = in.Take<DWORD>();
    control.x = in.Take<short>();
    control.y = in.Take<short>();
    control.cx = in.Take<short>();
    control.cy = in.Take<short>();
    control.id = static_cast<int>(in.Take<DWORD>());
    control.className = in.NameOrOrdinal();
    control.text = in.NameOrOrdinal();
    in.Skip(in.Take<WORD>());
    out.controls.push_back(control);
  }
  return in.Ok();
}

}  // namespace velmar::test
