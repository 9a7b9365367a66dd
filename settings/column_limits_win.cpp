#include "settings/column_limits_win.h"

namespace velmar {
namespace {

constexpr const wchar_t* kSection = L"Limits";

}  // namespace

std::vector<ColumnLimit> LoadColumnLimits(const Profile& profile) {
  std::vector<ColumnLimit> limits;
  for (const std::wstring& title : profile.ValueNames(kSection)) {
    // The unnamed value is the key's default, never a column.
    if (TrimmedTitle(title).empty()) continue;
    LimitParse parsed = ParseLimitRange(title, profile.ReadText(kSection, title.c_str()));
    if (parsed.limit) PutLimit(limits, std::move(*parsed.limit));
  }
  return limits;
}

void StoreColumnLimit(const Profile& profile, const ColumnLimit& limit) {
  const std::wstring title(TrimmedTitle(limit.title));
  if (title.empty()) return;
  if (limit.low || limit.high) {
    profile.WriteText(kSection, title.c_str(), LimitRangeText(limit));
  } else {
    profile.DeleteValue(kSection, title.c_str());
  }
}

}  // namespace velmar
