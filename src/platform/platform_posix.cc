// The POSIX implementation of the platform layer.
//
// Paths arrive as the program's buffers hold them. Only what the user
// typed has its '\' turned into '/' (FromTypedPath); a name read from a
// directory keeps its '\' as part of the name. A directory component is
// looked up as the user spelt the filespec first (the program upper-cases
// it), then as given, then as an entry of the same name compared without
// regard to ASCII case.
//
// Under -R (SetTreeRoot) a file enumeration with a wildcard pattern leaves out
// a symbolic link whose target lies outside the walk's starting directory.
// The walk's enumerations keep their directories open, so that what was
// listed is what gets used even if the tree's owner swaps an entry for a
// link meanwhile: a subdirectory is opened relative to its parent with
// O_NOFOLLOW, and a listed file relative to its directory, with O_NOFOLLOW
// when it was listed as a plain file, or, when it was a link, only if it
// still names the file it named then (the fstat the open makes anyway).
//
// Attributes of an entry follow the DOS bits the program tests: directory
// 0x10 (never read-only: a directory the process may not write is still
// walked); read-only 0x01 when the process may not write a file; hidden 0x02
// for a name beginning with '.'; archive 0x20 for a regular file; system 0x04
// for anything else (device, FIFO, socket, dangling link) and for a symbolic
// link to a directory. A link to a regular file counts as that file.

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/xattr.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "base/reserved_names.h"
#include "platform/image_posix.h"
#include "platform/name_pattern.h"
#include "platform/platform.h"

namespace swu {

namespace {

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

std::string UpperCopy(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = UpperAscii(c);
  return out;
}

// Entries sort by their upper-case form, ties by raw bytes, so that runs
// and reports are reproducible.
bool NameLess(const std::string& a, const std::string& b) {
  std::string ua = UpperCopy(a), ub = UpperCopy(b);
  if (ua != ub) return ua < ub;
  return a < b;
}

// True for the errors of flock where the file system has no locks to give
// (NFS without a lock manager, some FUSE mounts): there the file is used
// without one, as it would be on a system without locks.
bool NoLocking(int error) {
  return error == ENOLCK || error == EOPNOTSUPP || error == EINVAL;
}

constexpr int kTemporaryAttempts = 10;

// The directory part of |path|, ending in '/', or "".
std::string DirectoryOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// Locks the new temporary |fd| through |hold|, its second descriptor, for
// the life of the run that made it, so that RemoveLeftTemporaries in
// another run leaves it alone. Returns false when |path| no longer names
// it: another run took it for a killed run's and removed it before the
// lock was had.
bool HoldTemporary(int fd, int hold, const char* path) {
  while (flock(hold, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    if (!NoLocking(errno)) return false;
    break;  // Used without a lock.
  }
  struct stat written, held, named;
  return fstat(fd, &written) == 0 && fstat(hold, &held) == 0 &&
         lstat(path, &named) == 0 && written.st_ino == held.st_ino &&
         held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

// Deletes the temporary |path| when no live run holds its lock: a run
// that was killed left it. Where locks are not to be had it stays.
void RemoveIfLeft(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return;
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
      flock(fd, LOCK_EX | LOCK_NB) == 0) {
    unlink(path.c_str());
  }
  close(fd);
}

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// Finds the entry of |dir| whose name equals |name| ignoring ASCII case.
// Stores it in *found and returns true on success.
bool FindIgnoringCase(const std::string& dir, const std::string& name,
                      std::string* found) {
  DIR* d = opendir(dir.empty() ? "." : dir.c_str());
  if (d == nullptr) return false;
  bool any = false;
  while (struct dirent* e = readdir(d)) {
    std::string candidate = e->d_name;
    if (!EqualIgnoringCase(candidate, name)) continue;
    if (!any || NameLess(candidate, *found)) *found = candidate;
    any = true;
  }
  closedir(d);
  return any;
}

// The user's spelling of a directory component, keyed by the path as the
// program holds it up to and including that component.
using Spellings = std::unordered_map<std::string, std::string>;

// Resolves each component of |p|: to the user's spelling when that
// exists, else as given when that exists, else to an entry of the same
// name ignoring case.
std::string ResolveComponents(const std::string& p,
                              const Spellings& spellings) {
  std::string out;
  size_t i = 0;
  if (!p.empty() && p[0] == '/') {
    out = "/";
    i = 1;
  }
  while (i < p.size()) {
    size_t slash = p.find('/', i);
    if (slash == std::string::npos) slash = p.size();
    std::string component = p.substr(i, slash - i);
    std::string next = out + component;
    auto spelt = spellings.find(p.substr(0, slash));
    if (spelt != spellings.end() && spelt->second != component &&
        Exists(out + spelt->second)) {
      next = out + spelt->second;
    } else if (!component.empty() && component != "." && component != ".." &&
               !Exists(next)) {
      std::string found;
      if (FindIgnoringCase(out.empty() ? "." : out, component, &found)) {
        next = out + found;
      }
    }
    out = next;
    if (slash < p.size()) out += '/';
    i = slash + 1;
  }
  return out;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Turns paths as the program holds them into ones the OS can open. The
// directory part of a path is resolved once and remembered, since every
// file of a directory shares it.
class PathResolver {
 public:
  // The path with its directory part as last resolved and its name as
  // given: costs no system call once the directory has been seen. Used
  // first by opens, which fall back on Resolve() when it does not exist.
  std::string Quick(const std::string& path) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const std::string& p = path;
    size_t slash = p.rfind('/');
    if (slash == std::string::npos) return p;
    auto it = directories_.find(p.substr(0, slash + 1));
    if (it == directories_.end()) return Resolve(path);
    return it->second + p.substr(slash + 1);
  }

  std::string Resolve(const std::string& path) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const std::string& p = path;
    size_t slash = p.rfind('/');
    if (slash == std::string::npos) return ResolveName("", p);
    return ResolveName(ResolveDirectory(p.substr(0, slash + 1)),
                       p.substr(slash + 1));
  }

  // Resolves a directory part ending in '/'.
  std::string ResolveDirectory(const std::string& dir) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto it = directories_.find(dir);
    if (it != directories_.end() && IsDirectory(it->second)) {
      return it->second;
    }
    std::string resolved = IsDirectory(dir) && spellings_.empty()
                               ? dir
                               : ResolveComponents(dir, spellings_);
    if (IsDirectory(resolved)) directories_[dir] = resolved;
    return resolved;
  }

  // Records the directory components of |typed| as the user spelt them,
  // keyed by their upper-cased form, which is how the program passes them.
  void NoteSpelling(const std::string& typed) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    size_t begin = 0;
    for (size_t slash = typed.find('/'); slash != std::string::npos;
         begin = slash + 1, slash = typed.find('/', begin)) {
      if (slash == begin) continue;  // the root, or a doubled '/'
      spellings_[UpperCopy(typed.substr(0, slash))] =
          typed.substr(begin, slash - begin);
    }
    directories_.clear();
  }

 private:
  static std::string ResolveName(const std::string& dir,
                                 const std::string& name) {
    std::string full = dir + name;
    if (name.empty() || name == "." || name == ".." || Exists(full)) {
      return full;
    }
    std::string found;
    if (FindIgnoringCase(dir.empty() ? "." : dir, name, &found)) {
      return dir + found;
    }
    return full;
  }

  // Files are opened from worker threads too (OpensConcurrently).
  std::recursive_mutex mutex_;
  std::unordered_map<std::string, std::string> directories_;
  Spellings spellings_;
};

FileIdentity IdentityOf(const struct stat& st);

// How a file enumeration saw an entry, kept under -R so that the entry is
// opened later as it was listed.
struct Listed {
  bool link = false;    // a symbolic link, followed as the file it names
  FileIdentity target;  // for a link: the file it named when listed
};

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
    return attributes | kAttrDirectory;  // Never read-only: see above.
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

FileIdentity IdentityOf(const struct stat& st) {
  FileIdentity identity;
  identity.device = static_cast<uint64_t>(st.st_dev);
  identity.file_number = static_cast<uint64_t>(st.st_ino);
  identity.size = static_cast<int64_t>(st.st_size);
  identity.modified =
      static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  identity.regular = S_ISREG(st.st_mode);
  identity.owner = static_cast<uint32_t>(st.st_uid);
  identity.group = static_cast<uint32_t>(st.st_gid);
  identity.mode = static_cast<uint32_t>(st.st_mode & 07777);
  identity.links = static_cast<uint32_t>(st.st_nlink);
  return identity;
}

// A stream straight on a file descriptor, without a buffer of its own:
// the program collects small writes itself, so every call here is one
// system call and a failed write never leaves bytes behind that a later
// call could still write somewhere.
// The extended attribute that notes a pending rewrite's journal on a file.
constexpr char kNoteName[] = "user.swu.journal";

class PosixStream : public Stream {
 public:
  // |appending|: every write goes to the end of the file (O_APPEND), so
  // the stream cannot know its position without asking.
  PosixStream(int fd, bool appending)
      : fd_(fd), appending_(appending), offset_(appending ? -1 : 0) {}
  ~PosixStream() override {
    Close();
    if (hold_fd_ >= 0) close(hold_fd_);
  }

  // Keeps the lock of a temporary on |hold_fd|, a second descriptor of the
  // file, which stays open after Close until the stream is destroyed:
  // the temporary is closed, and its writes checked, before it takes its
  // name, yet no other run takes it for a killed run's meanwhile.
  void HoldWith(int hold_fd) { hold_fd_ = hold_fd; }

  bool Seek(int64_t offset, Whence whence) override {
    int w = whence == Whence::kStart     ? SEEK_SET
            : whence == Whence::kCurrent ? SEEK_CUR
                                         : SEEK_END;
    if (fd_ < 0) return false;
    if (whence == Whence::kStart && offset == offset_) return true;
    // A seek from the start is made by the next read or write, if one
    // comes: a stream only positioned and closed costs no call.
    if (whence == Whence::kStart && !appending_ && offset >= 0) {
      offset_ = offset;
      seek_pending_ = true;
      return true;
    }
    if (!SeekPending()) return false;
    off_t at = lseek(fd_, static_cast<off_t>(offset), w);
    if (at < 0) return false;
    if (!appending_) offset_ = static_cast<int64_t>(at);
    return true;
  }
  int64_t Tell() override {
    if (fd_ < 0) return -1;
    if (offset_ >= 0) return offset_;
    return static_cast<int64_t>(lseek(fd_, 0, SEEK_CUR));
  }
  int64_t Read(void* data, int64_t n) override {
    char* bytes = static_cast<char*>(data);
    int64_t total = 0;
    if (!SeekPending()) {
      error_ = true;
      return 0;
    }
    while (fd_ >= 0 && total < n) {
      ssize_t got = read(fd_, bytes + total, Chunk(n - total));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        if (got < 0) error_ = true;
        break;
      }
      total += got;
    }
    if (offset_ >= 0) offset_ += total;
    return total;
  }
  void Write(const void* data, int64_t n) override {
    const char* bytes = static_cast<const char*>(data);
    if (!SeekPending()) {
      error_ = true;
      return;
    }
    while (fd_ >= 0 && n > 0) {
      ssize_t done = write(fd_, bytes, Chunk(n));
      if (done < 0 && errno == EINTR) continue;
      if (done <= 0) break;
      bytes += done;
      if (offset_ >= 0) offset_ += done;
      n -= done;
    }
    if (fd_ < 0 || n > 0) error_ = true;
  }
  bool error() const override { return error_; }
  bool Close() override {
    if (fd_ < 0) return true;
    bool ok = close(fd_) == 0 && !error_;
    fd_ = -1;
    return ok;
  }

  void WriteAt(const void* data, int64_t n, int64_t offset) override {
    const char* bytes = static_cast<const char*>(data);
    while (fd_ >= 0 && n > 0) {
      ssize_t done = pwrite(fd_, bytes, Chunk(n), static_cast<off_t>(offset));
      if (done < 0 && errno == EINTR) continue;
      if (done <= 0) break;
      bytes += done;
      offset += done;
      n -= done;
    }
    if (fd_ < 0 || n > 0) error_ = true;
  }
  bool SetLength(int64_t length) override {
    return fd_ >= 0 && ftruncate(fd_, static_cast<off_t>(length)) == 0;
  }
  int64_t ReadAt(void* data, int64_t n, int64_t offset) override {
    char* bytes = static_cast<char*>(data);
    int64_t total = 0;
    while (fd_ >= 0 && total < n) {
      ssize_t got = pread(fd_, bytes + total, Chunk(n - total),
                          static_cast<off_t>(offset + total));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      total += got;
    }
    return total;
  }
  bool unlocked() const override { return unlocked_; }
  bool Sync() override {
    while (fd_ >= 0) {
      if (fdatasync(fd_) == 0) return true;
      if (errno != EINTR) return false;
    }
    return false;
  }
  bool SetNote(const std::string& note) override {
    return fd_ >= 0 &&
           fsetxattr(fd_, kNoteName, note.data(), note.size(), 0) == 0;
  }
  bool GetNote(std::string* note) override {
    char bytes[4096];
    ssize_t n = fd_ < 0 ? -1 : fgetxattr(fd_, kNoteName, bytes, sizeof(bytes));
    if (n <= 0) return false;
    note->assign(bytes, static_cast<size_t>(n));
    return true;
  }
  void ClearNote() override {
    if (fd_ >= 0) fremovexattr(fd_, kNoteName);
  }
  bool SetOwner(uint32_t owner) override {
    return fd_ >= 0 &&
           fchown(fd_, static_cast<uid_t>(owner), static_cast<gid_t>(-1)) == 0;
  }
  bool Allocate(int64_t length) override {
    struct stat st;
    if (fd_ < 0 || fstat(fd_, &st) != 0) return false;
    if (length <= st.st_size) return true;
    int error = posix_fallocate(fd_, st.st_size,
                                static_cast<off_t>(length - st.st_size));
    if (error == 0) return true;
    // A file system that cannot reserve space gets the length alone.
    if (error != EINVAL && error != EOPNOTSUPP) return false;
    return ftruncate(fd_, static_cast<off_t>(length)) == 0;
  }
  bool Identify(FileIdentity* identity) override {
    struct stat st;
    if (fstat(fd_ >= 0 ? fd_ : hold_fd_, &st) != 0) return false;
    *identity = IdentityOf(st);
    return true;
  }
  bool Lock(int64_t wait_ms) override {
    if (fd_ < 0) return false;
    // flock locks belong to this open file, so other descriptors of the
    // same file in this process neither share nor release them.
    for (int64_t waited = 0;; waited += kLockPollMs) {
      if (flock(fd_, LOCK_EX | LOCK_NB) == 0) return true;
      if (NoLocking(errno)) return unlocked_ = true;  // Used without one.
      if (errno != EWOULDBLOCK && errno != EINTR) return false;
      if (waited >= wait_ms) return false;
      struct timespec pause = {0, kLockPollMs * 1000000L};
      nanosleep(&pause, nullptr);
    }
  }

  std::unique_ptr<FileImage> MapImage(int64_t size) override {
    if (fd_ < 0) return nullptr;
    return MappedImage::Map(fd_, size);
  }
  // Where the owner or group cannot be copied (the process lacks the
  // privilege), the set-ID bits are dropped: they would lend the rights
  // of an owner other than the file's.
  bool SetPermissions(const FileIdentity* replaced) override {
    int fd = fd_ >= 0 ? fd_ : hold_fd_;
    struct stat now;
    if (fstat(fd, &now) != 0) return false;
    if (replaced == nullptr) {
      mode_t mask = umask(0);
      umask(mask);
      return fchmod(fd, 0666 & ~mask) == 0;
    }
    bool same_owner =
        (now.st_uid == replaced->owner && now.st_gid == replaced->group) ||
        fchown(fd, replaced->owner, replaced->group) == 0;
    mode_t mode = replaced->mode & 07777;
    if (!same_owner) mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
    return fchmod(fd, mode) == 0;
  }

 private:
  static constexpr int64_t kLockPollMs = 20;
  static constexpr int64_t kMaxChunk = 1 << 30;  // one call's bytes at most

  static size_t Chunk(int64_t n) {
    return static_cast<size_t>(n < kMaxChunk ? n : kMaxChunk);
  }

  // Makes a seek that Seek() left for later. Returns false on failure.
  bool SeekPending() {
    if (!seek_pending_ || fd_ < 0) return true;
    seek_pending_ = false;
    return lseek(fd_, static_cast<off_t>(offset_), SEEK_SET) == offset_;
  }

  int fd_;
  int hold_fd_ = -1;  // a temporary's lock, kept past Close (HoldWith)
  bool appending_;
  bool error_ = false;
  int64_t offset_;             // the file position, -1 while not known
  bool seek_pending_ = false;  // offset_ is still to be set on the file
  bool unlocked_ = false;      // Lock() found no locks on this file system
};

// How the last file enumeration of a directory saw each entry, by name.
using Notes = std::unordered_map<std::string, Listed>;

// A directory of the -R walk, held open while the walk's enumeration of
// it lives, with the notes of its last file enumeration.
struct TreeDirectory {
  DIR* stream = nullptr;
  Notes files;
};

// The directories the walk holds open, by their resolved path ("" or
// ending in '/').
using TreeDirectories = std::unordered_map<std::string, TreeDirectory*>;

class PosixDirEnum : public DirEnum {
 public:
  PosixDirEnum(std::vector<DirEntry> entries, bool reserved)
      : entries_(std::move(entries)), reserved_(reserved) {}
  ~PosixDirEnum() override {
    if (tree_ == nullptr) return;
    auto it = tree_->find(path_);
    if (it != tree_->end() && it->second == &held_) tree_->erase(it);
    closedir(held_.stream);
  }
  bool Next(DirEntry* entry) override {
    if (next_ >= entries_.size()) return false;
    *entry = entries_[next_++];
    return true;
  }
  bool MayHoldReservedNames() const override { return reserved_; }

  // Keeps |stream|, the directory |path| of the walk, open in |tree| for
  // as long as this enumeration lives.
  void HoldOpen(DIR* stream, const std::string& path, TreeDirectories* tree) {
    held_.stream = stream;
    path_ = path;
    tree_ = tree;
    (*tree)[path] = &held_;
  }

 private:
  std::vector<DirEntry> entries_;
  bool reserved_;  // a name of the program's own was seen
  size_t next_ = 0;
  TreeDirectory held_;               // the walk's directory, when held
  std::string path_;                 // its key in |tree_|
  TreeDirectories* tree_ = nullptr;  // null: nothing held
};

// The open(2) flags of each stream mode.
int FlagsFor(OpenMode mode) {
  switch (mode) {
    case OpenMode::kRead:
      return O_RDONLY;
    case OpenMode::kUpdate:
      return O_RDWR;
    case OpenMode::kCreate:
      return O_RDWR | O_CREAT | O_TRUNC;
    case OpenMode::kAppend:
      return O_RDWR | O_CREAT | O_APPEND;
    case OpenMode::kOpenAlways:
      return O_RDWR | O_CREAT;
    case OpenMode::kCreateNew:
      return O_RDWR | O_CREAT | O_EXCL;
    case OpenMode::kReserved:
      return O_RDWR | O_NOFOLLOW;
    case OpenMode::kCreatePrivate:
      return O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW;
    case OpenMode::kReadNoLink:
      return O_RDONLY | O_NOFOLLOW;
  }
  return O_RDONLY;
}

// True when the open file |st| is what its enumeration saw: a link still
// names the file it named then (a plain entry was opened with O_NOFOLLOW).
bool AsListed(const struct stat& st, const Listed* listed) {
  return listed == nullptr || !listed->link ||
         SameFile(IdentityOf(st), listed->target);
}

// Opens |name| in the directory |dir_fd| (AT_FDCWD: |name| is a path) and
// returns its descriptor, or -1. Only a regular file is opened: a FIFO,
// device or socket could block the open or a read for ever, and a
// directory is not a file. The open itself does not block (O_NONBLOCK,
// which changes nothing for a regular file afterwards, so it stays set),
// and an existing file is truncated only once it is known to be a regular
// one. With |listed|, only the file the enumeration saw is opened.
int OpenRegularAt(int dir_fd, const std::string& name, OpenMode mode,
                  const Listed* listed, int extra_flags = 0,
                  struct stat* opened = nullptr) {
  int flags = FlagsFor(mode) | extra_flags;
  if (listed != nullptr && !listed->link) flags |= O_NOFOLLOW;
  struct stat before;
  // A reserved name holding anything but a regular file is never opened:
  // opening a FIFO would release a writer waiting on it.
  if (mode == OpenMode::kReserved &&
      (fstatat(dir_fd, name.c_str(), &before, AT_SYMLINK_NOFOLLOW) != 0 ||
       !S_ISREG(before.st_mode))) {
    errno = EACCES;
    return -1;
  }
  mode_t permissions = mode == OpenMode::kCreatePrivate ? 0600 : 0666;
  int fd = openat(dir_fd, name.c_str(),
                  (flags & ~O_TRUNC) | O_NONBLOCK | O_CLOEXEC | O_NOCTTY,
                  permissions);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !AsListed(st, listed)) {
    close(fd);
    errno = EACCES;
    return -1;
  }
  if ((flags & O_TRUNC) && ftruncate(fd, 0) != 0) {
    close(fd);
    return -1;
  }
  if (opened != nullptr) *opened = st;
  return fd;
}

int OpenRegular(const std::string& path, OpenMode mode,
                struct stat* opened = nullptr) {
  return OpenRegularAt(AT_FDCWD, path, mode, nullptr, 0, opened);
}

// Opens |path| to append to. A symbolic link at the name is followed only
// when the process's user or root owns it: in a directory others may
// write, another user's link would lead the appended bytes into a file
// of the process's choosing, with its rights.
int OpenToAppend(const std::string& path) {
  int fd = OpenRegularAt(AT_FDCWD, path, OpenMode::kAppend,
                         /*listed=*/nullptr, O_NOFOLLOW);
  if (fd >= 0 || errno != ELOOP) return fd;
  struct stat link;
  if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode) ||
      (link.st_uid != geteuid() && link.st_uid != 0)) {
    errno = EACCES;
    return -1;
  }
  return OpenRegular(path, OpenMode::kAppend);
}

// The interruption handling. The handler only remembers the signal while
// a file is being rewritten; at any other time it ends the process as the
// signal's default action would. SA_RESTART keeps a held signal from
// failing the file's reads and writes.
volatile sig_atomic_t g_interrupt = 0;  // the signal remembered, 0 none
volatile sig_atomic_t g_deferring = 0;  // a file is being rewritten
// A file to delete when an interruption ends the process at once.
char g_delete_path[4096];
volatile sig_atomic_t g_delete_armed = 0;

const int kInterruptSignals[] = {SIGINT, SIGTERM, SIGHUP};

void OnInterrupt(int signal_number) {
  // Once one is remembered the run is already ending: a second signal
  // must not cut short the file's finishing or the report.
  if (g_interrupt != 0) return;
  g_interrupt = signal_number;
  if (g_deferring) return;
  if (g_delete_armed) unlink(g_delete_path);
  ::signal(signal_number, SIG_DFL);
  raise(signal_number);
}

void InstallInterruptHandlers() {
  struct sigaction action;
  memset(&action, 0, sizeof(action));
  action.sa_handler = OnInterrupt;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (int s : kInterruptSignals) sigaddset(&action.sa_mask, s);
  for (int s : kInterruptSignals) {
    struct sigaction previous;
    // A signal the caller ignores (nohup, a background job) stays ignored.
    if (sigaction(s, nullptr, &previous) == 0 &&
        previous.sa_handler == SIG_IGN) {
      continue;
    }
    sigaction(s, &action, nullptr);
  }
  ::signal(SIGXFSZ, SIG_IGN);
  ::signal(SIGPIPE, SIG_IGN);
}

// The terminal settings to restore if a signal ends the key wait.
struct termios g_saved_terminal;
volatile sig_atomic_t g_terminal_saved = 0;

void RestoreTerminalOnSignal(int signal_number) {
  if (g_terminal_saved) tcsetattr(STDIN_FILENO, TCSANOW, &g_saved_terminal);
  ::signal(signal_number, SIG_DFL);
  raise(signal_number);
}

void ReadRawKey() {
  struct termios raw;
  if (tcgetattr(STDIN_FILENO, &g_saved_terminal) != 0) {
    char c;
    (void)!read(STDIN_FILENO, &c, 1);
    return;
  }
  g_terminal_saved = 1;
  const int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
  struct sigaction action, previous[4];
  memset(&action, 0, sizeof(action));
  action.sa_handler = RestoreTerminalOnSignal;
  for (int i = 0; i < 4; ++i) sigaction(kSignals[i], &action, &previous[i]);
  raw = g_saved_terminal;
  raw.c_lflag &= ~(ICANON | ECHO);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  tcsetattr(STDIN_FILENO, TCSANOW, &raw);
  char c;
  while (read(STDIN_FILENO, &c, 1) < 0 && errno == EINTR) {
  }
  tcsetattr(STDIN_FILENO, TCSANOW, &g_saved_terminal);
  g_terminal_saved = 0;
  for (int i = 0; i < 4; ++i) sigaction(kSignals[i], &previous[i], nullptr);
}

class PosixPlatform : public Platform {
 public:
  void Print(const char* data, size_t n) override {
    fwrite(data, 1, n, messages_);
  }
  void MessagesToStandardError() override { messages_ = stderr; }
  void PrintNote(const char* data, size_t n) override {
    fflush(messages_);
    fwrite(data, 1, n, stderr);
  }
  void WriteOutput(const char* data, size_t n) override {
    fwrite(data, 1, n, stdout);
  }
  bool OutputIsTerminal() const override { return isatty(STDOUT_FILENO); }

  void ReadKey() override {
    fflush(stdout);
    if (isatty(STDIN_FILENO)) {
      ReadRawKey();
    } else {
      char c;
      while (read(STDIN_FILENO, &c, 1) < 0 && errno == EINTR) {
      }
    }
  }

  bool ReadStandardInput(std::string* bytes) override {
    char chunk[65536];
    for (;;) {
      ssize_t n = read(STDIN_FILENO, chunk, sizeof(chunk));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return false;
      if (n == 0) return true;
      bytes->append(chunk, static_cast<size_t>(n));
    }
  }

  std::unique_ptr<Stream> Open(const std::string& path,
                               OpenMode mode) override {
    return OpenStat(path, mode, nullptr);
  }

  bool OpensConcurrently() const override { return true; }

  // Opening a file to read or update costs no second stat: the one the
  // open makes to check that it is a regular file tells what it is.
  std::unique_ptr<Stream> OpenIdentified(const std::string& path, OpenMode mode,
                                         FileIdentity* identity) override {
    if (mode != OpenMode::kRead && mode != OpenMode::kUpdate) {
      return Platform::OpenIdentified(path, mode, identity);
    }
    struct stat st;
    std::unique_ptr<Stream> stream = OpenStat(path, mode, &st);
    if (stream != nullptr) *identity = IdentityOf(st);
    return stream;
  }

  // Open, storing in *opened (when not null, and only for a file to read
  // or update) the stat of the file opened.
  std::unique_ptr<Stream> OpenStat(const std::string& path, OpenMode mode,
                                   struct stat* opened) {
    if (path.empty()) return nullptr;
    // A file to read or update must exist: its name is tried as given
    // before it is looked for ignoring case. A file to create or append
    // to takes an existing file of the same name ignoring case.
    bool must_exist = mode == OpenMode::kRead || mode == OpenMode::kUpdate;
    std::string quick = must_exist ? resolver_.Quick(path) : std::string();
    int fd = -1;
    if (must_exist && OpenListed(quick, mode, &fd, opened)) {
      // Under -R a listed file is opened as listed or not at all.
      if (fd < 0) return nullptr;
      return std::make_unique<PosixStream>(fd, /*appending=*/false);
    }
    if (must_exist) fd = OpenRegular(quick, mode, opened);
    if (mode == OpenMode::kCreateNew || mode == OpenMode::kCreatePrivate ||
        mode == OpenMode::kReserved || mode == OpenMode::kReadNoLink) {
      // A new file, or a name the program made, takes exactly the name
      // given; under -R in the directory the walk holds, whatever its
      // path has come to name since.
      std::string name;
      int dir = HeldDirectoryOf(path, &name);
      fd = dir != AT_FDCWD ? OpenRegularAt(dir, name, mode, nullptr)
                           : OpenRegular(resolver_.Quick(path), mode);
    } else if (mode == OpenMode::kAppend) {
      fd = OpenToAppend(resolver_.Resolve(path));
    } else if (fd < 0 && (!must_exist || errno == ENOENT || errno == ENOTDIR)) {
      fd = OpenRegular(resolver_.Resolve(path), mode, opened);
    }
    if (fd < 0) return nullptr;
    return std::make_unique<PosixStream>(fd, mode == OpenMode::kAppend);
  }

  bool DeleteFile(const std::string& path) override {
    std::string name;
    int dir = HeldDirectoryOf(path, &name);
    if (dir != AT_FDCWD) return unlinkat(dir, name.c_str(), 0) == 0;
    return unlink(resolver_.Resolve(path).c_str()) == 0;
  }

  bool Identify(const std::string& path, FileIdentity* identity) override {
    if (path.empty()) return false;
    // Under -R a name in a directory the walk holds is looked up there: one
    // call, and never through a link put in the directory's place.
    std::string name;
    int dir = HeldDirectoryOf(path, &name);
    if (dir == AT_FDCWD) return StatPath(resolver_.Resolve(path), identity);
    struct stat st;
    if (fstatat(dir, name.c_str(), &st, 0) == 0) {
      *identity = IdentityOf(st);
      return true;
    }
    // A name spelt in another case than the directory has it.
    return errno == ENOENT && StatPath(resolver_.Resolve(path), identity);
  }

  bool IdentifyExact(const std::string& path, FileIdentity* identity) override {
    std::string name;
    int dir = HeldDirectoryOf(path, &name);
    struct stat st;
    if (dir == AT_FDCWD) {
      return !path.empty() && StatPath(resolver_.Quick(path), identity);
    }
    if (fstatat(dir, name.c_str(), &st, 0) != 0) return false;
    *identity = IdentityOf(st);
    return true;
  }

  std::unique_ptr<Stream> CreateTemporary(const std::string& beside,
                                          std::string* path) override {
    std::string resolved = resolver_.Resolve(beside);
    struct stat st;
    if (lstat(resolved.c_str(), &st) != 0 && errno == ENAMETOOLONG) {
      return nullptr;  // The temporary could never be renamed to that name.
    }
    std::string dir = DirectoryOf(resolved);
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
      std::string name = dir + TemporaryName(NameBits());
      int fd = OpenRegular(name, OpenMode::kCreatePrivate);
      if (fd < 0 && errno == EEXIST) continue;
      if (fd < 0) return nullptr;
      int hold = OpenRegular(name, OpenMode::kReadNoLink);
      if (hold >= 0 && HoldTemporary(fd, hold, name.c_str())) {
        *path = name;
        auto stream = std::make_unique<PosixStream>(fd, /*appending=*/false);
        stream->HoldWith(hold);
        return stream;
      }
      // Another run removed it before it was locked.
      if (hold >= 0) close(hold);
      close(fd);
    }
    return nullptr;
  }

  void RemoveLeftTemporaries(const std::string& beside) override {
    std::string dir = DirectoryOf(resolver_.Resolve(beside));
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (d == nullptr) return;
    while (struct dirent* e = readdir(d)) {
      if (IsTemporaryName(e->d_name)) RemoveIfLeft(dir + e->d_name);
    }
    closedir(d);
  }

  bool RenameNew(const std::string& from, const std::string& to) override {
    std::string source, target;
    int from_dir = HeldDirectoryOf(from, &source);
    int to_dir = HeldDirectoryOf(to, &target);
    if (from_dir == AT_FDCWD) source = resolver_.Quick(from);
    if (to_dir == AT_FDCWD) target = resolver_.Quick(to);
#ifdef RENAME_NOREPLACE
    if (renameat2(from_dir, source.c_str(), to_dir, target.c_str(),
                  RENAME_NOREPLACE) == 0) {
      return true;
    }
    if (errno != EINVAL && errno != ENOSYS) return false;
#endif
    // Where the file system cannot rename without replacing: a link fails
    // on an existing name as the rename would.
    if (linkat(from_dir, source.c_str(), to_dir, target.c_str(), 0) != 0) {
      return false;
    }
    unlinkat(from_dir, source.c_str(), 0);
    return true;
  }

  bool SyncDirectoryOf(const std::string& path) override {
    std::string resolved = resolver_.Resolve(path);
    size_t slash = resolved.rfind('/');
    std::string dir =
        slash == std::string::npos ? "." : resolved.substr(0, slash + 1);
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
  }

  bool ListNamesStartingWith(const std::string& directory,
                             const std::string& prefix,
                             std::vector<std::string>* names) override {
    names->clear();
    std::string dir = resolver_.Resolve(directory);
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (d == nullptr) return false;
    while (struct dirent* e = readdir(d)) {
      if (strncmp(e->d_name, prefix.c_str(), prefix.size()) == 0) {
        names->push_back(e->d_name);
      }
    }
    closedir(d);
    std::sort(names->begin(), names->end());
    return true;
  }

  bool ListSubdirectories(const std::string& directory,
                          std::vector<std::string>* names) override {
    names->clear();
    std::string dir = resolver_.Resolve(directory);
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (d == nullptr) return false;
    while (struct dirent* e = readdir(d)) {
      if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) {
        continue;
      }
      struct stat st;
      bool directory_entry =
          e->d_type == DT_DIR ||
          (e->d_type == DT_UNKNOWN &&
           fstatat(dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISDIR(st.st_mode));
      if (directory_entry) names->push_back(e->d_name);
    }
    closedir(d);
    std::sort(names->begin(), names->end());
    return true;
  }

  bool RenameOver(const std::string& from, const std::string& to) override {
    return rename(from.c_str(), resolver_.Resolve(to).c_str()) == 0;
  }

  void WatchInterrupts() override { InstallInterruptHandlers(); }
  void DeferInterrupts(bool defer) override { g_deferring = defer ? 1 : 0; }
  void DeleteOnInterrupt(const std::string& path) override {
    g_delete_armed = 0;
    std::string resolved = path.empty() ? path : resolver_.Quick(path);
    if (resolved.empty() || resolved.size() >= sizeof(g_delete_path)) return;
    memcpy(g_delete_path, resolved.c_str(), resolved.size() + 1);
    g_delete_armed = 1;
  }
  bool Interrupted() override { return g_interrupt != 0; }
  void EndByInterrupt() override {
    if (g_interrupt == 0) return;
    fflush(stdout);
    if (g_delete_armed) unlink(g_delete_path);
    int signal_number = g_interrupt;
    ::signal(signal_number, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal_number);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(signal_number);
  }

  // A large block is mapped on a 2 MiB boundary and advised for huge
  // pages, which makes reading a big file into it several times cheaper
  // (far fewer page faults). Small blocks come from the heap.
  char* AllocateBlock(int64_t size) override {
    if (size < kHugeBlock) return Platform::AllocateBlock(size);
    size_t length = MappedLength(size);
    void* raw = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    uintptr_t start = reinterpret_cast<uintptr_t>(raw);
    uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
    // Give back the unaligned head and the unused tail.
    if (aligned > start) munmap(raw, aligned - start);
    size_t tail = kHugePage - (aligned - start);
    if (tail > 0) munmap(reinterpret_cast<void*>(aligned + length), tail);
    madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
    return reinterpret_cast<char*>(aligned);
  }

  void FreeBlock(char* block, int64_t size) override {
    if (size < kHugeBlock) return Platform::FreeBlock(block, size);
    munmap(block, MappedLength(size));
  }

  std::unique_ptr<DirEnum> FindFirst(const std::string& pattern,
                                     bool include_directories,
                                     DirEntry* first) override {
    const std::string& p = pattern;
    size_t slash = p.rfind('/');
    std::string dir = slash == std::string::npos ? "" : p.substr(0, slash + 1);
    std::string name_pattern =
        slash == std::string::npos ? p : p.substr(slash + 1);
    // Links out of the tree are left out of the file enumerations; the
    // walk's own enumerations enter no link anyway.
    bool keep_inside = !include_directories && HasWildcard(name_pattern);
    std::string resolved = resolver_.Resolve(dir);
    DIR* d = OpenDirectory(resolved);
    if (d == nullptr) return nullptr;
    bool reserved = false;
    std::vector<DirEntry> entries = ReadEntries(
        d, resolved, name_pattern, include_directories,
        keep_inside ? tree_root_ : std::string(),
        include_directories ? nullptr : NotesFor(resolved), &reserved);
    if (entries.empty()) {
      closedir(d);
      return nullptr;
    }
    auto enumeration =
        std::make_unique<PosixDirEnum>(std::move(entries), reserved);
    if (include_directories && !tree_root_.empty()) {
      enumeration->HoldOpen(d, resolved, &tree_);
    } else {
      closedir(d);
    }
    enumeration->Next(first);
    return enumeration;
  }

  bool CannotReadDirectory(const std::string& directory) override {
    DIR* d = OpenDirectory(resolver_.Resolve(directory));
    if (d != nullptr) {
      closedir(d);
      return false;
    }
    return errno != ENOENT && errno != ENOTDIR && errno != ELOOP;
  }

  bool MakeDirectory(const std::string& path) override {
    return mkdir(resolver_.Resolve(path).c_str(), 0777) == 0;
  }

  bool RemoveDirectory(const std::string& path) override {
    return rmdir(resolver_.Resolve(path).c_str()) == 0;
  }

  bool GetCurrentDirectory(std::string* path) override {
    std::vector<char> buffer(4096);
    if (getcwd(buffer.data(), buffer.size()) == nullptr) return false;
    *path = buffer.data();
    return true;
  }

  bool SetCurrentDirectory(const std::string& path) override {
    return chdir(resolver_.Resolve(path).c_str()) == 0;
  }

  uint32_t CurrentUser() const override {
    static const uid_t user = geteuid();  // The process never changes it.
    return static_cast<uint32_t>(user);
  }
  // Asked before every rewrite; the process never changes its limit, so
  // the first answer stands.
  int64_t FileSizeLimit() const override {
    static const int64_t limit = ReadFileSizeLimit();
    return limit;
  }
  static int64_t ReadFileSizeLimit() {
    struct rlimit limit;
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0 ||
        limit.rlim_cur == RLIM_INFINITY ||
        limit.rlim_cur > static_cast<rlim_t>(INT64_MAX)) {
      return INT64_MAX;
    }
    return static_cast<int64_t>(limit.rlim_cur);
  }
  uint64_t NameBits() override {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    uint64_t clock = static_cast<uint64_t>(now.tv_sec) * 1000000000u +
                     static_cast<uint64_t>(now.tv_nsec);
    return swu::NameBits(static_cast<uint64_t>(getpid()), clock, ++names_);
  }

  // '/' begins an absolute path here, never a switch.
  bool SlashStartsSwitch() const override { return false; }

  std::string FromTypedPath(const std::string& typed) const override {
    std::string out = typed;
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
  }

  std::string SpeltPath(const std::string& path) override {
    return resolver_.Resolve(path);
  }
  void NoteTypedSpelling(const std::string& typed) override {
    resolver_.NoteSpelling(typed);
  }

  void SetTreeRoot(const std::string& directory) override {
    std::string resolved = resolver_.Resolve(directory);
    tree_root_ = RealPath(resolved.empty() ? "." : resolved);
  }

  bool GetEnvironment(const std::string& name, std::string* value) override {
    const char* v = getenv(name.c_str());
    if (v == nullptr) return false;
    *value = v;
    return true;
  }

 private:
  static constexpr uintptr_t kHugePage = 2 << 20;
  static constexpr int64_t kHugeBlock = 4 << 20;  // mapped from this size on

  static size_t MappedLength(int64_t size) {
    return (static_cast<size_t>(size) + kHugePage - 1) & ~(kHugePage - 1);
  }

  static bool StatPath(const std::string& path, FileIdentity* identity) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return false;
    *identity = IdentityOf(st);
    return true;
  }

  PathResolver resolver_;
  uint64_t names_ = 0;       // names NameBits has drawn
  FILE* messages_ = stdout;  // where Print writes
  std::string tree_root_;    // -R: the real path of the walk's start
  TreeDirectories tree_;     // -R: the directories the walk holds open

  // Opens the directory |dir| ("" is the current one) for reading. Under
  // -R a directory the walk holds open is read through its descriptor, and
  // a subdirectory of one is opened relative to it, and only while it is a
  // directory there, not a link put in its place since it was listed.
  DIR* OpenDirectory(const std::string& dir) {
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    std::string parent, name;
    int fd;
    auto held = tree_.find(dir);
    if (held != tree_.end()) {
      fd = openat(dirfd(held->second->stream), ".", flags);
    } else if (SplitDirectory(dir, &parent, &name) &&
               (held = tree_.find(parent)) != tree_.end()) {
      fd =
          openat(dirfd(held->second->stream), name.c_str(), flags | O_NOFOLLOW);
    } else {
      return opendir(dir.empty() ? "." : dir.c_str());
    }
    if (fd < 0) return nullptr;
    DIR* d = fdopendir(fd);
    if (d == nullptr) close(fd);
    return d;
  }

  // Splits the directory |dir| (ending in '/') into its parent ("" or
  // ending in '/') and its last name. Returns false when it has no name.
  static bool SplitDirectory(const std::string& dir, std::string* parent,
                             std::string* name) {
    if (dir.size() < 2 || dir.back() != '/') return false;
    size_t slash = dir.rfind('/', dir.size() - 2);
    size_t name_at = slash == std::string::npos ? 0 : slash + 1;
    *parent = dir.substr(0, name_at);
    *name = dir.substr(name_at, dir.size() - 1 - name_at);
    return !name->empty();
  }

  // Under -R, where a file enumeration of |dir| notes what it sees: the
  // walk's open directory, its earlier notes cleared. Null otherwise.
  Notes* NotesFor(const std::string& dir) {
    auto held = tree_.find(dir);
    if (held == tree_.end()) return nullptr;
    held->second->files.clear();
    return &held->second->files;
  }

  // Under -R, the directory the walk holds open for |path|'s directory
  // part, as a descriptor, with |path|'s last name in *name: the program's
  // own names there are made, renamed and removed in that directory even
  // if its path has been swapped for a link since. AT_FDCWD otherwise.
  int HeldDirectoryOf(const std::string& path, std::string* name) {
    if (tree_.empty()) return AT_FDCWD;
    // The walk holds its directories under their resolved spelling.
    std::string resolved = resolver_.Quick(path);
    size_t slash = resolved.rfind('/');
    size_t name_at = slash == std::string::npos ? 0 : slash + 1;
    auto dir = tree_.find(resolved.substr(0, name_at));
    if (dir == tree_.end() || name_at == resolved.size()) return AT_FDCWD;
    *name = resolved.substr(name_at);
    return dirfd(dir->second->stream);
  }

  // Under -R, opens a file that the last enumeration of its directory
  // listed, relative to that directory and as it was listed, storing the
  // descriptor (-1 on failure) in *fd. Returns false, *fd untouched, when
  // |path| is not such a file.
  bool OpenListed(const std::string& path, OpenMode mode, int* fd,
                  struct stat* opened) {
    if (tree_.empty()) return false;
    size_t slash = path.rfind('/');
    size_t name_at = slash == std::string::npos ? 0 : slash + 1;
    auto dir = tree_.find(path.substr(0, name_at));
    if (dir == tree_.end()) return false;
    const Notes& notes = dir->second->files;
    auto file = notes.find(path.substr(name_at));
    if (file == notes.end()) return false;
    *fd = OpenRegularAt(dirfd(dir->second->stream), file->first, mode,
                        &file->second, 0, opened);
    return true;
  }

  static bool HasWildcard(const std::string& pattern) {
    return pattern.find_first_of("*?") != std::string::npos;
  }

  static std::string RealPath(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    if (real == nullptr) return std::string();
    std::string out = real;
    free(real);
    return out;
  }

  // True when the entry |name| of |dir| is a symbolic link whose target
  // lies outside the directory |root| (a real path).
  static bool LinksOutside(int dir_fd, const std::string& dir,
                           const struct dirent& e, const std::string& root) {
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
  static std::vector<DirEntry> ReadEntries(DIR* d, const std::string& dir,
                                           const std::string& pattern,
                                           bool include_directories,
                                           const std::string& root,
                                           Notes* notes, bool* reserved) {
    std::vector<DirEntry> entries;
    int fd = dirfd(d);
    while (struct dirent* e = readdir(d)) {
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
};

}  // namespace

Platform* Platform::Default() {
  static PosixPlatform platform;
  return &platform;
}

}  // namespace swu
