// The line-break rule.

#include "search/line_break.h"

#include <cstring>

namespace swu {

int64_t BreakAt(const uint8_t* data, int64_t first, int64_t at, int64_t end) {
  if (at < first || at >= end) return 0;
  if (data[at] == '\r') return at + 1 < end && data[at + 1] == '\n' ? 2 : 0;
  if (data[at] != '\n') return 0;
  return at > first && data[at - 1] == '\r' ? 0 : 1;
}

int64_t FindBreak(const uint8_t* data, int64_t from, int64_t end,
                  int64_t* length) {
  for (int64_t q = from; q < end; ++q) {
    const void* hit = memchr(data + q, '\n', static_cast<size_t>(end - q));
    if (hit == nullptr) break;
    q = static_cast<const uint8_t*>(hit) - data;
    bool after_cr = q > 0 && data[q - 1] == '\r';
    if (!after_cr) {
      *length = 1;
      return q;
    }
    if (q - 1 >= from) {
      *length = 2;
      return q - 1;
    }
    // The CR of this LF lies before |from|: its break began earlier.
  }
  *length = 0;
  return -1;
}

int64_t WrittenBreakLength(const uint8_t* data, int64_t first, int64_t end,
                           int64_t own_length) {
  if (first >= end) return own_length;
  const void* hit =
      memchr(data + first, '\n', static_cast<size_t>(end - first));
  if (hit == nullptr) return own_length;
  int64_t q = static_cast<const uint8_t*>(hit) - data;
  return q > first && data[q - 1] == '\r' ? 2 : 1;
}

}  // namespace swu
