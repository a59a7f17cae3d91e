// The new-text segment writer and its line-break conversion.

#include "result/segment_writer.h"

#include <cassert>

#include "search/line_break.h"

namespace swu {

namespace {

// Writes |n| bytes to |out| with every byte that |is_break| marks as the
// line break of |break_length| bytes. Returns the bytes the conversions
// added.
int64_t WriteWithLineBreaks(const uint8_t* data, int64_t n,
                            const bool (&is_break)[256], int64_t break_length,
                            OutputBuffer* out) {
  int64_t conversions = 0;
  int64_t run_start = 0;
  for (int64_t i = 0; i < n; ++i) {
    if (!is_break[data[i]]) continue;
    if (i > run_start) out->Write(data + run_start, i - run_start);
    out->Write(BreakBytes(break_length), break_length);
    conversions += break_length - 1;
    run_start = i + 1;
  }
  if (n > run_start) out->Write(data + run_start, n - run_start);
  return conversions;
}

}  // namespace

SegmentWriter::SegmentWriter(const Settings& settings, OutputBuffer* out,
                             int64_t break_length)
    : out_(out), break_length_(break_length) {
  const SpecialFunctionList& list = settings.functions;
  // The mode-6 entries stand at the front of the list.
  assert(list.ModeSixLeads());
  for (int32_t i = 0; i < list.mode6_count(); ++i) {
    is_break_[list.entries[i].character] = true;
    any_breaks_ = true;
  }
}

int64_t SegmentWriter::Write(const uint8_t* data, int64_t n) {
  if (n <= 0) return 0;
  if (!any_breaks_) {
    out_->Write(data, n);
    return 0;
  }
  return WriteWithLineBreaks(data, n, is_break_, break_length_, out_);
}

}  // namespace swu
