#include "logfile/log_file_names.h"

namespace velmar {
namespace {

void AppendTwoDigits(std::wstring& out, int value) {
  out.push_back(static_cast<wchar_t>(L'0' + value / 10 % 10));
  out.push_back(static_cast<wchar_t>(L'0' + value % 10));
}

size_t NameStart(std::wstring_view path) {
  const size_t separator = path.find_last_of(L"\\/:");
  return separator == std::wstring_view::npos ? 0 : separator + 1;
}

// Where the extension begins: a leading dot names a hidden file, not an extension.
size_t StemEnd(std::wstring_view path) {
  const size_t dot = path.find_last_of(L'.');
  return dot != std::wstring_view::npos && dot > NameStart(path) ? dot : path.size();
}

}  // namespace

std::wstring WithStemSuffix(std::wstring_view path, std::wstring_view suffix) {
  const size_t stemEnd = StemEnd(path);
  return std::wstring(path.substr(0, stemEnd)) + std::wstring(suffix) + std::wstring(path.substr(stemEnd));
}

std::wstring EventsPathBeside(std::wstring_view logPath) {
  return std::wstring(logPath.substr(0, StemEnd(logPath))) + L".events.csv";
}

std::wstring FileStamp(const LocalDateTime& time) {
  std::wstring text = std::to_wstring(time.year);
  AppendTwoDigits(text, time.month);
  AppendTwoDigits(text, time.day);
  text.push_back(L'-');
  AppendTwoDigits(text, time.hour);
  AppendTwoDigits(text, time.minute);
  AppendTwoDigits(text, time.second);
  return text;
}

std::wstring RecoveryPathBeside(std::wstring_view logPath, const LocalDateTime& now) {
  return WithStemSuffix(logPath, L".unsaved-" + FileStamp(now));
}

std::wstring RecoveryPathIn(std::wstring_view folder, std::wstring_view logPath, const LocalDateTime& now) {
  const std::wstring beside = RecoveryPathBeside(logPath, now);
  return std::wstring(folder) + beside.substr(NameStart(beside));
}

std::wstring SplitFilePath(std::wstring_view chosenPath, const LocalDateTime& opened, int copy) {
  std::wstring suffix = L"-" + FileStamp(opened);
  if (copy > 1) suffix += L"-" + std::to_wstring(copy);
  return WithStemSuffix(chosenPath, suffix);
}

}  // namespace velmar
