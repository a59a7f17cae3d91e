// Locking a file only when it is about to be written.

#include "store/late_lock.h"

#include <cassert>
#include <cstring>
#include <memory>
#include <new>

#include "store/loader.h"
#include "store/recovery.h"

namespace swu {

LateLock::LateLock(FileSystem* files, const SystemRules& rules,
                   const std::string& path, File* file,
                   const FileIdentity& loaded_as, const char* image)
    : files_(files),
      rules_(rules),
      path_(path),
      file_(file),
      loaded_as_(loaded_as),
      image_(image) {}

bool LateLock::Acquire() {
  if (tried_) return admitted_;
  tried_ = true;
  if (!file_->Lock(kLockWaitMs)) {
    busy_ = true;
    return false;
  }
  unlocked_ = file_->unlocked();
  admitted_ = StillAsLoaded() && !JournalAppeared();
  return admitted_;
}

// True when the file has the identity and the bytes it was loaded with:
// another run may have rewritten it between the load and the lock, and
// a time stamp is too coarse to tell.
bool LateLock::StillAsLoaded() {
  FileIdentity now;
  int64_t size = loaded_as_.size;
  assert(size >= 0 && size <= kLockLaterUpTo);  // Only small files wait.
  if (!file_->Identify(&now) || !SameFile(now, loaded_as_) ||
      now.size != size) {
    return false;
  }
  std::unique_ptr<char[]> bytes(
      new (std::nothrow) char[static_cast<size_t>(size) + 1]);
  return bytes != nullptr && file_->ReadAt(bytes.get(), size, 0) == size &&
         memcmp(bytes.get(), image_, static_cast<size_t>(size)) == 0;
}

// True when a journal for the file lies beside it, or is noted on it: a
// run killed after this one listed the directory may have left the file
// part written. The file is then loaded again, and recovered first.
bool LateLock::JournalAppeared() {
  bool noted = false;
  return HasPendingJournal(files_, rules_, path_, loaded_as_, &noted);
}

}  // namespace swu
