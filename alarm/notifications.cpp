#include "alarm/notifications.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace velmar {
namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Digits after the point of a plain decimal such as "25.31"; none for "26" or "2.5e+01".
size_t Decimals(std::wstring_view number) {
  const size_t point = number.find(L'.');
  if (point == std::wstring_view::npos) return 0;
  const std::wstring_view after = number.substr(point + 1);
  return std::all_of(after.begin(), after.end(), IsDigit) ? after.size() : 0;
}

// "above 25.1" shown beside "25.31" becomes "above 25.10", so the two read alike.
std::wstring WithDecimals(std::wstring_view limit, size_t decimals) {
  const size_t space = limit.rfind(L' ');
  const std::wstring_view number = limit.substr(space == std::wstring_view::npos ? 0 : space + 1);
  const bool plain = !number.empty() && std::all_of(number.begin(), number.end(), [](wchar_t c) {
    return IsDigit(c) || c == L'-' || c == L'.';
  }) && number.find(L"..") == std::wstring_view::npos;
  std::wstring text(limit);
  if (!plain || Decimals(number) >= decimals) return text;
  if (number.find(L'.') == std::wstring_view::npos) text += L'.';
  return text.append(decimals - Decimals(number), L'0');
}

std::wstring Joined(const std::vector<std::wstring>& texts, std::wstring_view separator) {
  std::wstring joined;
  for (const std::wstring& text : texts) joined += (joined.empty() ? L"" : std::wstring(separator)) + text;
  return joined;
}

}  // namespace

std::wstring AlarmBalloonText(const AlarmEvent& event) {
  std::wstring text = event.source;
  if (!event.value.empty()) text += L" " + event.value;
  if (!event.limit.empty()) text += L" " + WithDecimals(event.limit, Decimals(event.value));
  wchar_t since[32];
  const int length = std::swprintf(since, std::size(since), L" since %02d:%02d:%02d", event.time.hour,
                                   event.time.minute, event.time.second);
  return text.append(since, static_cast<size_t>(std::max(length, 0)));
}

NoticeSteps AlarmNotices::SetActivity(RunActivity activity) {
  NoticeSteps steps;
  if (activity == RunActivity::Idle || activity_ == RunActivity::Idle) active_.clear();
  activity_ = activity;
  if (active_.empty() && flashing_) {
    flashing_ = false;
    steps.flash = Flash::Stop;
  }
  ShowIcon(steps);
  return steps;
}

NoticeSteps AlarmNotices::OnEvents(const std::vector<AlarmEvent>& events, bool windowActive) {
  NoticeSteps steps;
  std::vector<std::wstring> raised;
  for (const AlarmEvent& event : events) {
    if (event.change == AlarmChange::Raised) {
      active_.push_back(event.source);
      raised.push_back(AlarmBalloonText(event));
    } else if (const auto found = std::find(active_.begin(), active_.end(), event.source); found != active_.end()) {
      active_.erase(found);
    }
  }
  if (!raised.empty()) {
    steps.balloon = Balloon{raised.size() == 1 ? L"Alarm" : std::to_wstring(raised.size()) + L" alarms",
                            Joined(raised, L"\n")};
    steps.sound = sound_;
    if (!windowActive && !flashing_) {
      flashing_ = true;
      steps.flash = Flash::Start;
    }
  }
  if (active_.empty() && flashing_) {
    flashing_ = false;
    steps.flash = Flash::Stop;
  }
  ShowIcon(steps);
  return steps;
}

NoticeSteps AlarmNotices::WindowActivated() {
  NoticeSteps steps;
  if (flashing_) {
    flashing_ = false;
    steps.flash = Flash::Stop;
  }
  return steps;
}

NoticeSteps AlarmNotices::TaskbarCreated() {
  NoticeSteps steps;
  steps.iconLost = true;
  if (shown_.state != TrayState::None) steps.icon = shown_;
  return steps;
}

TrayIcon AlarmNotices::IconNow() const {
  switch (activity_) {
    case RunActivity::Idle:
      return {};
    case RunActivity::WaitingForPort:
      return {TrayState::Waiting, L"Waiting for the port"};
    case RunActivity::Running:
      break;
  }
  if (active_.empty()) return {TrayState::Running, L"Logging"};
  std::vector<std::wstring> sources;
  for (const std::wstring& source : active_) {
    if (std::find(sources.begin(), sources.end(), source) == sources.end()) sources.push_back(source);
  }
  return {TrayState::Alarm, L"Alarm: " + Joined(sources, L", ")};
}

void AlarmNotices::ShowIcon(NoticeSteps& steps) {
  const TrayIcon now = IconNow();
  if (now == shown_) return;
  shown_ = now;
  steps.icon = now;
}

}  // namespace velmar
