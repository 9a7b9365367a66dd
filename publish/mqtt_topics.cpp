#include "publish/mqtt_topics.h"

#include <mosquitto.h>

#include <algorithm>
#include <cstdint>

namespace velmar {

namespace {

// Of the topics under a prefix ("/row", "/alarm", "/status"), the longest.
constexpr std::string_view kLongestLeaf = "/status";
constexpr size_t kMaxTopicBytes = 65535;

// As UTF-8, the form the library checks. A surrogate without its pair stays three bytes of its
// own, no valid UTF-8, so the library refuses it rather than a replacement character passing.
std::string Utf8Of(std::wstring_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = static_cast<uint32_t>(text[i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
      const uint32_t low = static_cast<uint32_t>(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c <= 0x10FFFF) {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += '\xFF';
    }
  }
  return out;
}

// The library's control characters: C0, DEL and C1.
bool IsControl(wchar_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

}  // namespace

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
  const std::string topic = Utf8Of(prefix) + std::string(kLongestLeaf);
  const bool libraryTakes = mosquitto_pub_topic_check2(topic.data(), topic.size()) == MOSQ_ERR_SUCCESS &&
                            mosquitto_validate_utf8(topic.data(), static_cast<int>(topic.size())) == MOSQ_ERR_SUCCESS;
  if (libraryTakes) {
    // A broker refuses $SYS and $share, and a subscriber's "#" never sees the others.
    return prefix.front() == L'$' ? L"A topic prefix may not start with $." : L"";
  }
  // The library tells only that it refuses: the words say why.
  if (prefix.find_first_of(L"+#") != std::wstring_view::npos) return L"A topic prefix may not hold + or #.";
  if (std::any_of(prefix.begin(), prefix.end(), IsControl)) {
    return L"A topic prefix may not hold control characters, such as a TAB.";
  }
  if (topic.size() > kMaxTopicBytes) {
    return L"A topic prefix may be at most " + std::to_wstring(kMaxTopicBytes - kLongestLeaf.size()) +
           L" bytes long in UTF-8.";
  }
  return L"A topic prefix must be valid Unicode text.";
}

std::wstring ClientIdFor(std::wstring_view computerName, unsigned long processId) {
  return L"velmar-" + std::wstring(computerName) + L"-" + std::to_wstring(processId);
}

}  // namespace velmar
