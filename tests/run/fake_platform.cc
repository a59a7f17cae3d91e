// The in-memory platform of the run tests.

#include "run/fake_platform.h"

#include <algorithm>

#include "platform/name_pattern.h"

namespace swu {
namespace run_test {

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

std::string UpperCopy(std::string s) {
  for (char& c : s) c = Upper(c);
  return s;
}

class FakeDirEnum : public DirEnum {
 public:
  FakeDirEnum(std::vector<DirEntry> entries, int* open)
      : entries_(std::move(entries)), open_(open) {
    ++*open_;
  }
  ~FakeDirEnum() override { --*open_; }
  bool Next(DirEntry* entry) override {
    if (next_ >= entries_.size()) return false;
    *entry = entries_[next_++];
    return true;
  }

 private:
  std::vector<DirEntry> entries_;
  size_t next_ = 0;
  int* open_;
};

}  // namespace

// Writes straight into the node; the tests need no buffering.
class FakeStream : public File {
 public:
  FakeStream(FakePlatform* platform, std::string key, bool append)
      : platform_(platform), key_(std::move(key)), append_(append) {}
  bool Seek(int64_t offset, Whence whence) override {
    int64_t base = whence == Whence::kStart     ? 0
                   : whence == Whence::kCurrent ? position_
                                                : Size();
    if (base + offset < 0) return false;
    position_ = base + offset;
    return true;
  }
  int64_t Tell() override { return position_; }
  int64_t Read(void* data, int64_t n) override {
    const std::string& bytes = Data();
    int64_t count = std::min<int64_t>(n, Size() - position_);
    if (count <= 0) return 0;
    std::copy_n(bytes.data() + position_, count, static_cast<char*>(data));
    position_ += count;
    return count;
  }
  void Write(const void* data, int64_t n) override {
    std::string& bytes = Data();
    if (append_) position_ = Size();
    if (static_cast<int64_t>(bytes.size()) < position_ + n) {
      bytes.resize(position_ + n);
    }
    std::copy_n(static_cast<const char*>(data), n, &bytes[position_]);
    position_ += n;
  }
  bool error() const override { return false; }
  bool Close() override { return true; }
  void WriteAt(const void* data, int64_t n, int64_t offset) override {
    int64_t at = position_;
    bool append = append_;
    position_ = offset;
    append_ = false;
    Write(data, n);
    position_ = at;
    append_ = append;
  }
  bool SetLength(int64_t length) override {
    Data().resize(static_cast<size_t>(length));
    return true;
  }
  bool Identify(FileIdentity* identity) override {
    return platform_->Identify(key_, identity);
  }
  bool Lock(int64_t) override { return true; }
  int64_t ReadAt(void* data, int64_t n, int64_t offset) override {
    int64_t count = std::min<int64_t>(n, Size() - offset);
    if (count <= 0) return 0;
    std::copy_n(Data().data() + offset, count, static_cast<char*>(data));
    return count;
  }
  bool Sync() override { return true; }

 private:
  std::string& Data() { return platform_->nodes_[key_].data; }
  int64_t Size() { return static_cast<int64_t>(Data().size()); }

  FakePlatform* platform_;
  std::string key_;
  bool append_;
  int64_t position_ = 0;
};

FakePlatform::FakePlatform() { nodes_["/"].dir = true; }

std::string FakePlatform::Key(const std::string& path) const {
  std::string full = path;
  std::replace(full.begin(), full.end(), '\\', '/');
  if (full.empty() || full[0] != '/') full = cwd_ + "/" + full;
  std::vector<std::string> parts;
  size_t i = 0;
  while (i <= full.size()) {
    size_t slash = full.find('/', i);
    if (slash == std::string::npos) slash = full.size();
    std::string part = full.substr(i, slash - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(UpperCopy(part));
    }
    i = slash + 1;
  }
  std::string key;
  for (const std::string& part : parts) key += "/" + part;
  return key.empty() ? "/" : key;
}

std::string FakePlatform::Parent(const std::string& key) {
  size_t slash = key.rfind('/');
  return slash == 0 ? "/" : key.substr(0, slash);
}

bool FakePlatform::HasChildren(const std::string& key) const {
  for (const auto& [k, node] : nodes_) {
    if (k != "/" && k != key && Parent(k) == key) return true;
  }
  return false;
}

void FakePlatform::AddParents(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  if (slash != std::string::npos && slash > 0) AddDir(path.substr(0, slash));
}

void FakePlatform::AddDir(const std::string& path) {
  std::string key = Key(path);
  if (key == "/") return;
  AddParents(path);
  Node& node = nodes_[key];
  node.dir = true;
  node.name = path.substr(path.find_last_of("/\\") + 1);
}

void FakePlatform::AddFile(const std::string& path, const std::string& data) {
  std::string key = Key(path);
  AddParents(path);
  Node& node = nodes_[key];
  node.dir = false;
  node.name = path.substr(path.find_last_of("/\\") + 1);
  node.data = data;
}

void FakePlatform::AddAttributes(const std::string& path, uint8_t bits) {
  nodes_[Key(path)].extra |= bits;
}

bool FakePlatform::IsDir(const std::string& path) const {
  auto it = nodes_.find(Key(path));
  return it != nodes_.end() && it->second.dir;
}

bool FakePlatform::IsFile(const std::string& path) const {
  auto it = nodes_.find(Key(path));
  return it != nodes_.end() && !it->second.dir;
}

std::string FakePlatform::Contents(const std::string& path) const {
  auto it = nodes_.find(Key(path));
  return it == nodes_.end() ? std::string() : it->second.data;
}

void FakePlatform::Print(const char* data, size_t n) { output.append(data, n); }

void FakePlatform::ReadKey() { ++keys_read; }

std::unique_ptr<File> FakePlatform::Open(const std::string& path,
                                         OpenMode mode) {
  std::string key = Key(path);
  if (fail_open.count(path)) return nullptr;
  auto it = nodes_.find(key);
  bool exists = it != nodes_.end();
  if (exists && it->second.dir) return nullptr;
  if (mode == OpenMode::kRead || mode == OpenMode::kUpdate) {
    if (!exists) return nullptr;
  } else if (mode == OpenMode::kCreateNew && exists) {
    return nullptr;
  } else {
    if (!IsDir(Parent(key))) return nullptr;
    Node& node = nodes_[key];
    node.name = path.substr(path.find_last_of("/\\") + 1);
    if (mode != OpenMode::kAppend && mode != OpenMode::kOpenAlways) {
      node.data.clear();
    }
  }
  return std::make_unique<FakeStream>(this, key, mode == OpenMode::kAppend);
}

bool FakePlatform::DeleteFile(const std::string& path) {
  if (!IsFile(path)) return false;
  nodes_.erase(Key(path));
  return true;
}

bool FakePlatform::Identify(const std::string& path, FileIdentity* identity) {
  std::string key = Key(path);
  auto it = nodes_.find(key);
  if (it == nodes_.end()) return false;
  identity->device = 1;
  static uint64_t ids = 0;
  if (it->second.id == 0) it->second.id = ++ids;
  identity->file_number = it->second.id;
  identity->size = static_cast<int64_t>(it->second.data.size());
  identity->modified = 0;
  identity->regular = !it->second.dir;
  return true;
}

std::unique_ptr<File> FakePlatform::CreateTemporary(const std::string& beside,
                                                    std::string* path) {
  size_t slash = beside.find_last_of("/\\");
  std::string dir =
      slash == std::string::npos ? "" : beside.substr(0, slash + 1);
  for (int n = 0;; ++n) {
    std::string candidate = dir + ".swu-" + std::to_string(n);
    if (nodes_.count(Key(candidate)) == 0) {
      *path = candidate;
      return Open(candidate, OpenMode::kCreateNew);
    }
  }
}

bool FakePlatform::RenameOver(const std::string& from, const std::string& to) {
  if (!IsFile(from) || IsDir(to) || !IsDir(Parent(Key(to)))) return false;
  Node node = nodes_[Key(from)];
  nodes_.erase(Key(from));
  node.name = to.substr(to.find_last_of("/\\") + 1);
  nodes_[Key(to)] = node;
  return true;
}

// A name that fails Open cannot be created by a rename either.
bool FakePlatform::RenameNew(const std::string& from, const std::string& to) {
  if (nodes_.count(Key(to)) != 0 || fail_open.count(to)) return false;
  return RenameOver(from, to);
}

std::unique_ptr<DirEnum> FakePlatform::FindFirst(const std::string& pattern,
                                                 bool include_directories,
                                                 DirEntry* first) {
  size_t slash = pattern.find_last_of("/\\");
  std::string dir = slash == std::string::npos ? "" : pattern.substr(0, slash);
  if (slash == 0) dir = "/";
  std::string name_pattern =
      slash == std::string::npos ? pattern : pattern.substr(slash + 1);
  std::string dir_key = Key(dir);
  if (!IsDir(dir_key)) return nullptr;
  std::vector<DirEntry> entries;
  for (const auto& [key, node] : nodes_) {
    if (key == "/" || key == dir_key || Parent(key) != dir_key) continue;
    if (node.name[0] == '.' || !NameMatches(name_pattern, node.name)) continue;
    uint8_t attributes =
        (node.dir ? kAttrDirectory : kAttrArchive) | node.extra;
    if (attributes & (kAttrHidden | kAttrSystem)) continue;
    if (node.dir && !include_directories) continue;
    entries.push_back(DirEntry{attributes, node.name});
  }
  // The map is ordered by upper-cased path, which is the enumeration order.
  if (entries.empty()) return nullptr;
  auto enumeration =
      std::make_unique<FakeDirEnum>(std::move(entries), &open_enumerations);
  most_enumerations = std::max(most_enumerations, open_enumerations);
  enumeration->Next(first);
  return enumeration;
}

bool FakePlatform::MakeDirectory(const std::string& path) {
  std::string key = Key(path);
  if (fail_make_directory.count(path) || nodes_.count(key)) return false;
  if (!IsDir(Parent(key))) return false;
  AddDir(path);
  return true;
}

bool FakePlatform::RemoveDirectory(const std::string& path) {
  std::string key = Key(path);
  if (!IsDir(key) || key == "/" || HasChildren(key)) return false;
  nodes_.erase(key);
  removed_directories.push_back(path);
  return true;
}

bool FakePlatform::GetCurrentDirectory(std::string* path) {
  *path = cwd_;
  return true;
}

bool FakePlatform::SetCurrentDirectory(const std::string& path) {
  if (!IsDir(path)) return false;
  cwd_ = Key(path);
  return true;
}

}  // namespace run_test
}  // namespace swu
