// The file-size limit check.

#include "store/size_limit.h"

namespace swu {

bool WithinFileSizeLimit(const SystemRules& rules, int64_t largest_offset) {
  return largest_offset <= rules.FileSizeLimit();
}

}  // namespace swu
