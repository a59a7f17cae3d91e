// Directories for the POSIX layer: file enumerations, the attributes of
// their entries, and the -R walk's directories held open.

#include "platform/directory_posix.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <cstring>

#include "base/reserved_names.h"
#include "platform/name_pattern.h"

namespace swu {

// How the last file enumeration of a directory saw each entry, by name.
using Notes = std::unordered_map<std::string, Listed>;

// A directory of the -R walk, held open while the walk's enumeration of
// it lives, with the notes of its last file enumeration.
struct HeldDirectory {
  ScopedDir stream;
  Notes files;
};

namespace {

// The attributes of the entry |name| of the directory open as |dir_fd|.
// A link to a regular file is noted in *listed with the file it names.
uint8_t Attributes(int dir_fd, const char* name, Listed* listed) {
  struct stat st;
  uint8_t attributes = 0;
  if (name[0] == '.') attributes |= kAttrHidden;
  if (fstatat(dir_fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
    return attributes | kAttrSystem;
  }
  if (S_ISLNK(st.st_mode)) {
    if (fstatat(dir_fd, name, &st, 0) != 0) return attributes | kAttrSystem;
    if (S_ISDIR(st.st_mode)) return attributes | kAttrSystem | kAttrDirectory;
    listed->link = true;
    listed->target = IdentityOf(st);
  }
  if (S_ISDIR(st.st_mode)) {
    return attributes | kAttrDirectory;  // Never read-only: see the header.
  } else if (S_ISREG(st.st_mode)) {
    attributes |= kAttrArchive;
  } else {
    return attributes | kAttrSystem;
  }
  if (faccessat(dir_fd, name, W_OK, 0) != 0) attributes |= kAttrReadOnly;
  return attributes;
}

// The attributes of a directory entry, from its type where readdir gives
// one, so that a plain file or directory costs no system call. A plain
// file's read-only bit is not worked out: nothing asks for it, and the
// open for update tells a file that cannot be written.
uint8_t Classify(int dir_fd, const struct dirent& e, Listed* listed) {
  if (e.d_type == DT_REG) return kAttrArchive;
  if (e.d_type == DT_DIR) return kAttrDirectory;
  return Attributes(dir_fd, e.d_name, listed);
}

bool HasWildcard(const std::string& pattern) {
  return pattern.find_first_of("*?") != std::string::npos;
}

std::string RealPath(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (real == nullptr) return std::string();
  std::string out = real;
  free(real);
  return out;
}

// True when the entry |name| of |dir| is a symbolic link whose target
// lies outside the directory |root| (a real path).
bool LinksOutside(int dir_fd, const std::string& dir, const struct dirent& e,
                  const std::string& root) {
  if (e.d_type != DT_LNK && e.d_type != DT_UNKNOWN) return false;
  struct stat st;
  if (fstatat(dir_fd, e.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
      !S_ISLNK(st.st_mode)) {
    return false;
  }
  std::string target = RealPath((dir.empty() ? "./" : dir) + e.d_name);
  if (target.empty()) return true;  // Dangling: a system entry anyway.
  if (root == "/") return false;
  return target.compare(0, root.size(), root) != 0 ||
         (target.size() > root.size() && target[root.size()] != '/');
}

// Reads the entries of the directory |dir|, open as |d|, that match
// |pattern|, leaving out '.', '..', hidden and system entries,
// directories unless asked for, and, when |root| is not empty, links to
// anything outside |root|. Sorted. Notes how each entry returned was
// seen in *notes, unless it is null. Sets *reserved when any entry's
// name begins as the program's own files do.
std::vector<DirEntry> ReadEntries(const ScopedDir& d, const std::string& dir,
                                  const std::string& pattern,
                                  bool include_directories,
                                  const std::string& root, Notes* notes,
                                  bool* reserved) {
  std::vector<DirEntry> entries;
  int fd = d.fd();
  while (struct dirent* e = readdir(d.get())) {
    if (e->d_name[0] == '.') {  // Hidden, '.' and '..': never returned.
      if (HasReservedPrefix(e->d_name)) *reserved = true;
      continue;
    }
    if (!NameMatches(pattern, e->d_name)) continue;
    Listed listed;
    uint8_t attributes = Classify(fd, *e, &listed);
    if (attributes & (kAttrHidden | kAttrSystem)) continue;
    if ((attributes & kAttrDirectory) && !include_directories) continue;
    if (!root.empty() && LinksOutside(fd, dir, *e, root)) continue;
    entries.push_back(DirEntry{attributes, e->d_name});
    if (notes != nullptr) (*notes)[e->d_name] = listed;
  }
  std::sort(entries.begin(), entries.end(),
            [](const DirEntry& a, const DirEntry& b) {
              return NameLess(a.name, b.name);
            });
  return entries;
}

// Splits the directory |dir| (ending in '/') into its parent ("" or
// ending in '/') and its last name. Returns false when it has no name.
bool SplitDirectory(const std::string& dir, std::string* parent,
                    std::string* name) {
  if (dir.size() < 2 || dir.back() != '/') return false;
  size_t slash = dir.rfind('/', dir.size() - 2);
  size_t name_at = slash == std::string::npos ? 0 : slash + 1;
  *parent = dir.substr(0, name_at);
  *name = dir.substr(name_at, dir.size() - 1 - name_at);
  return !name->empty();
}

// The entries of one enumeration, read and sorted when it began.
class PosixDirEnum : public DirEnum {
 public:
  PosixDirEnum(std::vector<DirEntry> entries, bool reserved)
      : entries_(std::move(entries)), reserved_(reserved) {}
  ~PosixDirEnum() override {
    if (held_by_ == nullptr) return;
    auto it = held_by_->find(path_);
    if (it != held_by_->end() && it->second == &held_) held_by_->erase(it);
  }
  bool Next(DirEntry* entry) override {
    if (next_ >= entries_.size()) return false;
    *entry = entries_[next_++];
    return true;
  }
  bool MayHoldReservedNames() const override { return reserved_; }

  // Keeps |stream|, the directory |path| of the walk, open in |held| for
  // as long as this enumeration lives.
  void HoldOpen(ScopedDir stream, const std::string& path,
                HeldDirectories* held) {
    assert(stream.valid() && held_by_ == nullptr);
    held_.stream = std::move(stream);
    path_ = path;
    held_by_ = held;
    (*held)[path] = &held_;
  }

 private:
  std::vector<DirEntry> entries_;
  bool reserved_;  // a name of the program's own was seen
  size_t next_ = 0;
  HeldDirectory held_;                  // the walk's directory, when held
  std::string path_;                    // its key in |held_by_|
  HeldDirectories* held_by_ = nullptr;  // null: nothing held
};

}  // namespace

void Directories::SetTreeRoot(const std::string& directory) {
  tree_root_ = RealPath(directory.empty() ? "." : directory);
}

std::unique_ptr<DirEnum> Directories::FindFirst(const std::string& pattern,
                                                bool include_directories,
                                                DirEntry* first) {
  const std::string& p = pattern;
  size_t slash = p.rfind('/');
  std::string dir = slash == std::string::npos ? "" : p.substr(0, slash + 1);
  std::string name_pattern =
      slash == std::string::npos ? p : p.substr(slash + 1);
  // Links out of the tree are left out of the file enumerations; the
  // walk's own enumerations enter no link anyway.
  bool keep_inside = !include_directories && HasWildcard(name_pattern);
  std::string resolved = resolver_->Resolve(dir);
  ScopedDir d = OpenDirectory(resolved);
  if (!d.valid()) return nullptr;
  bool reserved = false;
  std::vector<DirEntry> entries = ReadEntries(
      d, resolved, name_pattern, include_directories,
      keep_inside ? tree_root_ : std::string(),
      include_directories ? nullptr : NotesFor(resolved), &reserved);
  if (entries.empty()) return nullptr;
  auto enumeration =
      std::make_unique<PosixDirEnum>(std::move(entries), reserved);
  if (include_directories && !tree_root_.empty()) {
    enumeration->HoldOpen(std::move(d), resolved, &held_);
  }
  enumeration->Next(first);
  return enumeration;
}

bool Directories::CannotRead(const std::string& directory) {
  if (OpenDirectory(directory).valid()) return false;
  return errno != ENOENT && errno != ENOTDIR && errno != ELOOP;
}

int Directories::HeldDirectoryOf(const std::string& path, std::string* name) {
  if (held_.empty()) return AT_FDCWD;
  // The walk holds its directories under their resolved spelling.
  std::string resolved = resolver_->Quick(path);
  size_t slash = resolved.rfind('/');
  size_t name_at = slash == std::string::npos ? 0 : slash + 1;
  auto dir = held_.find(resolved.substr(0, name_at));
  if (dir == held_.end() || name_at == resolved.size()) return AT_FDCWD;
  *name = resolved.substr(name_at);
  return dir->second->stream.fd();
}

bool Directories::OpenListed(const std::string& path, OpenMode mode,
                             ScopedFd* fd, struct stat* opened) {
  if (held_.empty()) return false;
  size_t slash = path.rfind('/');
  size_t name_at = slash == std::string::npos ? 0 : slash + 1;
  auto dir = held_.find(path.substr(0, name_at));
  if (dir == held_.end()) return false;
  const Notes& notes = dir->second->files;
  auto file = notes.find(path.substr(name_at));
  if (file == notes.end()) return false;
  *fd = OpenRegularAt(dir->second->stream.fd(), file->first, mode,
                      &file->second, 0, opened);
  return true;
}

// Under -R a directory the walk holds open is read through its descriptor,
// and a subdirectory of one is opened relative to it, and only while it is
// a directory there, not a link put in its place since it was listed.
ScopedDir Directories::OpenDirectory(const std::string& dir) {
  const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  std::string parent, name;
  ScopedFd fd;
  auto held = held_.find(dir);
  if (held != held_.end()) {
    fd.reset(openat(held->second->stream.fd(), ".", flags));
  } else if (SplitDirectory(dir, &parent, &name) &&
             (held = held_.find(parent)) != held_.end()) {
    fd.reset(
        openat(held->second->stream.fd(), name.c_str(), flags | O_NOFOLLOW));
  } else {
    return ScopedDir(opendir(dir.empty() ? "." : dir.c_str()));
  }
  if (!fd.valid()) return ScopedDir();
  ScopedDir d(fdopendir(fd.get()));
  if (d.valid()) fd.Release();  // The stream owns it now.
  return d;
}

Notes* Directories::NotesFor(const std::string& dir) {
  auto held = held_.find(dir);
  if (held == held_.end()) return nullptr;
  held->second->files.clear();
  return &held->second->files;
}

bool ListNamesStartingWith(const std::string& directory,
                           const std::string& prefix,
                           std::vector<std::string>* names) {
  names->clear();
  ScopedDir d(opendir(directory.empty() ? "." : directory.c_str()));
  if (!d.valid()) return false;
  while (struct dirent* e = readdir(d.get())) {
    if (strncmp(e->d_name, prefix.c_str(), prefix.size()) == 0) {
      names->push_back(e->d_name);
    }
  }
  std::sort(names->begin(), names->end());
  return true;
}

bool ListSubdirectories(const std::string& directory,
                        std::vector<std::string>* names) {
  names->clear();
  ScopedDir d(opendir(directory.empty() ? "." : directory.c_str()));
  if (!d.valid()) return false;
  while (struct dirent* e = readdir(d.get())) {
    if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) {
      continue;
    }
    struct stat st;
    bool directory_entry =
        e->d_type == DT_DIR ||
        (e->d_type == DT_UNKNOWN &&
         fstatat(d.fd(), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
         S_ISDIR(st.st_mode));
    if (directory_entry) names->push_back(e->d_name);
  }
  std::sort(names->begin(), names->end());
  return true;
}

}  // namespace swu
