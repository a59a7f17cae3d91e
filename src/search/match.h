// The matcher's description of one match, read by the replace loop and the
// emitter. Offsets count from FileBuffer's position at the time of the
// search; the match start is an index into the block.

#ifndef SWU_SEARCH_MATCH_H_
#define SWU_SEARCH_MATCH_H_

#include <cstdint>

namespace swu {

struct Match {
  int64_t offset = 0;           // to the consumed region
  int64_t consumed = 0;         // bytes the match covers from the offset
  int64_t start = 0;            // block index of the first search text byte
  int64_t line_offset = 0;      // -M: to the start of the line of the match
  int64_t line_length = 0;      // -M: that line without its line end
  int64_t line_break = 0;       // -M: length of the break ending that line
  bool line_end_taken = false;  // the consumed region ends with the break
};

}  // namespace swu

#endif  // SWU_SEARCH_MATCH_H_
