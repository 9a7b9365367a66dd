// Prints the alarm monitor's CPU per poll for the Combo preset's 14 columns: with a limit on
// every column, inside the bands and leaving them often, and with none (the health checks only).
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "alarm/alarm_monitor.h"
#include "core/presets.h"
#include "core/reply_fields.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPolls = 1'000'000;
constexpr size_t kColumns = 14;

// Replies as the simulator sends them, drifting, every 997th silent.
std::vector<std::string> Replies() {
  std::vector<std::string> replies;
  for (int row = 0; row < 1000; ++row) {
    std::string reply;
    char field[32];
    for (size_t c = 0; c < kColumns && row % 997 != 996; ++c) {
      std::snprintf(field, sizeof field, c == 0 ? "%.3f" : ",%.3f", 10.0 * static_cast<double>(c + 1) + std::sin(row * 0.05 + c));
      reply += field;
    }
    replies.push_back(reply);
  }
  return replies;
}

double NanosecondsPerPoll(const std::vector<velmar::ColumnLimit>& limits, size_t& events) {
  const std::vector<std::string> replies = Replies();
  velmar::AlarmMonitor monitor;
  monitor.Begin(velmar::kComboPreset.columnTitles, limits);
  velmar::LoggedRow row;
  const Clock::time_point start = Clock::now();
  for (int poll = 0; poll < kPolls; ++poll) {
    row.point = poll + 1;
    row.elapsedMs = int64_t{poll} * 100;
    row.reply = replies[static_cast<size_t>(poll) % replies.size()];
    events += monitor.Poll(row, {}).size();
  }
  return std::chrono::duration<double, std::nano>(Clock::now() - start).count() / kPolls;
}

// A band around each column's drift, two polls in a row; the values swing by 1.
std::vector<velmar::ColumnLimit> Limits(double halfWidth) {
  std::vector<velmar::ColumnLimit> limits;
  const std::vector<std::wstring> titles = velmar::SplitTitles(velmar::kComboPreset.columnTitles);
  for (size_t c = 0; c < titles.size(); ++c) {
    const double middle = 10.0 * static_cast<double>(c + 1);
    limits.push_back({titles[c], middle - halfWidth, middle + halfWidth, 2});
  }
  return limits;
}

void Print(const char* what, const std::vector<velmar::ColumnLimit>& limits) {
  size_t events = 0;
  const double ns = NanosecondsPerPoll(limits, events);
  std::printf("  %-44s %6.0f ns per poll, %zu alarm and clear events\n", what, ns, events);
}

}  // namespace

int main() {
  std::printf("alarm monitor, Combo preset (14 columns), %d polls\n", kPolls);
  Print("limits on every column, values inside", Limits(2.0));
  Print("limits on every column, leaving them often", Limits(0.9));
  Print("no limits (the health checks only)", {});
  return 0;
}
