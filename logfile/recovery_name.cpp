#include "logfile/recovery_name.h"

namespace velmar {
namespace {

void AppendTwoDigits(std::wstring& out, int value) {
  out.push_back(static_cast<wchar_t>(L'0' + value / 10 % 10));
  out.push_back(static_cast<wchar_t>(L'0' + value % 10));
}

std::wstring Stamp(const LocalDateTime& now) {
  std::wstring text = std::to_wstring(now.year);
  AppendTwoDigits(text, now.month);
  AppendTwoDigits(text, now.day);
  text.push_back(L'-');
  AppendTwoDigits(text, now.hour);
  AppendTwoDigits(text, now.minute);
  AppendTwoDigits(text, now.second);
  return text;
}

size_t NameStart(std::wstring_view path) {
  const size_t separator = path.find_last_of(L"\\/:");
  return separator == std::wstring_view::npos ? 0 : separator + 1;
}

}  // namespace

std::wstring RecoveryPathBeside(std::wstring_view logPath, const LocalDateTime& now) {
  const size_t nameStart = NameStart(logPath);
  // A leading dot names a hidden file, not an extension.
  const size_t dot = logPath.find_last_of(L'.');
  const bool hasExtension = dot != std::wstring_view::npos && dot > nameStart;
  const size_t stemEnd = hasExtension ? dot : logPath.size();
  std::wstring path(logPath.substr(0, stemEnd));
  path += L".unsaved-" + Stamp(now);
  if (hasExtension) path += logPath.substr(dot);
  return path;
}

std::wstring RecoveryPathIn(std::wstring_view folder, std::wstring_view logPath, const LocalDateTime& now) {
  const std::wstring beside = RecoveryPathBeside(logPath, now);
  return std::wstring(folder) + beside.substr(NameStart(beside));
}

}  // namespace velmar
