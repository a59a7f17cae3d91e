// Writes new-text segments to the output stream. When the -K list has
// mode-6 characters, each such byte is written as CR LF and counted as a
// conversion (WriteWithLineBreaks); otherwise a segment is one plain write.
//
// Tested by tests/output/segment_writer_test.cc

#ifndef SWU_OUTPUT_SEGMENT_WRITER_H_
#define SWU_OUTPUT_SEGMENT_WRITER_H_

#include <cstdint>

#include "cli/settings.h"
#include "platform/platform.h"

namespace swu {

class SegmentWriter {
 public:
  SegmentWriter(const Settings& settings, Stream* stream);

  // Writes |n| bytes of new text. Returns the number of bytes that became
  // CR LF (each adds one byte to what was written).
  int64_t Write(const uint8_t* data, int64_t n);

  // Writes |n| bytes with every mode-6 character as CR LF. Returns the
  // number of conversions.
  int64_t WriteWithLineBreaks(const uint8_t* data, int64_t n);

 private:
  Stream* stream_;
  bool is_break_[256] = {};  // the mode-6 characters
  bool any_breaks_ = false;
};

}  // namespace swu

#endif  // SWU_OUTPUT_SEGMENT_WRITER_H_
