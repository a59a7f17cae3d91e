// The file-size limit check.

#include "store/size_limit.h"

namespace swu {

bool WithinFileSizeLimit(Platform* platform, int64_t largest_offset) {
  return largest_offset <= platform->FileSizeLimit();
}

}  // namespace swu
