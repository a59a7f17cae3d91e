// Files for the Windows layer: the stream on an open handle, and the open
// that hands one out. Only a disk file is ever opened.

#ifndef SWU_PLATFORM_FILE_WIN32_H_
#define SWU_PLATFORM_FILE_WIN32_H_

#include <cassert>
#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "platform/scoped_win32.h"
#include "platform/system_win32.h"

namespace swu {

// Other programs may go on reading, writing, renaming and deleting a file
// the program has open, as on POSIX.
const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Stores the identity of the open |file| in *identity. Returns false on
// failure.
bool IdentityOf(HANDLE file, FileIdentity* identity);

// Takes the lock on |file| if no other handle holds it, without waiting.
bool TryLock(HANDLE file);

// Opens |path| and returns its handle, or INVALID_HANDLE_VALUE. Only a
// disk file is opened: a device (CON, NUL, COM1) or a pipe could block a
// read for ever, and a directory is not a file (CreateFileW refuses one
// without FILE_FLAG_BACKUP_SEMANTICS).
HANDLE OpenRegular(const std::string& path, OpenMode mode);

// A stream straight on a file handle, without a buffer of its own: the
// program collects small writes itself, so every call here is one system
// call and a failed write never leaves bytes behind that a later call
// could still write somewhere.
class WindowsStream : public File {
 public:
  // |append|: every write goes to the end of the file.
  WindowsStream(HANDLE file, bool append);
  ~WindowsStream() override { Close(); }

  // Keeps the lock of a temporary on |hold|, a second handle of the file,
  // which stays open after Close until the stream is destroyed: the
  // temporary is closed, and its writes checked, before it takes its
  // name, yet no other run takes it for a killed run's meanwhile.
  void HoldWith(HANDLE hold) {
    assert(hold != INVALID_HANDLE_VALUE);
    hold_.reset(hold);
  }

  bool Seek(int64_t offset, Whence whence) override;
  int64_t Tell() override;
  int64_t Read(void* data, int64_t n) override;
  void Write(const void* data, int64_t n) override;
  bool error() const override { return error_; }
  bool Close() override;

  void WriteAt(const void* data, int64_t n, int64_t offset) override;
  bool SetLength(int64_t length) override;
  // Leaves identity->owner 0: the owner costs a query of the file's
  // security, which only GetOwner makes.
  bool Identify(FileIdentity* identity) override;
  bool GetOwner(uint32_t* owner) override;
  // SetOwner stays the default, which does nothing: giving a file to
  // another user takes a privilege the program never asks for.
  int64_t ReadAt(void* data, int64_t n, int64_t offset) override;
  bool Sync() override;
  bool unlocked() const override { return unlocked_; }
  bool Lock(int64_t wait_ms) override;

 private:
  // Writes |n| bytes at the file pointer, or at *offset when it is given.
  void WriteFrom(const void* data, int64_t n, const int64_t* offset);

  ScopedHandle file_;
  ScopedHandle hold_{INVALID_HANDLE_VALUE};  // a temporary's lock (HoldWith)
  bool append_;                              // every write goes to the end
  bool error_ = false;
  bool unlocked_ = false;  // Lock() found no locks on this file system
};

}  // namespace swu

#endif  // SWU_PLATFORM_FILE_WIN32_H_
