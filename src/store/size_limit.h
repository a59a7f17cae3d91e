// Whether a write may reach an offset under the process's file-size limit.
// A write past the limit fails part way (POSIX: SIGXFSZ, ignored, and
// EFBIG), which would leave a file half written; the writers ask first.

#ifndef SWU_STORE_SIZE_LIMIT_H_
#define SWU_STORE_SIZE_LIMIT_H_

#include <cstdint>

#include "platform/system_rules.h"

namespace swu {

// True when a file may be written up to |largest_offset| bytes (its length
// afterwards, or before where that is more) under |rules|' file-size
// limit; false when some write would fail for it.
bool WithinFileSizeLimit(const SystemRules& rules, int64_t largest_offset);

}  // namespace swu

#endif  // SWU_STORE_SIZE_LIMIT_H_
