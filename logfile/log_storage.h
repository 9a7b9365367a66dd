#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace velmar {

// The file system as a run's log uses it. Lines end in "\n"; the storage writes them with the
// file's own line ends. Every line reaches its file whole or not at all.
class LogStorage {
 public:
  virtual ~LogStorage() = default;
  // Text for the file, in its code page.
  virtual std::string FileText(const std::wstring& text) = 0;
  virtual bool Exists(const std::wstring& path) = 0;
  // Appends the lines in order, creating the file when missing; stops at the first line the
  // file refuses and returns how many went in.
  virtual size_t AppendLines(const std::wstring& path, const std::vector<const std::string*>& lines) = 0;
  // All the lines or none: a file this call created and could not fill is removed again, so
  // no half file is left to be mistaken for the whole.
  virtual bool WriteWhole(const std::wstring& path, const std::vector<const std::string*>& lines) = 0;
  // The folder (with its trailing separator) for files no place beside the log takes; empty
  // when there is none.
  virtual std::wstring TempFolder() = 0;
};

}  // namespace velmar
