// Files for the Windows layer: the stream on an open handle, and the open
// that hands one out.

#include "platform/file_win32.h"

#include <cassert>

#include "platform/names_win32.h"
#include "platform/owner_win32.h"
#include "platform/path_win32.h"

namespace swu {

namespace {

constexpr int64_t kLockPollMs = 20;
constexpr int64_t kMaxChunk = 1 << 30;  // one call's bytes at most

// The byte whose lock is a file's lock: the one at 2^62, which no data
// reaches.
constexpr DWORD kLockByteHigh = 0x40000000;

DWORD Chunk(int64_t n) {
  assert(n > 0);
  return static_cast<DWORD>(n < kMaxChunk ? n : kMaxChunk);
}

// True for the errors of LockFileEx where the file system has no locks to
// give (some network redirectors): there the file is used without one.
bool NoLocking(DWORD error) {
  return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION;
}

// Windows' 100-nanosecond file times since 1601, as nanoseconds.
int64_t Nanoseconds(const FILETIME& time) {
  ULARGE_INTEGER t;
  t.LowPart = time.dwLowDateTime;
  t.HighPart = time.dwHighDateTime;
  return static_cast<int64_t>(t.QuadPart) * 100;
}

// Moves the file pointer of |file|; stores the new position in *at when
// it is given. Returns false on failure.
bool MovePointer(HANDLE file, int64_t offset, DWORD method,
                 int64_t* at = nullptr) {
  LARGE_INTEGER distance, position;
  distance.QuadPart = offset;
  if (!SetFilePointerEx(file, distance, &position, method)) return false;
  if (at != nullptr) *at = position.QuadPart;
  return true;
}

// The place |at| in the file, for a positioned read or write.
OVERLAPPED PlaceAt(int64_t at) {
  assert(at >= 0);
  OVERLAPPED place = {};
  place.Offset = static_cast<DWORD>(at & 0xFFFFFFFF);
  place.OffsetHigh = static_cast<DWORD>(at >> 32);
  return place;
}

// How CreateFileW opens each stream mode. A mode that truncates opens the
// file as it is and cuts it only once it is known to be a disk file.
struct OpenFlags {
  DWORD access;
  DWORD disposition;
  bool truncate;
};

OpenFlags FlagsFor(OpenMode mode) {
  const DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
  switch (mode) {
    case OpenMode::kRead:
      return {GENERIC_READ, OPEN_EXISTING, false};
    case OpenMode::kUpdate:
      return {kReadWrite, OPEN_EXISTING, false};
    case OpenMode::kCreate:
      return {kReadWrite, OPEN_ALWAYS, true};
    case OpenMode::kAppend:
    case OpenMode::kOpenAlways:
      return {kReadWrite, OPEN_ALWAYS, false};
    case OpenMode::kCreateNew:
    case OpenMode::kCreatePrivate:
      return {kReadWrite, CREATE_NEW, false};
    case OpenMode::kReserved:
      return {kReadWrite, OPEN_EXISTING, false};
    case OpenMode::kReadNoLink:
      return {GENERIC_READ, OPEN_EXISTING, false};
  }
  return {GENERIC_READ, OPEN_EXISTING, false};
}

// A file created whose name begins with '.' (the program's journals) is
// hidden by attribute, as such a name hides it on POSIX, so that no
// listing returns it.
DWORD CreatedAttributes(const std::string& path, OpenMode mode) {
  size_t i = DirectoryPartLength(path);
  bool dot = i < path.size() && path[i] == '.';
  bool created =
      mode == OpenMode::kCreateNew || mode == OpenMode::kCreatePrivate;
  DWORD attributes =
      created && dot ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_NORMAL;
  // A link at the name is opened as itself, and refused below.
  if (mode == OpenMode::kReadNoLink || mode == OpenMode::kReserved)
    attributes |= FILE_FLAG_OPEN_REPARSE_POINT;
  return attributes;
}

}  // namespace

bool IdentityOf(HANDLE file, FileIdentity* identity) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file, &info)) return false;
  identity->device = info.dwVolumeSerialNumber;
  identity->file_number =
      (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  identity->size = static_cast<int64_t>(
      (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
  identity->modified = Nanoseconds(info.ftLastWriteTime);
  identity->regular = GetFileType(file) == FILE_TYPE_DISK &&
                      !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  identity->links = info.nNumberOfLinks;
  return true;
}

bool TryLock(HANDLE file) {
  OVERLAPPED at = {};
  at.OffsetHigh = kLockByteHigh;
  return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY,
                    0, 1, 0, &at) != 0;
}

HANDLE OpenRegular(const std::string& path, OpenMode mode) {
  OpenFlags flags = FlagsFor(mode);
  DWORD attributes = CreatedAttributes(path, mode);
  ScopedHandle file(CreateFileW(SystemPath(path).c_str(), flags.access,
                                kShareAll, nullptr, flags.disposition,
                                attributes, nullptr));
  if (!file.valid()) return INVALID_HANDLE_VALUE;
  BY_HANDLE_FILE_INFORMATION info;
  bool link = (mode == OpenMode::kReadNoLink || mode == OpenMode::kReserved) &&
              (!GetFileInformationByHandle(file.get(), &info) ||
               (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT));
  if (GetFileType(file.get()) != FILE_TYPE_DISK || link ||
      (flags.truncate && !SetEndOfFile(file.get()))) {
    return INVALID_HANDLE_VALUE;  // |file| is closed on the way out.
  }
  return file.Release();
}

WindowsStream::WindowsStream(HANDLE file, bool append)
    : file_(file), append_(append) {
  assert(file_.valid());
}

bool WindowsStream::Seek(int64_t offset, Whence whence) {
  DWORD method = whence == Whence::kStart     ? FILE_BEGIN
                 : whence == Whence::kCurrent ? FILE_CURRENT
                                              : FILE_END;
  return file_.valid() && MovePointer(file_.get(), offset, method);
}

int64_t WindowsStream::Tell() {
  int64_t at = -1;
  if (!file_.valid() || !MovePointer(file_.get(), 0, FILE_CURRENT, &at)) {
    return -1;
  }
  return at;
}

int64_t WindowsStream::Read(void* data, int64_t n) {
  char* bytes = static_cast<char*>(data);
  int64_t total = 0;
  while (file_.valid() && total < n) {
    DWORD got = 0;
    if (!ReadFile(file_.get(), bytes + total, Chunk(n - total), &got,
                  nullptr)) {
      error_ = true;
      break;
    }
    if (got == 0) break;  // The end of the file.
    total += got;
  }
  return total;
}

void WindowsStream::Write(const void* data, int64_t n) {
  if (append_ && file_.valid() && !MovePointer(file_.get(), 0, FILE_END)) {
    error_ = true;
    return;
  }
  WriteFrom(data, n, nullptr);
}

bool WindowsStream::Close() {
  if (!file_.valid()) return true;
  return file_.Close() && !error_;
}

// A write at an offset moves a synchronous handle's pointer, so the
// position is put back afterwards.
void WindowsStream::WriteAt(const void* data, int64_t n, int64_t offset) {
  int64_t position = Tell();
  if (position < 0) {
    error_ = true;
    return;
  }
  WriteFrom(data, n, &offset);
  if (!MovePointer(file_.get(), position, FILE_BEGIN)) error_ = true;
}

bool WindowsStream::SetLength(int64_t length) {
  int64_t position = Tell();
  return position >= 0 && MovePointer(file_.get(), length, FILE_BEGIN) &&
         SetEndOfFile(file_.get()) &&
         MovePointer(file_.get(), position, FILE_BEGIN);
}

bool WindowsStream::Identify(FileIdentity* identity) {
  HANDLE file = file_.valid() ? file_.get() : hold_.get();
  return file != INVALID_HANDLE_VALUE && IdentityOf(file, identity);
}

bool WindowsStream::GetOwner(uint32_t* owner) {
  HANDLE file = file_.valid() ? file_.get() : hold_.get();
  return file != INVALID_HANDLE_VALUE && OwnerOf(file, owner);
}

// A read at an offset moves a synchronous handle's pointer too.
int64_t WindowsStream::ReadAt(void* data, int64_t n, int64_t offset) {
  int64_t position = Tell();
  if (position < 0) return 0;
  char* bytes = static_cast<char*>(data);
  int64_t total = 0;
  while (total < n) {
    OVERLAPPED place = PlaceAt(offset + total);
    DWORD got = 0;
    if (!ReadFile(file_.get(), bytes + total, Chunk(n - total), &got, &place) ||
        got == 0) {
      break;  // The end of the file, or a failure.
    }
    total += got;
  }
  if (!MovePointer(file_.get(), position, FILE_BEGIN)) return 0;
  return total;
}

bool WindowsStream::Sync() {
  return file_.valid() && FlushFileBuffers(file_.get()) != 0;
}

// Windows locks are mandatory, so the lock covers one byte far past any
// data: it keeps another run of this command out (it locks the same byte)
// without hindering reads and writes of the file itself.
bool WindowsStream::Lock(int64_t wait_ms) {
  if (!file_.valid()) return false;
  for (int64_t waited = 0;; waited += kLockPollMs) {
    if (TryLock(file_.get())) return true;
    if (NoLocking(GetLastError())) return unlocked_ = true;  // Without one.
    if (GetLastError() != ERROR_LOCK_VIOLATION) return false;
    if (waited >= wait_ms) return false;
    Sleep(kLockPollMs);
  }
}

void WindowsStream::WriteFrom(const void* data, int64_t n,
                              const int64_t* offset) {
  const char* bytes = static_cast<const char*>(data);
  int64_t at = offset != nullptr ? *offset : 0;
  while (file_.valid() && n > 0) {
    OVERLAPPED place = PlaceAt(at);
    DWORD done = 0;
    if (!WriteFile(file_.get(), bytes, Chunk(n), &done,
                   offset != nullptr ? &place : nullptr) ||
        done == 0) {
      break;
    }
    bytes += done;
    at += done;
    n -= done;
  }
  if (!file_.valid() || n > 0) error_ = true;
}

}  // namespace swu
