// The line-break rule shared by the matcher, the line modes and the
// emitter. A line break is an LF together with the CR directly before it
// when there is one; a line ends where its break begins. A CR alone ends no
// line.
//
// Tested by tests/search/line_break_test.cc

#ifndef SWU_SEARCH_LINE_BREAK_H_
#define SWU_SEARCH_LINE_BREAK_H_

#include <cstdint>

namespace swu {

// The length of the break that begins at |at| in data[first, end): 2 for
// CR LF, 1 for an LF that does not directly follow a CR, else 0. Bytes
// before |first| are not looked at.
int64_t BreakAt(const uint8_t* data, int64_t first, int64_t at, int64_t end);

// The first break that begins at or after |from| and before |end|: stores
// its length in *length and returns where it begins, or returns -1. An LF
// at |from| whose CR stands before |from| belongs to a break that began
// earlier and is passed over.
int64_t FindBreak(const uint8_t* data, int64_t from, int64_t end,
                  int64_t* length);

// The bytes of the break the command writes, of |length| 2 (CR LF) or 1
// (LF).
inline const uint8_t* BreakBytes(int64_t length) {
  static const uint8_t kCrLf[2] = {'\r', '\n'};
  return kCrLf + 2 - length;  // A lone LF is the last byte of the pair.
}

// The break the command writes into data[first, end): the image's first
// break, LF for a lone LF and CR LF for CR LF; in an image without a break
// (an empty one too) the one of |own_length|, the system's own (1 or 2).
// Returns its length, 1 or 2.
int64_t WrittenBreakLength(const uint8_t* data, int64_t first, int64_t end,
                           int64_t own_length);

}  // namespace swu

#endif  // SWU_SEARCH_LINE_BREAK_H_
