// What the replace loop asks of the code that writes a file's result: pass
// or drop stretches of the image, write at a match, finish the file. The
// one implementation is the result writer; the loop's tests record calls.
// Whatever moves FileBuffer's position or changes the counters of
// ReplaceState does it behind this interface.

#ifndef SWU_SEARCH_MATCH_WRITER_H_
#define SWU_SEARCH_MATCH_WRITER_H_

#include <cstdint>

#include "search/match.h"

namespace swu {

class MatchWriter {
 public:
  virtual ~MatchWriter() = default;

  // Passes the next |n| bytes of the image to the result unchanged.
  virtual void PassUnchanged(int64_t n) = 0;
  // Writes the next |n| bytes of the image (always, even where intelligent
  // writing could pass over them).
  virtual void CopyThrough(int64_t n) = 0;
  // Leaves the next |n| bytes of the image out of the result (-M).
  virtual void Drop(int64_t n) = 0;
  // Leaves the rest of the image out of the result (-M).
  virtual void DropRest() = 0;
  // Writes the output for |match|, whose consumed region starts at the
  // position, and passes the bytes it consumes. Returns the consumed
  // length, which -O and -U can make longer than the match's.
  virtual int64_t WriteAtMatch(const Match& match) = 0;
  // After the last match: the rest of the image and, when no match was
  // acted on, the -B/-T insertion.
  virtual void FinishMatches() = 0;
};

}  // namespace swu

#endif  // SWU_SEARCH_MATCH_WRITER_H_
