// The POSIX implementation of the platform layer. PosixPlatform ties the
// POSIX files together: paths go through the resolver (path_resolver_posix)
// and, under -R, through the directories the walk holds open
// (directory_posix); files and their opens are in file_posix, temporaries
// in temporary_posix, signals in interrupts_posix, the console in
// console_posix and large blocks in memory_posix.

#include <errno.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "base/reserved_names.h"
#include "platform/console_posix.h"
#include "platform/directory_posix.h"
#include "platform/file_posix.h"
#include "platform/interrupts_posix.h"
#include "platform/memory_posix.h"
#include "platform/path_resolver_posix.h"
#include "platform/platform.h"
#include "platform/scoped_posix.h"
#include "platform/temporary.h"

namespace swu {

namespace {

bool StatPath(const std::string& path, FileIdentity* identity) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  *identity = IdentityOf(st);
  return true;
}

int64_t ReadFileSizeLimit() {
  struct rlimit limit;
  if (getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
      limit.rlim_cur > static_cast<rlim_t>(INT64_MAX)) {
    return INT64_MAX;
  }
  return static_cast<int64_t>(limit.rlim_cur);
}

class PosixPlatform : public Platform {
 public:
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
    return OpenStat(path, mode, nullptr);
  }

  bool OpensConcurrently() const override { return true; }

  // Opening a file to read or update costs no second stat: the one the
  // open makes to check that it is a regular file tells what it is.
  std::unique_ptr<File> OpenIdentified(const std::string& path, OpenMode mode,
                                       FileIdentity* identity) override {
    if (mode != OpenMode::kRead && mode != OpenMode::kUpdate) {
      return Platform::OpenIdentified(path, mode, identity);
    }
    struct stat st;
    std::unique_ptr<File> stream = OpenStat(path, mode, &st);
    if (stream != nullptr) *identity = IdentityOf(st);
    return stream;
  }

  bool DeleteFile(const std::string& path) override {
    std::string name;
    int dir = directories_.HeldDirectoryOf(path, &name);
    if (dir != AT_FDCWD) return unlinkat(dir, name.c_str(), 0) == 0;
    return unlink(resolver_.Resolve(path).c_str()) == 0;
  }

  bool Identify(const std::string& path, FileIdentity* identity) override {
    if (path.empty()) return false;
    // Under -R a name in a directory the walk holds is looked up there: one
    // call, and never through a link put in the directory's place.
    std::string name;
    int dir = directories_.HeldDirectoryOf(path, &name);
    if (dir == AT_FDCWD) return StatPath(resolver_.Resolve(path), identity);
    struct stat st;
    if (fstatat(dir, name.c_str(), &st, 0) == 0) {
      *identity = IdentityOf(st);
      return true;
    }
    // A name spelt in another case than the directory has it.
    return errno == ENOENT && StatPath(resolver_.Resolve(path), identity);
  }

  bool IdentifyExact(const std::string& path, FileIdentity* identity) override {
    std::string name;
    int dir = directories_.HeldDirectoryOf(path, &name);
    struct stat st;
    if (dir == AT_FDCWD) {
      return !path.empty() && StatPath(resolver_.Quick(path), identity);
    }
    if (fstatat(dir, name.c_str(), &st, 0) != 0) return false;
    *identity = IdentityOf(st);
    return true;
  }

  std::unique_ptr<File> CreateTemporary(const std::string& beside,
                                        std::string* path) override {
    return CreateTemporaryBeside(
        resolver_.Resolve(beside), [this] { return NameBits(); }, path);
  }

  void RemoveLeftTemporaries(const std::string& beside) override {
    RemoveLeftTemporariesBeside(resolver_.Resolve(beside));
  }

  bool RenameNew(const std::string& from, const std::string& to) override {
    std::string source, target;
    int from_dir = directories_.HeldDirectoryOf(from, &source);
    int to_dir = directories_.HeldDirectoryOf(to, &target);
    if (from_dir == AT_FDCWD) source = resolver_.Quick(from);
    if (to_dir == AT_FDCWD) target = resolver_.Quick(to);
#ifdef RENAME_NOREPLACE
    if (renameat2(from_dir, source.c_str(), to_dir, target.c_str(),
                  RENAME_NOREPLACE) == 0) {
      return true;
    }
    if (errno != EINVAL && errno != ENOSYS) return false;
#endif
    // Where the file system cannot rename without replacing: a link fails
    // on an existing name as the rename would.
    if (linkat(from_dir, source.c_str(), to_dir, target.c_str(), 0) != 0) {
      return false;
    }
    unlinkat(from_dir, source.c_str(), 0);
    return true;
  }

  bool SyncDirectoryOf(const std::string& path) override {
    std::string resolved = resolver_.Resolve(path);
    size_t slash = resolved.rfind('/');
    std::string dir =
        slash == std::string::npos ? "." : resolved.substr(0, slash + 1);
    ScopedFd fd(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.valid() && fsync(fd.get()) == 0;
  }

  bool ListNamesStartingWith(const std::string& directory,
                             const std::string& prefix,
                             std::vector<std::string>* names) override {
    return swu::ListNamesStartingWith(resolver_.Resolve(directory), prefix,
                                      names);
  }

  bool ListSubdirectories(const std::string& directory,
                          std::vector<std::string>* names) override {
    return swu::ListSubdirectories(resolver_.Resolve(directory), names);
  }

  bool RenameOver(const std::string& from, const std::string& to) override {
    return rename(from.c_str(), resolver_.Resolve(to).c_str()) == 0;
  }

  void WatchInterrupts() override { WatchInterruptSignals(); }
  void DeferInterrupts(bool defer) override { DeferInterruptSignals(defer); }
  void DeleteOnInterrupt(const std::string& path) override {
    DeleteOnInterruptSignal("");  // Disarmed while the path is resolved.
    if (!path.empty()) DeleteOnInterruptSignal(resolver_.Quick(path));
  }
  bool Interrupted() override { return InterruptSignalSeen(); }
  void EndByInterrupt() override { EndByInterruptSignal(); }

  char* AllocateBlock(int64_t size) override {
    assert(size >= 0);
    if (size < kMappedBlockSize) return Platform::AllocateBlock(size);
    return AllocateMappedBlock(size);
  }

  void FreeBlock(char* block, int64_t size) override {
    if (size < kMappedBlockSize) return Platform::FreeBlock(block, size);
    FreeMappedBlock(block, size);
  }

  std::unique_ptr<DirEnum> FindFirst(const std::string& pattern,
                                     bool include_directories,
                                     DirEntry* first) override {
    return directories_.FindFirst(pattern, include_directories, first);
  }

  bool CannotReadDirectory(const std::string& directory) override {
    return directories_.CannotRead(resolver_.Resolve(directory));
  }

  bool MakeDirectory(const std::string& path) override {
    return mkdir(resolver_.Resolve(path).c_str(), 0777) == 0;
  }

  bool RemoveDirectory(const std::string& path) override {
    return rmdir(resolver_.Resolve(path).c_str()) == 0;
  }

  bool GetCurrentDirectory(std::string* path) override {
    std::vector<char> buffer(4096);
    if (getcwd(buffer.data(), buffer.size()) == nullptr) return false;
    *path = buffer.data();
    return true;
  }

  bool SetCurrentDirectory(const std::string& path) override {
    return chdir(resolver_.Resolve(path).c_str()) == 0;
  }

  uint32_t CurrentUser() const override {
    static const uid_t user = geteuid();  // The process never changes it.
    return static_cast<uint32_t>(user);
  }
  // Asked before every rewrite; the process never changes its limit, so
  // the first answer stands.
  int64_t FileSizeLimit() const override {
    static const int64_t limit = ReadFileSizeLimit();
    return limit;
  }
  uint64_t NameBits() override {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    uint64_t clock = static_cast<uint64_t>(now.tv_sec) * 1000000000u +
                     static_cast<uint64_t>(now.tv_nsec);
    return swu::NameBits(static_cast<uint64_t>(getpid()), clock, ++names_);
  }

  // '/' begins an absolute path here, never a switch.
  bool SlashStartsSwitch() const override { return false; }

  std::string FromTypedPath(const std::string& typed) const override {
    std::string out = typed;
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
  }

  std::string SpeltPath(const std::string& path) override {
    return resolver_.Resolve(path);
  }
  void NoteTypedSpelling(const std::string& typed) override {
    resolver_.NoteSpelling(typed);
  }

  void SetTreeRoot(const std::string& directory) override {
    directories_.SetTreeRoot(resolver_.Resolve(directory));
  }

  bool GetEnvironment(const std::string& name, std::string* value) override {
    const char* v = getenv(name.c_str());
    if (v == nullptr) return false;
    *value = v;
    return true;
  }

 private:
  // Open, storing in *opened (when not null, and only for a file to read
  // or update) the stat of the file opened.
  std::unique_ptr<File> OpenStat(const std::string& path, OpenMode mode,
                                 struct stat* opened) {
    if (path.empty()) return nullptr;
    // A file to read or update must exist: its name is tried as given
    // before it is looked for ignoring case. A file to create or append
    // to takes an existing file of the same name ignoring case.
    bool must_exist = mode == OpenMode::kRead || mode == OpenMode::kUpdate;
    std::string quick = must_exist ? resolver_.Quick(path) : std::string();
    ScopedFd fd;
    if (must_exist && directories_.OpenListed(quick, mode, &fd, opened)) {
      // Under -R a listed file is opened as listed or not at all.
      if (!fd.valid()) return nullptr;
      return std::make_unique<PosixStream>(std::move(fd), /*appending=*/false);
    }
    if (must_exist) fd = OpenRegular(quick, mode, opened);
    if (mode == OpenMode::kCreateNew || mode == OpenMode::kCreatePrivate ||
        mode == OpenMode::kReserved || mode == OpenMode::kReadNoLink) {
      // A new file, or a name the program made, takes exactly the name
      // given; under -R in the directory the walk holds, whatever its
      // path has come to name since.
      std::string name;
      int dir = directories_.HeldDirectoryOf(path, &name);
      fd = dir != AT_FDCWD ? OpenRegularAt(dir, name, mode, nullptr)
                           : OpenRegular(resolver_.Quick(path), mode);
    } else if (mode == OpenMode::kAppend) {
      fd = OpenToAppend(resolver_.Resolve(path));
    } else if (!fd.valid() &&
               (!must_exist || errno == ENOENT || errno == ENOTDIR)) {
      fd = OpenRegular(resolver_.Resolve(path), mode, opened);
    }
    if (!fd.valid()) return nullptr;
    return std::make_unique<PosixStream>(std::move(fd),
                                         mode == OpenMode::kAppend);
  }

  PathResolver resolver_;
  Directories directories_{&resolver_};
  PosixConsole console_;
  uint64_t names_ = 0;  // names NameBits has drawn
};

}  // namespace

Platform* Platform::Default() {
  static PosixPlatform platform;
  return &platform;
}

}  // namespace swu
