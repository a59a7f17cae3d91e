// Owners of a Win32 handle and of a FindFirstFileW search for the Windows
// layer: each closes what it holds when it goes out of scope, so that no
// early return leaks one.

#ifndef SWU_PLATFORM_SCOPED_WIN32_H_
#define SWU_PLATFORM_SCOPED_WIN32_H_

#include <cassert>
#include <string>

#include "platform/path_win32.h"
#include "platform/system_win32.h"

namespace swu {

// A Win32 handle, closed when it goes out of scope.
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() {
    if (valid()) CloseHandle(handle_);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  // Gives the handle up to the caller, who must close it.
  HANDLE Release() {
    HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle;
  }
  // Closes the handle now. Returns false if closing failed.
  bool Close() {
    bool ok = !valid() || CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return ok;
  }
  // Closes the handle held and takes |handle| in its place.
  void reset(HANDLE handle) {
    assert(handle == INVALID_HANDLE_VALUE || handle != handle_);
    Close();
    handle_ = handle;
  }

 private:
  HANDLE handle_;
};

// A FindFirstFileW search, closed when it goes out of scope.
class ScopedFind {
 public:
  ScopedFind(const std::string& pattern, WIN32_FIND_DATAW* data)
      : handle_(FindFirstFileW(SystemPath(pattern).c_str(), data)) {}
  ~ScopedFind() {
    if (valid()) FindClose(handle_);
  }
  ScopedFind(const ScopedFind&) = delete;
  ScopedFind& operator=(const ScopedFind&) = delete;

  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Next(WIN32_FIND_DATAW* data) { return FindNextFileW(handle_, data); }

 private:
  HANDLE handle_;
};

}  // namespace swu

#endif  // SWU_PLATFORM_SCOPED_WIN32_H_
