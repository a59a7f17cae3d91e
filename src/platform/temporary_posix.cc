// Temporaries for the POSIX layer: made beside their target, locked for
// the life of the run that made them, and swept once that run is gone.

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/reserved_names.h"
#include "platform/file_posix.h"
#include "platform/scoped_posix.h"
#include "platform/temporary.h"

namespace swu {

namespace {

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
// that was killed left it.
void RemoveIfLeft(const std::string& path) {
  ScopedFd fd(
      open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  if (!fd.valid()) return;
  struct stat st;
  if (fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode) &&
      flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
    unlink(path.c_str());
  }
}

}  // namespace

std::unique_ptr<File> CreateTemporaryBeside(
    const std::string& target, const std::function<uint64_t()>& name_bits,
    std::string* path) {
  struct stat st;
  if (lstat(target.c_str(), &st) != 0 && errno == ENAMETOOLONG) {
    return nullptr;  // The temporary could never be renamed to that name.
  }
  std::string dir = DirectoryOf(target);
  for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
    std::string name = dir + TemporaryName(name_bits());
    ScopedFd fd = OpenRegular(name, OpenMode::kCreatePrivate);
    if (!fd.valid() && errno == EEXIST) continue;
    if (!fd.valid()) return nullptr;
    ScopedFd hold = OpenRegular(name, OpenMode::kReadNoLink);
    if (hold.valid() && HoldTemporary(fd.get(), hold.get(), name.c_str())) {
      *path = name;
      auto stream =
          std::make_unique<PosixStream>(std::move(fd), /*appending=*/false);
      stream->HoldWith(std::move(hold));
      return stream;
    }
    // Another run removed it before it was locked; |hold|, then |fd|, are
    // closed here.
  }
  return nullptr;
}

void RemoveLeftTemporariesBeside(const std::string& target) {
  std::string dir = DirectoryOf(target);
  ScopedDir d(opendir(dir.empty() ? "." : dir.c_str()));
  if (!d.valid()) return;
  while (struct dirent* e = readdir(d.get())) {
    if (IsTemporaryName(e->d_name)) RemoveIfLeft(dir + e->d_name);
  }
}

}  // namespace swu
