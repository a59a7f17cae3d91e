// The per-file counters of the replace loop, from which the file is
// committed and reported.

#ifndef SWU_SEARCH_REPLACE_STATE_H_
#define SWU_SEARCH_REPLACE_STATE_H_

#include <cstdint>

#include "base/status.h"

namespace swu {

struct ReplaceState {
  // Invariant: size_change == bytes_written - (position - start).
  int64_t size_change = 0;    // bytes gained (positive) or lost (negative)
  int64_t bytes_written = 0;  // length of the result so far
  int64_t acted_on = 0;       // matches handed to the emitter
  int64_t found = 0;          // matches found, counted under -# only
  // Acted-on matches whose bytes differ in case from the search text
  // (counted without -C only).
  int64_t case_differs = 0;
  int64_t pending_tail = 0;           // -M: the rest of the last acted-on line
  FileError error = FileError::None;  // the failure that ends the file
  bool finished = false;    // the loop has been through the whole file
  int64_t resume = 0;       // where the next search starts, from position
  bool text_added = false;  // the -B/-T insertion was made

  bool failed() const { return error != FileError::None; }
  bool running() const { return !finished && !failed(); }
  bool succeeded() const { return finished && !failed(); }
  // Records |e| unless the file has failed already: the first failure is
  // the one reported.
  void Fail(FileError e) {
    if (!failed()) error = e;
  }
};

}  // namespace swu

#endif  // SWU_SEARCH_REPLACE_STATE_H_
