// The Windows implementation of the platform layer, on the Win32 API and
// the C runtime. It keeps the order and helper names of platform_posix.cc.
//
// Paths are handed to Windows as the program's buffers hold them: Windows
// itself compares names without regard to case and accepts '\' and '/'.
// Only '\' and ':' end the directory part of an enumeration pattern, as in
// the filespec split, so a '/' in the name part matches nothing rather
// than naming entries of another directory.
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
// methods, so they are undefined and the ...A functions called by name.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#define NOGDI
#include <windows.h>
#undef DeleteFile
#undef RemoveDirectory
#undef GetCurrentDirectory
#undef SetCurrentDirectory

#include <conio.h>
#include <direct.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/name_pattern.h"
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

// Entries sort by their upper-case form, ties by raw bytes, so that runs
// and reports are reproducible whatever order the file system keeps.
bool NameLess(const std::string& a, const std::string& b) {
  std::string ua = UpperCopy(a), ub = UpperCopy(b);
  if (ua != ub) return ua < ub;
  return a < b;
}

bool IsSplitSeparator(char c) { return c == '\\' || c == ':'; }

bool IsDirectory(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

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

 private:
  HANDLE handle_;
};

// A FindFirstFileA search, closed when it goes out of scope.
class ScopedFind {
 public:
  ScopedFind(const std::string& pattern, WIN32_FIND_DATAA* data)
      : handle_(FindFirstFileA(pattern.c_str(), data)) {}
  ~ScopedFind() {
    if (valid()) FindClose(handle_);
  }
  ScopedFind(const ScopedFind&) = delete;
  ScopedFind& operator=(const ScopedFind&) = delete;

  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Next(WIN32_FIND_DATAA* data) { return FindNextFileA(handle_, data); }

 private:
  HANDLE handle_;
};

uint8_t Attributes(const WIN32_FIND_DATAA& data) {
  DWORD raw = data.dwFileAttributes;
  uint8_t attributes = static_cast<uint8_t>(raw & 0xFF);
  if ((raw & FILE_ATTRIBUTE_DIRECTORY) &&
      (raw & FILE_ATTRIBUTE_REPARSE_POINT)) {
    attributes |= kAttrSystem;  // A junction or link: never walked.
  }
  return attributes;
}

// The handle under a C runtime stream.
HANDLE HandleOf(FILE* file) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
}

class WindowsStream : public Stream {
 public:
  explicit WindowsStream(FILE* file) : file_(file) {
    setvbuf(file_, nullptr, _IOFBF, 1 << 16);
  }
  ~WindowsStream() override { Close(); }

  bool Seek(int64_t offset, Whence whence) override {
    int w = whence == Whence::kStart     ? SEEK_SET
            : whence == Whence::kCurrent ? SEEK_CUR
                                         : SEEK_END;
    return file_ != nullptr && _fseeki64(file_, offset, w) == 0;
  }
  int64_t Tell() override {
    return file_ == nullptr ? -1 : static_cast<int64_t>(_ftelli64(file_));
  }
  int64_t Read(void* data, int64_t n) override {
    if (file_ == nullptr || n <= 0) return 0;
    return static_cast<int64_t>(fread(data, 1, static_cast<size_t>(n), file_));
  }
  void Write(const void* data, int64_t n) override {
    if (file_ == nullptr) {
      error_ = true;
    } else if (n > 0) {
      fwrite(data, 1, static_cast<size_t>(n), file_);
    }
  }
  void Put(uint8_t byte) override {
    if (file_ == nullptr) {
      error_ = true;
    } else {
      putc(byte, file_);
    }
  }
  bool error() const override {
    return error_ || (file_ != nullptr && ferror(file_) != 0);
  }
  bool Flush() override {
    if (file_ == nullptr) return false;
    if (fflush(file_) != 0) error_ = true;
    return !error();
  }
  bool Close() override {
    if (file_ == nullptr) return true;
    bool ok = fflush(file_) == 0 && ferror(file_) == 0;
    ok = (fclose(file_) == 0) && ok;
    file_ = nullptr;
    return ok;
  }

 private:
  FILE* file_;
  bool error_ = false;
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

const char* ModeString(OpenMode mode) {
  switch (mode) {
    case OpenMode::kRead:
      return "rb";
    case OpenMode::kUpdate:
      return "r+b";
    case OpenMode::kCreate:
      return "w+b";
    case OpenMode::kAppend:
      return "a+b";
    case OpenMode::kWriteOnly:
      return "wb";
  }
  return "rb";
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
    // Text mode, as a console program's output is read in files and pipes.
    _setmode(_fileno(stdout), _O_TEXT);
  }

  void Print(const char* data, size_t n) override {
    fwrite(data, 1, n, stdout);
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

  std::unique_ptr<Stream> Open(const std::string& path,
                               OpenMode mode) override {
    if (path.empty() || IsDirectory(path)) return nullptr;
    FILE* file = fopen(path.c_str(), ModeString(mode));
    if (file == nullptr) return nullptr;
    if (GetFileType(HandleOf(file)) != FILE_TYPE_DISK) {
      fclose(file);
      return nullptr;  // A device (CON, NUL, COM1) or a pipe is no file.
    }
    return std::make_unique<WindowsStream>(file);
  }

  bool SetFileLength(const std::string& path, int64_t length) override {
    ScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!file.valid()) return false;
    bool ok = SetLength(file.get(), length);
    return file.Close() && ok;
  }

  bool DeleteFile(const std::string& path) override {
    return DeleteFileA(path.c_str()) != 0;
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

  bool MakeDirectory(const std::string& path) override {
    return CreateDirectoryA(path.c_str(), nullptr) != 0;
  }

  bool RemoveDirectory(const std::string& path) override {
    return RemoveDirectoryA(path.c_str()) != 0;
  }

  bool GetCurrentDirectory(std::string* path) override {
    DWORD size = GetCurrentDirectoryA(0, nullptr);
    if (size == 0) return false;
    std::vector<char> buffer(size);
    DWORD length = GetCurrentDirectoryA(size, buffer.data());
    if (length == 0 || length >= size) return false;
    path->assign(buffer.data(), length);
    return true;
  }

  bool SetCurrentDirectory(const std::string& path) override {
    return SetCurrentDirectoryA(path.c_str()) != 0;
  }

  char GetCurrentDrive() override {
    int drive = _getdrive();  // 1 for A:, 0 on a network path
    return drive == 0 ? 0 : static_cast<char>('A' + drive - 1);
  }

  bool SetCurrentDrive(char drive) override {
    if (drive < 'A' || drive > 'Z') return false;
    return _chdrive(drive - 'A' + 1) == 0;
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

  bool EndsDirectoryPart(char c) const override { return IsSplitSeparator(c); }
  char PathSeparator() const override { return '\\'; }
  bool SlashStartsSwitch() const override { return true; }
  int64_t LargestExitStatus() const override { return INT32_MAX; }

 private:
  static bool SetLength(HANDLE file, int64_t length) {
    LARGE_INTEGER position;
    position.QuadPart = length;
    return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) &&
           SetEndOfFile(file);
  }

  // Reads the entries of |dir| that match |pattern|, leaving out '.', '..',
  // hidden and system entries, and directories unless asked for. Sorted.
  // Every entry is listed and matched here, rather than by Windows, whose
  // own matching also tries the short 8.3 names ("*.txt" finding a.txtx).
  static std::vector<DirEntry> ReadEntries(const std::string& dir,
                                           const std::string& pattern,
                                           bool include_directories) {
    std::vector<DirEntry> entries;
    if (pattern.empty()) return entries;
    WIN32_FIND_DATAA data;
    ScopedFind find(dir + "*", &data);
    if (!find.valid()) return entries;
    do {
      const char* name = data.cFileName;
      if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) continue;
      if (!NameMatches(pattern, name)) continue;
      uint8_t attributes = Attributes(data);
      if (attributes & (kAttrHidden | kAttrSystem)) continue;
      if ((attributes & kAttrDirectory) && !include_directories) continue;
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
