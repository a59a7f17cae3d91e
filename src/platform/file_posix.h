// Files for the POSIX layer: the stream on an open descriptor, and the
// opens that hand one out. Only a regular file is ever opened, and an
// open never blocks on what the name turns out to be.

#ifndef SWU_PLATFORM_FILE_POSIX_H_
#define SWU_PLATFORM_FILE_POSIX_H_

#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "platform/platform.h"
#include "platform/scoped_posix.h"

namespace swu {

// The identity of the file |st| describes.
FileIdentity IdentityOf(const struct stat& st);

// True for the errors of flock where the file system has no locks to give
// (NFS without a lock manager, some FUSE mounts): there the file is used
// without one, as it would be on a system without locks.
bool NoLocking(int error);

// How a file enumeration saw an entry, kept under -R so that the entry is
// opened later as it was listed.
struct Listed {
  bool link = false;    // a symbolic link, followed as the file it names
  FileIdentity target;  // for a link: the file it named when listed
};

// Opens |name| in the directory |dir_fd| (AT_FDCWD: |name| is a path).
// Only a regular file is opened: a FIFO, device or socket could block the
// open or a read for ever, and a directory is not a file. With |listed|,
// only the file the enumeration saw is opened. On success returns the
// descriptor and stores the file's stat in *opened when it is not null;
// on failure returns an empty descriptor with errno set.
ScopedFd OpenRegularAt(int dir_fd, const std::string& name, OpenMode mode,
                       const Listed* listed, int extra_flags = 0,
                       struct stat* opened = nullptr);

// OpenRegularAt for a path.
ScopedFd OpenRegular(const std::string& path, OpenMode mode,
                     struct stat* opened = nullptr);

// Opens |path| to append to. A symbolic link at the name is followed only
// when the process's user or root owns it. Fails as OpenRegularAt does.
ScopedFd OpenToAppend(const std::string& path);

// A stream straight on a file descriptor, without a buffer of its own:
// the program collects small writes itself, so every call here is one
// system call and a failed write never leaves bytes behind that a later
// call could still write somewhere.
class PosixStream : public File {
 public:
  // |appending|: every write goes to the end of the file (O_APPEND), so
  // the stream cannot know its position without asking.
  PosixStream(ScopedFd fd, bool appending);
  ~PosixStream() override;

  // Keeps the lock of a temporary on |hold_fd|, a second descriptor of the
  // file, which stays open after Close until the stream is destroyed:
  // the temporary is closed, and its writes checked, before it takes its
  // name, yet no other run takes it for a killed run's meanwhile.
  void HoldWith(ScopedFd hold_fd) { hold_fd_ = std::move(hold_fd); }

  bool Seek(int64_t offset, Whence whence) override;
  int64_t Tell() override;
  int64_t Read(void* data, int64_t n) override;
  void Write(const void* data, int64_t n) override;
  bool error() const override { return error_; }
  bool Close() override;

  void WriteAt(const void* data, int64_t n, int64_t offset) override;
  bool SetLength(int64_t length) override;
  int64_t ReadAt(void* data, int64_t n, int64_t offset) override;
  bool unlocked() const override { return unlocked_; }
  bool Sync() override;
  bool SetNote(const std::string& note) override;
  bool GetNote(std::string* note) override;
  void ClearNote() override;
  bool SetOwner(uint32_t owner) override;
  bool Allocate(int64_t length) override;
  bool Identify(FileIdentity* identity) override;
  bool Lock(int64_t wait_ms) override;
  std::unique_ptr<FileImage> MapImage(int64_t size) override;
  bool SetPermissions(const FileIdentity* replaced) override;

 private:
  // Makes a seek that Seek() left for later. Returns false on failure.
  bool SeekPending();

  int fd() const { return fd_.get(); }

  ScopedFd fd_;
  ScopedFd hold_fd_;  // a temporary's lock, kept past Close (HoldWith)
  bool appending_;
  bool error_ = false;
  int64_t offset_;             // the file position, -1 while not known
  bool seek_pending_ = false;  // offset_ is still to be set on the file
  bool unlocked_ = false;      // Lock() found no locks on this file system
};

}  // namespace swu

#endif  // SWU_PLATFORM_FILE_POSIX_H_
