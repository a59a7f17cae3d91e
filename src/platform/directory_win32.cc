// Directories for the Windows layer: file enumerations and listings, all
// through FindFirstFileW over every entry.

#include "platform/directory_win32.h"

#include <algorithm>
#include <cstring>

#include "platform/file_win32.h"
#include "platform/name_pattern.h"
#include "platform/names_win32.h"
#include "platform/path_win32.h"
#include "platform/scoped_win32.h"
#include "platform/system_win32.h"

namespace swu {

namespace {

uint8_t Attributes(const WIN32_FIND_DATAW& data) {
  DWORD raw = data.dwFileAttributes;
  uint8_t attributes = static_cast<uint8_t>(raw & 0xFF);
  if ((raw & FILE_ATTRIBUTE_DIRECTORY) &&
      (raw & FILE_ATTRIBUTE_REPARSE_POINT)) {
    attributes |= kAttrSystem;  // A junction or link: never walked.
  }
  return attributes;
}

// The full path Windows resolves |path| to, links followed, upper-cased
// and ending in '\\'; "" when it cannot be opened.
std::string FinalPath(const std::string& path) {
  ScopedHandle file(CreateFileW(SystemPath(path).c_str(), 0, kShareAll, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                nullptr));
  if (!file.valid()) return "";
  DWORD size = GetFinalPathNameByHandleW(file.get(), nullptr, 0, 0);
  if (size == 0) return "";
  std::wstring buffer(size, L'\0');
  DWORD n = GetFinalPathNameByHandleW(file.get(), &buffer[0], size, 0);
  if (n == 0 || n >= size) return "";
  buffer.resize(n);
  std::string final_path = UpperCopy(PathBytes(buffer));
  if (final_path.back() != '\\') final_path += '\\';
  return final_path;
}

// The entries of one enumeration, read and sorted when it began.
class WindowsDirEnum : public DirEnum {
 public:
  explicit WindowsDirEnum(std::vector<DirEntry> entries)
      : entries_(std::move(entries)) {}
  bool Next(DirEntry* entry) override {
    if (next_ >= entries_.size()) return false;
    *entry = entries_[next_++];
    return true;
  }

 private:
  std::vector<DirEntry> entries_;
  size_t next_ = 0;
};

}  // namespace

void Directories::SetTreeRoot(const std::string& directory) {
  tree_root_ = FinalPath(directory.empty() ? "." : directory);
}

std::unique_ptr<DirEnum> Directories::FindFirst(const std::string& pattern,
                                                bool include_directories,
                                                DirEntry* first) const {
  size_t i = pattern.size();
  while (i > 0 && !IsSplitSeparator(pattern[i - 1])) --i;
  std::vector<DirEntry> entries =
      ReadEntries(pattern.substr(0, i), pattern.substr(i), include_directories);
  if (entries.empty()) return nullptr;
  auto enumeration = std::make_unique<WindowsDirEnum>(std::move(entries));
  enumeration->Next(first);
  return enumeration;
}

bool Directories::LeadsOutsideTree(const std::string& path) const {
  if (tree_root_.empty()) return false;
  std::string target = FinalPath(path);
  return target.compare(0, tree_root_.size(), tree_root_) != 0;
}

// Every entry is listed and matched here, rather than by Windows, whose
// own matching also tries the short 8.3 names ("*.txt" finding a.txtx).
std::vector<DirEntry> Directories::ReadEntries(const std::string& dir,
                                               const std::string& pattern,
                                               bool include_directories) const {
  std::vector<DirEntry> entries;
  if (pattern.empty()) return entries;
  std::wstring upper_pattern = UpperWide(WidePath(pattern));
  WIN32_FIND_DATAW data;
  ScopedFind find(dir + "*", &data);
  if (!find.valid()) return entries;
  do {
    const wchar_t* wide = data.cFileName;
    if (wcscmp(wide, L".") == 0 || wcscmp(wide, L"..") == 0) continue;
    if (!NameMatches(upper_pattern, UpperWide(wide))) continue;
    std::string name = PathBytes(wide);
    uint8_t attributes = Attributes(data);
    if (attributes & (kAttrHidden | kAttrSystem)) continue;
    if ((attributes & kAttrDirectory) && !include_directories) continue;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        !include_directories && HasWildcard(pattern) &&
        LeadsOutsideTree(dir + name)) {
      continue;  // A link out of the -R tree counts as a system entry.
    }
    entries.push_back(DirEntry{attributes, name});
  } while (find.Next(&data));
  std::sort(entries.begin(), entries.end(),
            [](const DirEntry& a, const DirEntry& b) {
              return NameLess(a.name, b.name);
            });
  return entries;
}

bool ListNamesStartingWith(const std::string& directory,
                           const std::string& prefix,
                           std::vector<std::string>* names) {
  names->clear();
  WIN32_FIND_DATAW data;
  ScopedFind find(directory + prefix + "*", &data);
  if (!find.valid()) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    std::string name = PathBytes(data.cFileName);
    if (name.compare(0, prefix.size(), prefix) == 0) names->push_back(name);
  } while (find.Next(&data));
  std::sort(names->begin(), names->end());
  return true;
}

bool ListSubdirectories(const std::string& directory,
                        std::vector<std::string>* names) {
  names->clear();
  WIN32_FIND_DATAW data;
  ScopedFind find(directory + "*", &data);
  if (!find.valid()) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    std::string name = PathBytes(data.cFileName);
    bool directory_entry =
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
        (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
    if (directory_entry && name != "." && name != "..") {
      names->push_back(name);
    }
  } while (find.Next(&data));
  std::sort(names->begin(), names->end());
  return true;
}

bool CannotReadDirectory(const std::string& directory) {
  WIN32_FIND_DATAW data;
  ScopedFind find(directory + "*", &data);
  if (find.valid()) return false;
  DWORD error = GetLastError();
  return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND &&
         error != ERROR_DIRECTORY && error != ERROR_INVALID_NAME;
}

std::string SpeltPath(const std::string& path) {
  std::string spelt;
  size_t begin = 0;
  while (begin < path.size()) {
    size_t end = path.find_first_of("\\/", begin);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(begin, end - begin);
    if (!part.empty() && part != "." && part != ".." &&
        part.find_first_of(":*?") == std::string::npos) {
      WIN32_FIND_DATAW data;
      ScopedFind find(spelt + part, &data);
      if (!find.valid()) return spelt + path.substr(begin);
      part = PathBytes(data.cFileName);
    }
    spelt += part;
    if (end < path.size()) spelt += path[end];
    begin = end + 1;
  }
  return spelt;
}

}  // namespace swu
