// Writes new-text segments to the output stream. When the -K list has
// mode-6 characters, each such byte is written as a line break (CR LF, or
// LF in a file whose lines end in a lone LF); otherwise a segment is one
// plain write.
//
// Tested by tests/result/emitter_test.cc and the -K cases end to end.

#ifndef SWU_RESULT_SEGMENT_WRITER_H_
#define SWU_RESULT_SEGMENT_WRITER_H_

#include <cstdint>

#include "cli/settings.h"
#include "result/output_buffer.h"

namespace swu {

class SegmentWriter {
 public:
  // |break_length| is the line break written for a mode-6 character: 2
  // for CR LF, 1 for LF.
  SegmentWriter(const Settings& settings, OutputBuffer* out,
                int64_t break_length = 2);

  // Writes |n| bytes of new text. Returns the bytes the conversions added
  // to what was written (one per CR LF, none per LF).
  int64_t Write(const uint8_t* data, int64_t n);

 private:
  OutputBuffer* out_;
  int64_t break_length_;
  bool is_break_[256] = {};  // the mode-6 characters
  bool any_breaks_ = false;
};

}  // namespace swu

#endif  // SWU_RESULT_SEGMENT_WRITER_H_
