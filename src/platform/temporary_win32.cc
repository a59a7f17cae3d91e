// Temporaries for the Windows layer: made beside their target, locked for
// the life of the run that made them, and swept once that run is gone.

#include "base/reserved_names.h"
#include "platform/file_win32.h"
#include "platform/names_win32.h"
#include "platform/path_win32.h"
#include "platform/scoped_win32.h"
#include "platform/system_win32.h"
#include "platform/temporary.h"

namespace swu {

namespace {

constexpr int kTemporaryAttempts = 100;

// True for the errors of a name the file system does not take (too long
// for a component or a path).
bool NameRefused(DWORD error) {
  return error == ERROR_FILENAME_EXCED_RANGE || error == ERROR_INVALID_NAME;
}

// Deletes the temporary |path| when no live run holds its lock: a run
// that was killed left it.
void RemoveIfLeft(const std::string& path) {
  std::wstring wide = SystemPath(path);
  ScopedHandle file(CreateFileW(wide.c_str(), GENERIC_READ, kShareAll, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return;
  if (TryLock(file.get())) DeleteFileW(wide.c_str());
}

}  // namespace

std::unique_ptr<File> CreateTemporaryBeside(
    const std::string& target, const std::function<uint64_t()>& name_bits,
    std::string* path) {
  if (GetFileAttributesW(SystemPath(target).c_str()) ==
          INVALID_FILE_ATTRIBUTES &&
      NameRefused(GetLastError())) {
    return nullptr;
  }
  std::string dir = target.substr(0, DirectoryPartLength(target));
  for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
    std::string name = dir + TemporaryName(name_bits());
    HANDLE file = CreateFileW(SystemPath(name).c_str(),
                              GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      // Held while the stream lives: RemoveLeftTemporaries leaves it alone.
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

void RemoveLeftTemporariesBeside(const std::string& target) {
  std::string dir = target.substr(0, DirectoryPartLength(target));
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

}  // namespace swu
