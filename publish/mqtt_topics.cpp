#include "publish/mqtt_topics.h"

namespace velmar {

std::wstring TopicPrefixFor(std::wstring_view chosen, std::wstring_view computerName, std::wstring_view instrument) {
  if (!chosen.empty()) return std::wstring(chosen);
  std::wstring name(computerName);
  // A name is one topic level, never a wildcard.
  for (wchar_t& c : name) {
    if (c == L'/' || c == L'+' || c == L'#') c = L'_';
  }
  return L"velmar/" + (name.empty() ? L"unknown" : name) + L"/" + std::wstring(instrument);
}

std::wstring TopicPrefixProblem(std::wstring_view prefix) {
  if (prefix.empty()) return L"The topic prefix is empty.";
  if (prefix.find_first_of(L"+#") != std::wstring_view::npos) return L"A topic prefix may not hold + or #.";
  if (prefix.front() == L'$') return L"A topic prefix may not start with $.";
  return {};
}

std::wstring ClientIdFor(std::wstring_view computerName, unsigned long processId) {
  return L"velmar-" + std::wstring(computerName) + L"-" + std::to_wstring(processId);
}

}  // namespace velmar
