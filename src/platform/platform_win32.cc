// The Windows implementation of the platform layer, on the Win32 API and
// the C runtime. WindowsPlatform ties the Windows files together: files
// and their open are in file_win32, temporaries in temporary_win32,
// enumerations and listings in directory_win32, the typed arguments in
// typed_paths_win32, the console's events in interrupts_win32 and the
// console in console_win32.
//
// Paths are the program's bytes (path_win32.h): the ANSI code page's, with
// an escape for a character it cannot spell. Every file call is the wide
// (...W) one on their wide form, a long one with the "\\?\" prefix, and
// every name is listed wide, so a file is opened as itself, never through
// a look-alike that the code page puts in for a character it lacks.
// Windows itself compares names without regard to case and accepts '\'
// and '/'.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/reserved_names.h"
#include "platform/console_win32.h"
#include "platform/directory_win32.h"
#include "platform/file_win32.h"
#include "platform/interrupts_win32.h"
#include "platform/names_win32.h"
#include "platform/owner_win32.h"
#include "platform/path_win32.h"
#include "platform/platform.h"
#include "platform/scoped_win32.h"
#include "platform/system_win32.h"
#include "platform/temporary.h"
#include "platform/typed_paths_win32.h"

// The C runtime would otherwise be free to expand wildcards in the
// arguments; the command expands its own filespec.
extern "C" {
int _dowildcard = 0;
}

namespace swu {

namespace {

class WindowsPlatform : public Platform {
 public:
  WindowsPlatform() {
    InitializeInterrupts();
    console_.UseTextMode();
  }

  void Print(const char* data, size_t n) override { console_.Print(data, n); }
  void MessagesToStandardError() override {
    console_.MessagesToStandardError();
  }
  void PrintNote(const char* data, size_t n) override {
    console_.PrintNote(data, n);
  }
  void WriteOutput(const char* data, size_t n) override {
    console_.WriteOutput(data, n);
  }
  bool OutputIsTerminal() const override { return console_.OutputIsTerminal(); }
  void ReadKey() override { console_.ReadKey(); }
  bool ReadStandardInput(std::string* bytes) override {
    return console_.ReadStandardInput(bytes);
  }

  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
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

  // The temporary could never be renamed to a name the system refuses.
  // Every Windows file system takes 255 units a name, no more; wine tells
  // such a name only as missing, so it is counted here too.
  std::unique_ptr<File> CreateTemporary(const std::string& beside,
                                        std::string* path) override {
    if (NameTooLong(beside)) return nullptr;
    return CreateTemporaryBeside(
        beside, [this] { return NameBits(); }, path);
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
    return swu::ListNamesStartingWith(directory, prefix, names);
  }

  bool ListSubdirectories(const std::string& directory,
                          std::vector<std::string>* names) override {
    return swu::ListSubdirectories(directory, names);
  }

  void RemoveLeftTemporaries(const std::string& beside) override {
    RemoveLeftTemporariesBeside(beside);
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

  void WatchInterrupts() override { WatchInterruptEvents(); }
  void DeferInterrupts(bool defer) override { DeferInterruptEvents(defer); }
  void DeleteOnInterrupt(const std::string& path) override {
    DeleteOnInterruptEvent(path);
  }
  bool Interrupted() override { return InterruptEventSeen(); }
  void EndByInterrupt() override { EndByInterruptEvent(); }

  std::unique_ptr<DirEnum> FindFirst(const std::string& pattern,
                                     bool include_directories,
                                     DirEntry* first) override {
    return directories_.FindFirst(pattern, include_directories, first);
  }

  bool CannotReadDirectory(const std::string& directory) override {
    return swu::CannotReadDirectory(directory);
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

  uint32_t CurrentUser() const override { return ProcessUser(); }

  // Each part of |path| that exists as the file system spells it (the
  // program holds names upper-cased): a diff applied elsewhere must name
  // the files exactly.
  std::string SpeltPath(const std::string& path) override {
    return swu::SpeltPath(path);
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
    directories_.SetTreeRoot(directory);
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
  WindowsConsole console_;   // messages, output and keys
  Directories directories_;  // enumerations, and the -R walk's start
};

}  // namespace

Platform* Platform::Default() {
  static WindowsPlatform platform;
  return &platform;
}

}  // namespace swu
