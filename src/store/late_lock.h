// The lock of a file loaded without it. A run that only reads a file
// needs no lock: most files of a tree hold no match and are never
// written. So a small file is loaded unlocked (store/loader.h) and locked
// here only when the run is about to write it: before its journal's first
// record, or before its new length. Then the file must still hold, byte
// for byte, what was loaded, and no journal may have appeared beside it
// since its directory was listed; otherwise nothing is written and the
// file is to be processed again, locked from its load, as every file was
// before.
//
// Tested by tests/store/late_lock_test.cc

#ifndef SWU_STORE_LATE_LOCK_H_
#define SWU_STORE_LATE_LOCK_H_

#include <cstdint>
#include <string>

#include "platform/file_system.h"
#include "platform/system_rules.h"

namespace swu {

// Files up to this size are loaded unlocked where the run allows it:
// reading one again to check it costs little.
constexpr int64_t kLockLaterUpTo = 256 << 10;

class LateLock {
 public:
  // |file| is |path| open for update, loaded as |loaded_as| into |image|
  // (all must outlive the lock).
  LateLock(FileSystem* files, const SystemRules& rules, const std::string& path,
           File* file, const FileIdentity& loaded_as, const char* image);

  // Locks the file and checks it, the first time. Returns true when the
  // file may be written: it is locked and still as loaded.
  bool Acquire();

  // True once Acquire() found the file changed or with a journal of its
  // own: it is to be loaded again.
  bool refused() const { return tried_ && !admitted_ && !busy_; }
  // True once Acquire() found the file locked by another run for longer
  // than a locked load waits: it fails as such a load would.
  bool busy() const { return busy_; }
  // True when the file system had no lock to give (the file is used
  // without one, as a locked load would).
  bool unlocked() const { return unlocked_; }

 private:
  bool StillAsLoaded();
  bool JournalAppeared();

  FileSystem* files_;
  const SystemRules& rules_;
  const std::string& path_;
  File* file_;
  const FileIdentity& loaded_as_;
  const char* image_;
  bool tried_ = false;
  bool admitted_ = false;
  bool unlocked_ = false;
  bool busy_ = false;
};

}  // namespace swu

#endif  // SWU_STORE_LATE_LOCK_H_
