// Opens the current file, locks it (or leaves that to store/late_lock),
// tests its size and reads it whole into FileBuffer, or maps a large one.
// The stream its result is written to is opened by store/output_file.
//
// Tested by tests/store/loader_test.cc

#ifndef SWU_STORE_LOADER_H_
#define SWU_STORE_LOADER_H_

#include <memory>
#include <string>

#include "base/status.h"
#include "cli/settings.h"
#include "platform/file_system.h"
#include "store/file_buffer.h"

namespace swu {

// How long a file locked by another run is waited for.
constexpr int64_t kLockWaitMs = 5000;

// A file as loaded.
struct LoadedInput {
  std::unique_ptr<File> stream;  // the file, open (and locked if |locked|)
  FileIdentity identity;         // the file as it was loaded
  bool locked = false;           // locked at its load, not to be late
  bool unlocked = false;         // used without a lock (none to be had)
};

// Opens |path| (for update, or for reading only in the report-only modes
// and under -$), locks it for this run until its commit and loads it into
// *buffer; an empty file becomes an empty image like a created file's.
// With |lock_later|, a small file to be rewritten in place is loaded
// without its lock, which a LateLock takes before it is written. On
// success returns FileError::None and leaves the file open in *input; on
// failure returns the error (OpenFailed also for a missing file) and
// leaves no stream open. Its output is opened by store/output_file.
FileError LoadCurrentFile(const Settings& settings, FileSystem* files,
                          const std::string& path, bool lock_later,
                          FileBuffer* buffer, LoadedInput* input);

// A small file (1 to kLockLaterUpTo bytes) that another thread opened for
// update without locking it and read whole, as LoadCurrentFile with
// |lock_later| would have.
struct LoadedAhead {
  std::unique_ptr<File> stream;  // null: not loaded
  FileIdentity identity;         // the file as opened
  std::string bytes;             // its bytes, identity.size of them
};

// Takes |ahead| as the file loaded. Returns FileError::None, or
// LoadNoMemory with no stream kept.
FileError AdoptLoadedFile(LoadedAhead ahead, FileBuffer* buffer,
                          LoadedInput* input);

}  // namespace swu

#endif  // SWU_STORE_LOADER_H_
