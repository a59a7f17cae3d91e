// Temporaries for the Windows layer: the file a result is written to
// beside its target before it takes the target's name. A run holds a lock
// on each temporary it makes for as long as its stream lives, so that a
// later run removes only what a killed run left behind.

#ifndef SWU_PLATFORM_TEMPORARY_WIN32_H_
#define SWU_PLATFORM_TEMPORARY_WIN32_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace swu {

// Makes a new temporary in the directory of |target|, named from
// |name_bits|, and locks it. On success stores its path in *path and
// returns its stream, which holds the lock until it is destroyed. Returns
// nullptr on failure, also when the system refuses |target|'s name.
std::unique_ptr<File> CreateTemporaryBeside(
    const std::string& target, const std::function<uint64_t()>& name_bits,
    std::string* path);

// Deletes each temporary in the directory of |target| that no live run
// holds.
void RemoveLeftTemporariesBeside(const std::string& target);

}  // namespace swu

#endif  // SWU_PLATFORM_TEMPORARY_WIN32_H_
