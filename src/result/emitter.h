// Writes what belongs at each acted-on match: the new text with its '&'
// expansions in the chosen case, pad bytes (-N), the matched text or line
// beside it (-A, -I), line breaks in line mode (-D), written as the file
// writes them (LF when its first break is a lone LF, else CR LF); and, for a
// file without an acted-on match, the -B/-T insertion. It only renders: it
// says what it wrote and what a match consumes, and the result writer
// moves the position and keeps the counts.
//
// Tested by tests/result/emitter_test.cc

#ifndef SWU_RESULT_EMITTER_H_
#define SWU_RESULT_EMITTER_H_

#include <cstdint>
#include <string>

#include "cli/settings.h"
#include "result/new_text.h"
#include "result/output_buffer.h"
#include "result/segment_writer.h"
#include "search/match.h"
#include "store/file_buffer.h"

namespace swu {

class Emitter {
 public:
  // |new_text| also finds the '&' characters and keeps the shortcut for
  // a text that holds none. |own_break_length| is the system's own line
  // break (Platform::TextBreakLength), written into a file without one.
  Emitter(const Settings& settings, NewText* new_text, const FileBuffer* buffer,
          OutputBuffer* out, int64_t own_break_length);

  // What an emission wrote, and how much of the image the match covers
  // in the end.
  struct Emission {
    int64_t written = 0;   // one more for every mode-6 byte written as CR LF
    int64_t consumed = 0;  // the match's, enlarged by -O and by -U's break
  };

  // At a match whose consumed region starts at the position: writes the
  // output for it. Moves nothing: the caller passes the consumed bytes.
  Emission EmitAtMatch(const Match& match);

  // For a file without an acted-on match: writes the -B or -T text (none
  // without them, or under -U). Returns the bytes written.
  int64_t EmitInsertion();

  // The text that '&' stands for in an insertion (the search text, with
  // -W its wildcards changed).
  void set_insertion_text(std::string text) {
    insertion_text_ = std::move(text);
  }

  // '&' expansions written in this file.
  int64_t insert_count() const { return insert_count_; }

 private:
  int64_t EmitNewText(const Match& match, bool insertion);
  int64_t WriteExpansion(const Match& match, bool insertion);
  int64_t WriteCaseChanged(const uint8_t* data, int64_t n, AmpCase to);
  int64_t WriteTypedCase(const Match& match);
  void WritePlain(const uint8_t* data, int64_t n);
  // Writes the file's line break and returns its length.
  int64_t WriteLineBreak();
  void WritePad(int64_t n);

  const Settings& settings_;
  NewText* new_text_;
  const FileBuffer* buffer_;
  OutputBuffer* out_;
  int64_t break_length_;  // the break written: 2 CR LF, 1 LF as the file has
  SegmentWriter segments_;
  uint8_t wildcard_ = 0;    // the -1 special character, 0 when disabled
  bool line_mode_ = false;  // -D in any form
  LineFilter line_filter_ = LineFilter::kAll;
  Placement placement_ = Placement::kReplace;
  AddMode add_mode_ = AddMode::kNone;
  std::string insertion_text_;
  int64_t insert_count_ = 0;
};

}  // namespace swu

#endif  // SWU_RESULT_EMITTER_H_
