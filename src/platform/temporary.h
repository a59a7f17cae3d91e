// Temporaries: the file a result is written to beside its target before it
// takes the target's name. A run holds a lock on each temporary it makes
// for as long as its stream lives, so that a later run removes only what a
// killed run left behind. Implemented once for each system, in
// temporary_posix.cc and temporary_win32.cc.

#ifndef SWU_PLATFORM_TEMPORARY_H_
#define SWU_PLATFORM_TEMPORARY_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/file.h"

namespace swu {

// Makes a new temporary in the directory of |target| (on POSIX a resolved
// path), named from |name_bits|, and locks it. On success stores its path
// in *path and returns its stream, which holds the lock until it is
// destroyed. Returns nullptr on failure, also when |target|'s name is too
// long for the temporary ever to take it or the system refuses it.
std::unique_ptr<File> CreateTemporaryBeside(
    const std::string& target, const std::function<uint64_t()>& name_bits,
    std::string* path);

// Deletes each temporary in the directory of |target| (on POSIX a resolved
// path) that no live run holds. Where locks are not to be had they stay.
void RemoveLeftTemporariesBeside(const std::string& target);

}  // namespace swu

#endif  // SWU_PLATFORM_TEMPORARY_H_
