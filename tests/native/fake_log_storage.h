#pragma once
#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "logfile/log_storage.h"

namespace velmar {

// Files in memory, one line per entry; a path in `refusing` (or every path while `refusesAll`)
// takes nothing, as a locked file or a full disk would, and every path takes at most
// `takesAtMost` lines of a call, as a disk filling up would.
struct FakeLogStorage final : LogStorage {
  std::map<std::wstring, std::vector<std::string>> files;
  std::set<std::wstring> refusing;
  bool refusesAll = false;
  size_t takesAtMost = SIZE_MAX;
  bool tempFolder = true;

  bool Refuses(const std::wstring& path) const { return refusesAll || refusing.contains(path); }

  std::string FileText(const std::wstring& text) override { return std::string(text.begin(), text.end()); }
  bool Exists(const std::wstring& path) override { return files.contains(path); }
  size_t AppendLines(const std::wstring& path, const std::vector<const std::string*>& lines) override {
    if (Refuses(path)) return 0;
    const size_t taken = std::min(lines.size(), takesAtMost);
    for (size_t i = 0; i < taken; ++i) files[path].push_back(*lines[i]);
    return taken;
  }
  bool WriteWhole(const std::wstring& path, const std::vector<const std::string*>& lines) override {
    return !Refuses(path) && lines.size() <= takesAtMost && AppendLines(path, lines) == lines.size();
  }
  std::wstring TempFolder() override { return tempFolder ? L"T:\\temp\\" : L""; }

  // The file's content as one text.
  std::string Text(const std::wstring& path) const {
    std::string text;
    if (const auto found = files.find(path); found != files.end()) {
      for (const std::string& line : found->second) text += line;
    }
    return text;
  }
};

}  // namespace velmar
