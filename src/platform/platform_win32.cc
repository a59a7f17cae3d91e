// The Windows implementation of the platform layer, on the Win32 API and
// the C runtime. It keeps the order and helper names of platform_posix.cc.
//
// Paths are the program's bytes (path_win32.h): the ANSI code page's, with
// an escape for a character it cannot spell. Every file call is the wide
// (...W) one on their wide form, a long one with the "\\?\" prefix, and
// every name is listed wide, so a file is opened as itself, never through
// a look-alike that the code page puts in for a character it lacks.
// Windows itself compares names without regard to case and accepts '\'
// and '/'. Only '\' and ':' end the directory part of an enumeration
// pattern, as in the filespec split, so a '/' in the name part matches
// nothing rather than naming entries of another directory. Name patterns
// are matched here on the wide names, every letter upper-cased as the
// system compares them.
//
// Attributes of an entry are the low eight bits the file system reports
// (read-only 0x01, hidden 0x02, system 0x04, directory 0x10, archive 0x20).
// A directory that is a reparse point (a junction or a symbolic link)
// counts as a system entry too, so that a walk never follows one, as the
// POSIX layer treats a symbolic link to a directory.
//
// Standard output is in text mode, as a Windows console program writes it:
// each "\n" reaches a file or a pipe as CR LF. Files are always binary.

// <windows.h> comes first: its macros DeleteFile, RemoveDirectory,
// GetCurrentDirectory and SetCurrentDirectory would rename the interface's
// methods, so they are undefined and the ...W functions called by name.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#define NOGDI
#include <windows.h>
// (CommandLineToArgvW needs <windows.h> first.)
#include <shellapi.h>
#undef DeleteFile
#undef RemoveDirectory
#undef GetCurrentDirectory
#undef SetCurrentDirectory

#include <conio.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/reserved_names.h"
#include "platform/name_pattern.h"
#include "platform/path_win32.h"
#include "platform/platform.h"

// The C runtime would otherwise be free to expand wildcards in the
// arguments; the command expands its own filespec.
extern "C" {
int _dowildcard = 0;
}

namespace swu {

namespace {

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

std::string UpperCopy(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = UpperAscii(c);
  return out;
}

// |wide| with every letter upper-cased as the system compares names
// (independent of the user's language), one character for one.
std::wstring UpperWide(std::wstring wide) {
  if (wide.empty()) return wide;
  int n = static_cast<int>(wide.size());
  std::wstring upper(wide.size(), L'\0');
  if (LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, wide.data(), n, &upper[0],
                   n) != n) {
    for (wchar_t& c : wide) c = (c >= L'a' && c <= L'z') ? c - 32 : c;
    return wide;
  }
  return upper;
}

// Entries sort by their upper-case form, ties by raw bytes, so that runs
// and reports are reproducible whatever order the file system keeps.
bool NameLess(const std::string& a, const std::string& b) {
  std::string ua = UpperCopy(a), ub = UpperCopy(b);
  if (ua != ub) return ua < ub;
  return a < b;
}

bool HasWildcard(const std::string& pattern) {
  return pattern.find_first_of("*?") != std::string::npos;
}

bool IsSplitSeparator(char c) { return c == '\\' || c == ':'; }

// True for the errors of a name the file system does not take (too long
// for a component or a path).
bool NameRefused(DWORD error) {
  return error == ERROR_FILENAME_EXCED_RANGE || error == ERROR_INVALID_NAME;
}

// True for the errors of LockFileEx where the file system has no locks to
// give (some network redirectors): there the file is used without one.
bool NoLocking(DWORD error) {
  return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION;
}

const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

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
  // Closes the handle now. Returns false if closing failed.
  bool Close() {
    bool ok = !valid() || CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return ok;
  }
  // Closes the handle held and takes |handle| in its place.
  void reset(HANDLE handle) {
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

uint8_t Attributes(const WIN32_FIND_DATAW& data) {
  DWORD raw = data.dwFileAttributes;
  uint8_t attributes = static_cast<uint8_t>(raw & 0xFF);
  if ((raw & FILE_ATTRIBUTE_DIRECTORY) &&
      (raw & FILE_ATTRIBUTE_REPARSE_POINT)) {
    attributes |= kAttrSystem;  // A junction or link: never walked.
  }
  return attributes;
}

// Windows' 100-nanosecond file times since 1601, as nanoseconds.
int64_t Nanoseconds(const FILETIME& time) {
  ULARGE_INTEGER t;
  t.LowPart = time.dwLowDateTime;
  t.HighPart = time.dwHighDateTime;
  return static_cast<int64_t>(t.QuadPart) * 100;
}

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

// A stream straight on a file handle, without a buffer of its own: the
// program collects small writes itself, so every call here is one system
// call and a failed write never leaves bytes behind that a later call
// could still write somewhere.
// The byte whose lock is a file's lock: the one at 2^62, which no data
// reaches.
constexpr DWORD kLockByteHigh = 0x40000000;

// Takes the lock on |file| if no other handle holds it, without waiting.
bool TryLock(HANDLE file) {
  OVERLAPPED at = {};
  at.OffsetHigh = kLockByteHigh;
  return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY,
                    0, 1, 0, &at) != 0;
}

// Deletes the temporary |path| when no live run holds its lock: a run
// that was killed left it.
void RemoveIfLeft(const std::string& path) {
  std::wstring wide = SystemPath(path);
  HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, kShareAll, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  if (TryLock(file)) DeleteFileW(wide.c_str());
  CloseHandle(file);
}

class WindowsStream : public Stream {
 public:
  WindowsStream(HANDLE file, bool append) : file_(file), append_(append) {}
  ~WindowsStream() override { Close(); }

  // Keeps the lock of a temporary on |hold|, a second handle of the file,
  // which stays open after Close until the stream is destroyed: the
  // temporary is closed, and its writes checked, before it takes its
  // name, yet no other run takes it for a killed run's meanwhile.
  void HoldWith(HANDLE hold) { hold_.reset(hold); }

  bool Seek(int64_t offset, Whence whence) override {
    DWORD method = whence == Whence::kStart     ? FILE_BEGIN
                   : whence == Whence::kCurrent ? FILE_CURRENT
                                                : FILE_END;
    return file_.valid() && MovePointer(file_.get(), offset, method);
  }
  int64_t Tell() override {
    int64_t at = -1;
    if (!file_.valid() || !MovePointer(file_.get(), 0, FILE_CURRENT, &at)) {
      return -1;
    }
    return at;
  }
  int64_t Read(void* data, int64_t n) override {
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
  void Write(const void* data, int64_t n) override {
    if (append_ && file_.valid() && !MovePointer(file_.get(), 0, FILE_END)) {
      error_ = true;
      return;
    }
    WriteFrom(data, n, nullptr);
  }
  bool error() const override { return error_; }
  bool Close() override {
    if (!file_.valid()) return true;
    return file_.Close() && !error_;
  }

  // A write at an offset moves a synchronous handle's pointer, so the
  // position is put back afterwards.
  void WriteAt(const void* data, int64_t n, int64_t offset) override {
    int64_t position = Tell();
    if (position < 0) {
      error_ = true;
      return;
    }
    WriteFrom(data, n, &offset);
    if (!MovePointer(file_.get(), position, FILE_BEGIN)) error_ = true;
  }
  bool SetLength(int64_t length) override {
    int64_t position = Tell();
    return position >= 0 && MovePointer(file_.get(), length, FILE_BEGIN) &&
           SetEndOfFile(file_.get()) &&
           MovePointer(file_.get(), position, FILE_BEGIN);
  }
  bool Identify(FileIdentity* identity) override {
    HANDLE file = file_.valid() ? file_.get() : hold_.get();
    return file != INVALID_HANDLE_VALUE && IdentityOf(file, identity);
  }
  // A read at an offset moves a synchronous handle's pointer too.
  int64_t ReadAt(void* data, int64_t n, int64_t offset) override {
    int64_t position = Tell();
    if (position < 0) return 0;
    char* bytes = static_cast<char*>(data);
    int64_t total = 0;
    while (total < n) {
      OVERLAPPED place = {};
      int64_t at = offset + total;
      place.Offset = static_cast<DWORD>(at & 0xFFFFFFFF);
      place.OffsetHigh = static_cast<DWORD>(at >> 32);
      DWORD got = 0;
      if (!ReadFile(file_.get(), bytes + total, Chunk(n - total), &got,
                    &place) ||
          got == 0) {
        break;  // The end of the file, or a failure.
      }
      total += got;
    }
    if (!MovePointer(file_.get(), position, FILE_BEGIN)) return 0;
    return total;
  }
  bool Sync() override {
    return file_.valid() && FlushFileBuffers(file_.get()) != 0;
  }
  bool unlocked() const override { return unlocked_; }
  // Windows locks are mandatory, so the lock covers one byte far past any
  // data: it keeps another run of this command out (it locks the same
  // byte) without hindering reads and writes of the file itself.
  bool Lock(int64_t wait_ms) override {
    if (!file_.valid()) return false;
    for (int64_t waited = 0;; waited += kLockPollMs) {
      OVERLAPPED at = {};
      at.OffsetHigh = kLockByteHigh;
      if (LockFileEx(file_.get(),
                     LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1,
                     0, &at)) {
        return true;
      }
      if (NoLocking(GetLastError())) return unlocked_ = true;  // Without one.
      if (GetLastError() != ERROR_LOCK_VIOLATION) return false;
      if (waited >= wait_ms) return false;
      Sleep(kLockPollMs);
    }
  }

 private:
  static constexpr int64_t kLockPollMs = 20;
  static constexpr int64_t kMaxChunk = 1 << 30;  // one call's bytes at most

  static DWORD Chunk(int64_t n) {
    return static_cast<DWORD>(n < kMaxChunk ? n : kMaxChunk);
  }

  // Writes |n| bytes at the file pointer, or at *offset when it is given.
  void WriteFrom(const void* data, int64_t n, const int64_t* offset) {
    const char* bytes = static_cast<const char*>(data);
    int64_t at = offset != nullptr ? *offset : 0;
    while (file_.valid() && n > 0) {
      OVERLAPPED place = {};
      place.Offset = static_cast<DWORD>(at & 0xFFFFFFFF);
      place.OffsetHigh = static_cast<DWORD>(at >> 32);
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

  ScopedHandle file_;
  ScopedHandle hold_{INVALID_HANDLE_VALUE};  // a temporary's lock (HoldWith)
  bool append_;                              // every write goes to the end
  bool error_ = false;
  bool unlocked_ = false;  // Lock() found no locks on this file system
};

class WindowsDirEnum : public DirEnum {
 public:
  explicit WindowsDirEnum(std::vector<DirEntry> entries)
      : entries_(std::move(entries)) {}
  bool Next(DirEntry* entry) override {
    if (next_ >= entries_.size()) return false;
    *entry = entries_[next_++];
    return true;
  }

 private:
  std::vector<DirEntry> entries_;
  size_t next_ = 0;
};

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

// The length of the directory part of |path|, up to and with its last
// '\', ':' or '/'.
size_t DirectoryPartLength(const std::string& path) {
  size_t i = path.size();
  while (i > 0 && !IsSplitSeparator(path[i - 1]) && path[i - 1] != '/') --i;
  return i;
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

// Opens |path| and returns its handle, or INVALID_HANDLE_VALUE. Only a
// disk file is opened: a device (CON, NUL, COM1) or a pipe could block a
// read for ever, and a directory is not a file (CreateFileW refuses one
// without FILE_FLAG_BACKUP_SEMANTICS). Other programs may go on reading,
// writing, renaming and deleting the file, as on POSIX.
HANDLE OpenRegular(const std::string& path, OpenMode mode) {
  OpenFlags flags = FlagsFor(mode);
  DWORD attributes = CreatedAttributes(path, mode);
  HANDLE file = CreateFileW(SystemPath(path).c_str(), flags.access, kShareAll,
                            nullptr, flags.disposition, attributes, nullptr);
  if (file == INVALID_HANDLE_VALUE) return file;
  BY_HANDLE_FILE_INFORMATION info;
  bool link = (mode == OpenMode::kReadNoLink || mode == OpenMode::kReserved) &&
              (!GetFileInformationByHandle(file, &info) ||
               (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT));
  if (GetFileType(file) != FILE_TYPE_DISK || link ||
      (flags.truncate && !SetEndOfFile(file))) {
    CloseHandle(file);
    return INVALID_HANDLE_VALUE;
  }
  return file;
}

// The command line's arguments as the system spells them: each wide
// argument's path bytes beside the ANSI argument that the C runtime made of
// it, where a character the code page lacks became a look-alike or '?'.
class TypedPaths {
 public:
  TypedPaths() {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return;
    for (int i = 1; i < count; ++i) {
      std::string ansi = AnsiOf(wide[i]);
      arguments_.push_back({ansi, PathBytes(wide[i])});
    }
    LocalFree(wide);
  }

  // The path bytes of the argument whose ANSI form is |typed|, or of the
  // one whose ASCII upper-case form it is (then upper-cased the same way).
  // |typed| itself when no argument, or two that differ, fit.
  std::string Find(const std::string& typed) const {
    std::string found;
    bool any = false;
    for (const Argument& argument : arguments_) {
      std::string bytes;
      if (argument.ansi == typed) {
        bytes = argument.bytes;
      } else if (UpperCopy(argument.ansi) == typed) {
        bytes = UpperCopy(argument.bytes);
      } else {
        continue;
      }
      if (any && bytes != found) return typed;  // Which one is meant?
      found = bytes;
      any = true;
    }
    return any ? found : typed;
  }

 private:
  struct Argument {
    std::string ansi;   // as the C runtime hands it to main()
    std::string bytes;  // as the system spells it, in path bytes
  };

  // |wide| in the ANSI code page, with the look-alikes the system takes.
  static std::string AnsiOf(const wchar_t* wide) {
    int size =
        WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return "";
    std::string ansi(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, -1, &ansi[0], size, nullptr, nullptr);
    ansi.resize(static_cast<size_t>(size - 1));
    return ansi;
  }

  std::vector<Argument> arguments_;
};

// The interruption handling. The console calls the handler on a thread of
// its own; it only remembers the event while a file is being rewritten,
// and at any other time ends the process as the console's default would.
// The lock makes "not deferring, so end now" one step against the main
// thread's DeferInterrupts(true), so no rewrite starts under an ending.
CRITICAL_SECTION g_interrupt_lock;
volatile LONG g_interrupt = 0;  // the event remembered plus 1, 0 none
volatile LONG g_deferring = 0;  // a file is being rewritten
std::wstring g_delete_path;     // deleted before an ending at once

void EndAsInterrupted() { ExitProcess(STATUS_CONTROL_C_EXIT); }

BOOL WINAPI OnInterrupt(DWORD event) {
  EnterCriticalSection(&g_interrupt_lock);
  // Once one is remembered the run is already ending: a second event
  // must not cut short the file's finishing or the report.
  bool first = g_interrupt == 0;
  if (first) g_interrupt = static_cast<LONG>(event) + 1;
  if (first && !g_deferring) {
    if (!g_delete_path.empty()) DeleteFileW(g_delete_path.c_str());
    EndAsInterrupted();
  }
  LeaveCriticalSection(&g_interrupt_lock);
  // Closing the console ends the process when the handler returns: wait
  // here until the main thread has finished the file and ended it.
  while (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) Sleep(1000);
  return TRUE;
}

// Reads one key from the console without echo and without Enter. A key
// that sends two codes (arrows, function keys) is read whole, so its
// second code is not left for a later wait.
void ReadRawKey() {
  int c = _getch();
  if (c == 0 || c == 0xE0) _getch();
}

class WindowsPlatform : public Platform {
 public:
  WindowsPlatform() {
    InitializeCriticalSection(&g_interrupt_lock);
    // Text mode, as a console program's output is read in files and pipes.
    _setmode(_fileno(stdout), _O_TEXT);
  }

  void Print(const char* data, size_t n) override {
    fwrite(data, 1, n, messages_);
  }
  // Messages keep text mode on standard error; the data on standard output
  // goes out byte for byte, so a diff keeps its LF and CR bytes.
  void MessagesToStandardError() override {
    fflush(stdout);
    _setmode(_fileno(stderr), _O_TEXT);
    _setmode(_fileno(stdout), _O_BINARY);
    messages_ = stderr;
  }
  void PrintNote(const char* data, size_t n) override {
    fflush(messages_);
    fwrite(data, 1, n, stderr);
  }
  void WriteOutput(const char* data, size_t n) override {
    fwrite(data, 1, n, stdout);
  }
  bool OutputIsTerminal() const override {
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
  }

  void ReadKey() override {
    fflush(stdout);
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD console_mode;
    if (GetConsoleMode(input, &console_mode)) {
      ReadRawKey();
    } else {
      // A pipe, a file or NUL: one byte, or the end of the input.
      char c;
      DWORD read;
      ReadFile(input, &c, 1, &read, nullptr);
    }
  }

  bool ReadStandardInput(std::string* bytes) override {
    // The handle's bytes as they are: no text-mode translation.
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (input == INVALID_HANDLE_VALUE || input == nullptr) return false;
    char chunk[65536];
    for (;;) {
      DWORD n = 0;
      if (!ReadFile(input, chunk, sizeof(chunk), &n, nullptr)) {
        // A pipe whose writer has closed it ends the input.
        return GetLastError() == ERROR_BROKEN_PIPE;
      }
      if (n == 0) return true;
      bytes->append(chunk, n);
    }
  }

  std::unique_ptr<Stream> Open(const std::string& path,
                               OpenMode mode) override {
    if (path.empty()) return nullptr;
    HANDLE file = OpenRegular(path, mode);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<WindowsStream>(file, mode == OpenMode::kAppend);
  }

  bool DeleteFile(const std::string& path) override {
    return DeleteFileW(SystemPath(path).c_str()) != 0;
  }

  bool Identify(const std::string& path, FileIdentity* identity) override {
    if (path.empty()) return false;
    // No access asked for: only the file's information is read. Backup
    // semantics let a directory be opened too.
    ScopedHandle file(CreateFileW(SystemPath(path).c_str(), 0, kShareAll,
                                  nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file.valid() && IdentityOf(file.get(), identity);
  }

  std::unique_ptr<Stream> CreateTemporary(const std::string& beside,
                                          std::string* path) override {
    // The temporary could never be renamed to a name the system refuses.
    // Every Windows file system takes 255 units a name, no more; wine
    // tells such a name only as missing, so it is counted here too.
    if (NameTooLong(beside)) return nullptr;
    if (GetFileAttributesW(SystemPath(beside).c_str()) ==
            INVALID_FILE_ATTRIBUTES &&
        NameRefused(GetLastError())) {
      return nullptr;
    }
    std::string dir = beside.substr(0, DirectoryPartLength(beside));
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = dir + TemporaryName(NameBits());
      HANDLE file = CreateFileW(
          SystemPath(name).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll,
          nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file != INVALID_HANDLE_VALUE) {
        // Held while the stream lives: RemoveLeftTemporaries leaves it
        // alone.
        HANDLE hold =
            CreateFileW(SystemPath(name).c_str(), GENERIC_READ, kShareAll,
                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        auto stream = std::make_unique<WindowsStream>(file, false);
        if (hold != INVALID_HANDLE_VALUE) {
          TryLock(hold);
          stream->HoldWith(hold);
        }
        *path = name;
        return stream;
      }
      if (GetLastError() != ERROR_FILE_EXISTS) return nullptr;
    }
    return nullptr;
  }

  bool RenameNew(const std::string& from, const std::string& to) override {
    return MoveFileExW(SystemPath(from).c_str(), SystemPath(to).c_str(), 0) !=
           0;
  }

  // NTFS commits a change of names through its own log; there is no
  // flush of a directory for an ordinary process.
  bool SyncDirectoryOf(const std::string&) override { return true; }

  bool ListNamesStartingWith(const std::string& directory,
                             const std::string& prefix,
                             std::vector<std::string>* names) override {
    names->clear();
    WIN32_FIND_DATAW data;
    ScopedFind find(directory + prefix + "*", &data);
    if (!find.valid()) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
      std::string name = PathBytes(data.cFileName);
      if (name.compare(0, prefix.size(), prefix) == 0) names->push_back(name);
    } while (find.Next(&data));
    std::sort(names->begin(), names->end());
    return true;
  }

  bool ListSubdirectories(const std::string& directory,
                          std::vector<std::string>* names) override {
    names->clear();
    WIN32_FIND_DATAW data;
    ScopedFind find(directory + "*", &data);
    if (!find.valid()) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
      std::string name = PathBytes(data.cFileName);
      bool directory_entry =
          (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
          (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
      if (directory_entry && name != "." && name != "..") {
        names->push_back(name);
      }
    } while (find.Next(&data));
    std::sort(names->begin(), names->end());
    return true;
  }

  void RemoveLeftTemporaries(const std::string& beside) override {
    std::string dir = beside.substr(0, DirectoryPartLength(beside));
    WIN32_FIND_DATAW data;
    ScopedFind find(dir + ".swu-*", &data);
    if (!find.valid()) return;
    do {
      std::string name = PathBytes(data.cFileName);
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
          IsTemporaryName(name)) {
        RemoveIfLeft(dir + name);
      }
    } while (find.Next(&data));
  }

  // An existing target's attributes (hidden, system, archive) go over to
  // the file that replaces it. A read-only target is not replaced:
  // Windows refuses, where POSIX needs only a writable directory.
  bool RenameOver(const std::string& from, const std::string& to) override {
    std::wstring wide_from = SystemPath(from), wide_to = SystemPath(to);
    DWORD attributes = GetFileAttributesW(wide_to.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      const DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                          FILE_ATTRIBUTE_ARCHIVE |
                          FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
      DWORD kept = attributes & kKept;
      SetFileAttributesW(wide_from.c_str(),
                         kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL);
    }
    return MoveFileExW(wide_from.c_str(), wide_to.c_str(),
                       MOVEFILE_REPLACE_EXISTING) != 0;
  }

  void WatchInterrupts() override { SetConsoleCtrlHandler(OnInterrupt, TRUE); }
  void DeferInterrupts(bool defer) override {
    EnterCriticalSection(&g_interrupt_lock);
    g_deferring = defer ? 1 : 0;
    LeaveCriticalSection(&g_interrupt_lock);
  }
  void DeleteOnInterrupt(const std::string& path) override {
    EnterCriticalSection(&g_interrupt_lock);
    g_delete_path = path.empty() ? std::wstring() : SystemPath(path);
    LeaveCriticalSection(&g_interrupt_lock);
  }
  bool Interrupted() override { return g_interrupt != 0; }
  void EndByInterrupt() override {
    if (g_interrupt == 0) return;
    fflush(stdout);
    EnterCriticalSection(&g_interrupt_lock);
    if (!g_delete_path.empty()) DeleteFileW(g_delete_path.c_str());
    LeaveCriticalSection(&g_interrupt_lock);
    EndAsInterrupted();
  }

  std::unique_ptr<DirEnum> FindFirst(const std::string& pattern,
                                     bool include_directories,
                                     DirEntry* first) override {
    size_t i = pattern.size();
    while (i > 0 && !IsSplitSeparator(pattern[i - 1])) --i;
    std::vector<DirEntry> entries = ReadEntries(
        pattern.substr(0, i), pattern.substr(i), include_directories);
    if (entries.empty()) return nullptr;
    auto enumeration = std::make_unique<WindowsDirEnum>(std::move(entries));
    enumeration->Next(first);
    return enumeration;
  }

  bool CannotReadDirectory(const std::string& directory) override {
    WIN32_FIND_DATAW data;
    ScopedFind find(directory + "*", &data);
    if (find.valid()) return false;
    DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND &&
           error != ERROR_DIRECTORY && error != ERROR_INVALID_NAME;
  }

  bool MakeDirectory(const std::string& path) override {
    return CreateDirectoryW(SystemPath(path).c_str(), nullptr) != 0;
  }

  bool RemoveDirectory(const std::string& path) override {
    return RemoveDirectoryW(SystemPath(path).c_str()) != 0;
  }

  bool GetCurrentDirectory(std::string* path) override {
    DWORD size = GetCurrentDirectoryW(0, nullptr);
    if (size == 0) return false;
    std::wstring buffer(size, L'\0');
    DWORD length = GetCurrentDirectoryW(size, &buffer[0]);
    if (length == 0 || length >= size) return false;
    buffer.resize(length);
    *path = PathBytes(buffer);
    return true;
  }

  bool SetCurrentDirectory(const std::string& path) override {
    return SetCurrentDirectoryW(WidePath(path).c_str()) != 0;
  }

  // Opens the directory for traversal, as entering it would, without
  // entering it: the current directory of every drive stays as it was.
  bool CanEnterDirectory(const std::string& path) override {
    if (path.empty()) return false;
    ScopedHandle directory(CreateFileW(
        SystemPath(path).c_str(), FILE_TRAVERSE | SYNCHRONIZE, kShareAll,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    return directory.valid() &&
           GetFileInformationByHandle(directory.get(), &info) &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }

  // Each part of |path| that exists as the file system spells it (the
  // program holds names upper-cased): a diff applied elsewhere must name
  // the files exactly. Drives, "." and ".." stay as they are, and so does
  // everything from the first part that does not exist.
  std::string SpeltPath(const std::string& path) override {
    std::string spelt;
    size_t begin = 0;
    while (begin < path.size()) {
      size_t end = path.find_first_of("\\/", begin);
      if (end == std::string::npos) end = path.size();
      std::string part = path.substr(begin, end - begin);
      if (!part.empty() && part != "." && part != ".." &&
          part.find_first_of(":*?") == std::string::npos) {
        WIN32_FIND_DATAW data;
        ScopedFind find(spelt + part, &data);
        if (!find.valid()) return spelt + path.substr(begin);
        part = PathBytes(data.cFileName);
      }
      spelt += part;
      if (end < path.size()) spelt += path[end];
      begin = end + 1;
    }
    return spelt;
  }

  // Names compare without regard to case: Windows keeps the environment so.
  bool GetEnvironment(const std::string& name, std::string* value) override {
    std::vector<char> buffer(256);
    while (true) {
      SetLastError(0);
      DWORD size = static_cast<DWORD>(buffer.size());
      DWORD length = GetEnvironmentVariableA(name.c_str(), buffer.data(), size);
      if (length == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
      if (length < size) {
        value->assign(buffer.data(), length);
        return true;
      }
      buffer.resize(length);  // The size asked for, terminator included.
    }
  }

  bool SlashStartsSwitch() const override { return true; }
  // The program splits its own command line, so a '"' ends an argument.
  bool QuotesSplitArguments() const override { return true; }
  // Windows takes '\\' and '/' alike; a typed path is only taken as the
  // wide command line spells it.
  std::string FromTypedPath(const std::string& typed) const override {
    return typed_paths_.Find(typed);
  }
  std::string DisplayPath(const std::string& path) const override {
    return ShownPath(path);
  }
  void SetTreeRoot(const std::string& directory) override {
    tree_root_ = FinalPath(directory.empty() ? "." : directory);
  }

  bool NameAllowed(const std::string& name) const override {
    return name.find_first_of("<>:\"|?*") == std::string::npos;
  }
  bool NameTooLong(const std::string& path) const override {
    // Counted in UTF-16 units, as the file systems count.
    return HasOverlongName(WidePath(path), [](wchar_t c) {
      return c == L'\\' || c == L'/' || c == L':';
    });
  }
  bool EndsDirectoryPart(char c) const override { return IsSplitSeparator(c); }
  char PathSeparator() const override { return '\\'; }
  int64_t LargestExitStatus() const override { return INT32_MAX; }
  const char* BannerTag() const override { return "WIN32"; }
  int64_t TextBreakLength() const override { return 2; }

  uint64_t NameBits() override {
    LARGE_INTEGER clock;
    QueryPerformanceCounter(&clock);
    return swu::NameBits(GetCurrentProcessId(),
                         static_cast<uint64_t>(clock.QuadPart), ++names_);
  }

 private:
  TypedPaths typed_paths_;   // the arguments as the system spells them
  uint64_t names_ = 0;       // names NameBits has drawn
  FILE* messages_ = stdout;  // where Print writes
  std::string tree_root_;    // the -R walk's start, as FinalPath gives it

  // The full path Windows resolves |path| to, links followed, upper-cased
  // and ending in '\\'; "" when it cannot be opened.
  static std::string FinalPath(const std::string& path) {
    ScopedHandle file(CreateFileW(SystemPath(path).c_str(), 0, kShareAll,
                                  nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.valid()) return "";
    DWORD size = GetFinalPathNameByHandleW(file.get(), nullptr, 0, 0);
    if (size == 0) return "";
    std::wstring buffer(size, L'\0');
    DWORD n = GetFinalPathNameByHandleW(file.get(), &buffer[0], size, 0);
    if (n == 0 || n >= size) return "";
    buffer.resize(n);
    std::string final_path = UpperCopy(PathBytes(buffer));
    if (final_path.back() != '\\') final_path += '\\';
    return final_path;
  }

  // True when the link |path| leads outside the walk's tree: a walk
  // never reaches a file there.
  bool LeadsOutsideTree(const std::string& path) const {
    if (tree_root_.empty()) return false;
    std::string target = FinalPath(path);
    return target.compare(0, tree_root_.size(), tree_root_) != 0;
  }

  // Reads the entries of |dir| that match |pattern|, leaving out '.', '..',
  // hidden and system entries, and directories unless asked for. Sorted.
  // Every entry is listed and matched here, rather than by Windows, whose
  // own matching also tries the short 8.3 names ("*.txt" finding a.txtx).
  std::vector<DirEntry> ReadEntries(const std::string& dir,
                                    const std::string& pattern,
                                    bool include_directories) const {
    std::vector<DirEntry> entries;
    if (pattern.empty()) return entries;
    std::wstring upper_pattern = UpperWide(WidePath(pattern));
    WIN32_FIND_DATAW data;
    ScopedFind find(dir + "*", &data);
    if (!find.valid()) return entries;
    do {
      const wchar_t* wide = data.cFileName;
      if (wcscmp(wide, L".") == 0 || wcscmp(wide, L"..") == 0) continue;
      if (!NameMatches(upper_pattern, UpperWide(wide))) continue;
      std::string name = PathBytes(wide);
      uint8_t attributes = Attributes(data);
      if (attributes & (kAttrHidden | kAttrSystem)) continue;
      if ((attributes & kAttrDirectory) && !include_directories) continue;
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
          !include_directories && HasWildcard(pattern) &&
          LeadsOutsideTree(dir + name)) {
        continue;  // A link out of the -R tree counts as a system entry.
      }
      entries.push_back(DirEntry{attributes, name});
    } while (find.Next(&data));
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) {
                return NameLess(a.name, b.name);
              });
    return entries;
  }
};

}  // namespace

Platform* Platform::Default() {
  static WindowsPlatform platform;
  return &platform;
}

}  // namespace swu
