// Files for the POSIX layer: the stream on an open descriptor, and the
// opens that hand one out.

#include "platform/file_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <cassert>

#include "platform/image_posix.h"

namespace swu {

namespace {

// The extended attribute that notes a pending rewrite's journal on a file.
constexpr char kNoteName[] = "user.swu.journal";

constexpr int64_t kLockPollMs = 20;
constexpr int64_t kMaxChunk = 1 << 30;  // one call's bytes at most

size_t Chunk(int64_t n) {
  assert(n > 0);
  return static_cast<size_t>(n < kMaxChunk ? n : kMaxChunk);
}

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

}  // namespace

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

bool NoLocking(int error) {
  return error == ENOLCK || error == EOPNOTSUPP || error == EINVAL;
}

// The open itself does not block (O_NONBLOCK, which changes nothing for a
// regular file afterwards, so it stays set), and an existing file is
// truncated only once it is known to be a regular one.
ScopedFd OpenRegularAt(int dir_fd, const std::string& name, OpenMode mode,
                       const Listed* listed, int extra_flags,
                       struct stat* opened) {
  assert(dir_fd >= 0 || dir_fd == AT_FDCWD);
  int flags = FlagsFor(mode) | extra_flags;
  if (listed != nullptr && !listed->link) flags |= O_NOFOLLOW;
  struct stat before;
  // A reserved name holding anything but a regular file is never opened:
  // opening a FIFO would release a writer waiting on it.
  if (mode == OpenMode::kReserved &&
      (fstatat(dir_fd, name.c_str(), &before, AT_SYMLINK_NOFOLLOW) != 0 ||
       !S_ISREG(before.st_mode))) {
    errno = EACCES;
    return ScopedFd();
  }
  mode_t permissions = mode == OpenMode::kCreatePrivate ? 0600 : 0666;
  ScopedFd fd(openat(dir_fd, name.c_str(),
                     (flags & ~O_TRUNC) | O_NONBLOCK | O_CLOEXEC | O_NOCTTY,
                     permissions));
  if (!fd.valid()) return fd;
  struct stat st;
  if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
      !AsListed(st, listed)) {
    fd.Close();
    errno = EACCES;
    return fd;
  }
  if ((flags & O_TRUNC) && ftruncate(fd.get(), 0) != 0) {
    fd.Close();
    return fd;
  }
  if (opened != nullptr) *opened = st;
  return fd;
}

ScopedFd OpenRegular(const std::string& path, OpenMode mode,
                     struct stat* opened) {
  return OpenRegularAt(AT_FDCWD, path, mode, nullptr, 0, opened);
}

// In a directory others may write, another user's link would lead the
// appended bytes into a file of the process's choosing, with its rights.
ScopedFd OpenToAppend(const std::string& path) {
  ScopedFd fd = OpenRegularAt(AT_FDCWD, path, OpenMode::kAppend,
                              /*listed=*/nullptr, O_NOFOLLOW);
  if (fd.valid() || errno != ELOOP) return fd;
  struct stat link;
  if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode) ||
      (link.st_uid != geteuid() && link.st_uid != 0)) {
    errno = EACCES;
    return ScopedFd();
  }
  return OpenRegular(path, OpenMode::kAppend);
}

PosixStream::PosixStream(ScopedFd fd, bool appending)
    : fd_(std::move(fd)), appending_(appending), offset_(appending ? -1 : 0) {
  assert(fd_.valid());
}

PosixStream::~PosixStream() { Close(); }

bool PosixStream::Seek(int64_t offset, Whence whence) {
  int w = whence == Whence::kStart     ? SEEK_SET
          : whence == Whence::kCurrent ? SEEK_CUR
                                       : SEEK_END;
  if (!fd_.valid()) return false;
  if (whence == Whence::kStart && offset == offset_) return true;
  // A seek from the start is made by the next read or write, if one
  // comes: a stream only positioned and closed costs no call.
  if (whence == Whence::kStart && !appending_ && offset >= 0) {
    offset_ = offset;
    seek_pending_ = true;
    return true;
  }
  if (!SeekPending()) return false;
  off_t at = lseek(fd(), static_cast<off_t>(offset), w);
  if (at < 0) return false;
  if (!appending_) offset_ = static_cast<int64_t>(at);
  return true;
}

int64_t PosixStream::Tell() {
  if (!fd_.valid()) return -1;
  if (offset_ >= 0) return offset_;
  return static_cast<int64_t>(lseek(fd(), 0, SEEK_CUR));
}

int64_t PosixStream::Read(void* data, int64_t n) {
  char* bytes = static_cast<char*>(data);
  int64_t total = 0;
  if (!SeekPending()) {
    error_ = true;
    return 0;
  }
  while (fd_.valid() && total < n) {
    ssize_t got = read(fd(), bytes + total, Chunk(n - total));
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

void PosixStream::Write(const void* data, int64_t n) {
  const char* bytes = static_cast<const char*>(data);
  if (!SeekPending()) {
    error_ = true;
    return;
  }
  while (fd_.valid() && n > 0) {
    ssize_t done = write(fd(), bytes, Chunk(n));
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) break;
    bytes += done;
    if (offset_ >= 0) offset_ += done;
    n -= done;
  }
  if (!fd_.valid() || n > 0) error_ = true;
}

bool PosixStream::Close() {
  if (!fd_.valid()) return true;
  bool closed = fd_.Close();
  return closed && !error_;
}

void PosixStream::WriteAt(const void* data, int64_t n, int64_t offset) {
  const char* bytes = static_cast<const char*>(data);
  while (fd_.valid() && n > 0) {
    ssize_t done = pwrite(fd(), bytes, Chunk(n), static_cast<off_t>(offset));
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) break;
    bytes += done;
    offset += done;
    n -= done;
  }
  if (!fd_.valid() || n > 0) error_ = true;
}

bool PosixStream::SetLength(int64_t length) {
  return fd_.valid() && ftruncate(fd(), static_cast<off_t>(length)) == 0;
}

int64_t PosixStream::ReadAt(void* data, int64_t n, int64_t offset) {
  char* bytes = static_cast<char*>(data);
  int64_t total = 0;
  while (fd_.valid() && total < n) {
    ssize_t got = pread(fd(), bytes + total, Chunk(n - total),
                        static_cast<off_t>(offset + total));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    total += got;
  }
  return total;
}

bool PosixStream::Sync() {
  while (fd_.valid()) {
    if (fdatasync(fd()) == 0) return true;
    if (errno != EINTR) return false;
  }
  return false;
}

bool PosixStream::SetNote(const std::string& note) {
  return fd_.valid() &&
         fsetxattr(fd(), kNoteName, note.data(), note.size(), 0) == 0;
}

bool PosixStream::GetNote(std::string* note) {
  char bytes[4096];
  ssize_t n =
      !fd_.valid() ? -1 : fgetxattr(fd(), kNoteName, bytes, sizeof(bytes));
  if (n <= 0) return false;
  note->assign(bytes, static_cast<size_t>(n));
  return true;
}

void PosixStream::ClearNote() {
  if (fd_.valid()) fremovexattr(fd(), kNoteName);
}

bool PosixStream::SetOwner(uint32_t owner) {
  return fd_.valid() &&
         fchown(fd(), static_cast<uid_t>(owner), static_cast<gid_t>(-1)) == 0;
}

bool PosixStream::Allocate(int64_t length) {
  struct stat st;
  if (!fd_.valid() || fstat(fd(), &st) != 0) return false;
  if (length <= st.st_size) return true;
  int error = posix_fallocate(fd(), st.st_size,
                              static_cast<off_t>(length - st.st_size));
  if (error == 0) return true;
  // A file system that cannot reserve space gets the length alone.
  if (error != EINVAL && error != EOPNOTSUPP) return false;
  return ftruncate(fd(), static_cast<off_t>(length)) == 0;
}

bool PosixStream::Identify(FileIdentity* identity) {
  struct stat st;
  if (fstat(fd_.valid() ? fd() : hold_fd_.get(), &st) != 0) return false;
  *identity = IdentityOf(st);
  return true;
}

// flock locks belong to this open file, so other descriptors of the same
// file in this process neither share nor release them.
bool PosixStream::Lock(int64_t wait_ms) {
  if (!fd_.valid()) return false;
  for (int64_t waited = 0;; waited += kLockPollMs) {
    if (flock(fd(), LOCK_EX | LOCK_NB) == 0) return true;
    if (NoLocking(errno)) return unlocked_ = true;  // Used without one.
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    if (waited >= wait_ms) return false;
    struct timespec pause = {0, kLockPollMs * 1000000L};
    nanosleep(&pause, nullptr);
  }
}

std::unique_ptr<FileImage> PosixStream::MapImage(int64_t size) {
  if (!fd_.valid()) return nullptr;
  return MappedImage::Map(fd(), size);
}

// Where the owner or group cannot be copied (the process lacks the
// privilege), the set-ID bits are dropped: they would lend the rights of an
// owner other than the file's.
bool PosixStream::SetPermissions(const FileIdentity* replaced) {
  int fd = fd_.valid() ? this->fd() : hold_fd_.get();
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

bool PosixStream::SeekPending() {
  if (!seek_pending_ || !fd_.valid()) return true;
  seek_pending_ = false;
  assert(offset_ >= 0);  // Only a seek from the start is left for later.
  return lseek(fd(), static_cast<off_t>(offset_), SEEK_SET) == offset_;
}

}  // namespace swu
