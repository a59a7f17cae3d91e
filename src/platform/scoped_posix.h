// Owners of a file descriptor and of a directory stream for the POSIX
// layer: each closes what it holds when it goes out of scope, so that no
// early return leaks one. Closing keeps errno as it was, so that a caller
// that failed for a reason of its own still reports that reason.

#ifndef SWU_PLATFORM_SCOPED_POSIX_H_
#define SWU_PLATFORM_SCOPED_POSIX_H_

#include <dirent.h>
#include <unistd.h>

#include <cassert>
#include <cerrno>

namespace swu {

// A file descriptor, closed when it goes out of scope. -1 holds nothing.
class ScopedFd {
 public:
  ScopedFd() = default;
  explicit ScopedFd(int fd) : fd_(fd) { assert(fd >= -1); }
  ~ScopedFd() {
    int saved = errno;
    Close();
    errno = saved;
  }
  ScopedFd(ScopedFd&& other) noexcept : fd_(other.Release()) {}
  ScopedFd& operator=(ScopedFd&& other) noexcept {
    if (this != &other) reset(other.Release());
    return *this;
  }
  ScopedFd(const ScopedFd&) = delete;
  ScopedFd& operator=(const ScopedFd&) = delete;

  bool valid() const { return fd_ >= 0; }
  int get() const { return fd_; }
  // Gives the descriptor up to the caller, who must close it.
  int Release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes the descriptor now. Returns false if closing failed.
  bool Close() {
    bool ok = !valid() || close(fd_) == 0;
    fd_ = -1;
    return ok;
  }
  // Closes the descriptor held and takes |fd| in its place.
  void reset(int fd) {
    assert(fd < 0 || fd != fd_);  // One descriptor has one owner.
    Close();
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

// A directory stream, closed when it goes out of scope. Null holds nothing.
class ScopedDir {
 public:
  ScopedDir() = default;
  explicit ScopedDir(DIR* stream) : stream_(stream) {}
  ~ScopedDir() {
    if (stream_ == nullptr) return;
    int saved = errno;
    closedir(stream_);
    errno = saved;
  }
  ScopedDir(ScopedDir&& other) noexcept : stream_(other.Release()) {}
  ScopedDir& operator=(ScopedDir&& other) noexcept {
    if (this != &other) {
      ScopedDir old(stream_);  // closed on leaving this block
      stream_ = other.Release();
    }
    return *this;
  }
  ScopedDir(const ScopedDir&) = delete;
  ScopedDir& operator=(const ScopedDir&) = delete;

  bool valid() const { return stream_ != nullptr; }
  DIR* get() const { return stream_; }
  // The stream's descriptor, for the *at() calls. The stream must be open.
  int fd() const {
    assert(valid());
    return dirfd(stream_);
  }
  // Gives the stream up to the caller, who must close it.
  DIR* Release() {
    DIR* stream = stream_;
    stream_ = nullptr;
    return stream;
  }

 private:
  DIR* stream_ = nullptr;
};

}  // namespace swu

#endif  // SWU_PLATFORM_SCOPED_POSIX_H_
