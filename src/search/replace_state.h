// The per-file counters of the replace loop, from which the file is
// committed and reported.

#ifndef SWU_SEARCH_REPLACE_STATE_H_
#define SWU_SEARCH_REPLACE_STATE_H_

#include <cstdint>

namespace swu {

// Loop states besides 0 (running) and the negative FileError codes.
constexpr int64_t kLoopRunning = 0;
constexpr int64_t kLoopFinished = 1;

struct ReplaceState {
  // Invariant: size_change == bytes_written - (position - start).
  int64_t size_change = 0;    // bytes gained (positive) or lost (negative)
  int64_t bytes_written = 0;  // length of the result so far
  int64_t acted_on = 0;       // matches handed to the emitter
  int64_t found = 0;          // matches found, counted under -# only
  int64_t pending_tail = 0;   // -M: the rest of the last acted-on line
  int64_t loop_state = kLoopRunning;  // 1 finished, negative: a FileError
  int64_t resume = 0;         // where the next search starts, from position
  bool text_added = false;    // the -B/-T insertion was made
};

}  // namespace swu

#endif  // SWU_SEARCH_REPLACE_STATE_H_
