// Passes the unchanged stretches of a file to its output, finishes the
// file after its last match (the rest of the image and the -B/-T
// insertion) and commits it: checks the stream, closes it and shortens a
// file that shrank. When a file fails after its output changed, the output
// is put back: a file rewritten in place gets its original bytes again, an
// appended output file is cut back to its length before this file, and a
// new output file is removed.
//
// Intelligent writing: in place, while the result is as long as the file up
// to the position (size change 0), unchanged bytes are already on disk
// where the result needs them, so they are passed over instead of written,
// and each change goes to its place with a positioned write (changes close
// together in one).
//
// Tested by tests/output/result_writer_test.cc

#ifndef SWU_OUTPUT_RESULT_WRITER_H_
#define SWU_OUTPUT_RESULT_WRITER_H_

#include <cstdint>
#include <string>

#include "cli/settings.h"
#include "output/emitter.h"
#include "output/output_buffer.h"
#include "platform/platform.h"
#include "report/status.h"
#include "search/file_buffer.h"
#include "search/loader.h"
#include "search/match.h"
#include "search/match_writer.h"
#include "search/replace_state.h"

namespace swu {

class ResultWriter : public MatchWriter {
 public:
  ResultWriter(const Settings& settings, Platform* platform, FileBuffer* buffer,
               Emitter* emitter, OutputBuffer* out, const OutputTarget& target,
               ReplaceState* state);

  // MatchWriter. The only code that moves the position or changes the
  // size change and the bytes written; each keeps the invariant
  // size_change == bytes_written - (position - start).
  // PassUnchanged passes over the bytes while intelligent writing allows,
  // otherwise writes them. FinishMatches passes the rest of the image (not
  // under -M: a file without a modified line is left as it is in place).
  void PassUnchanged(int64_t n) override;
  void CopyThrough(int64_t n) override;
  void Drop(int64_t n) override;
  void DropRest() override;
  int64_t WriteAtMatch(const Match& match) override;
  void FinishMatches() override;

  // Checks and closes the stream, shortens a file that shrank in place,
  // renames a temporary output over the output file, and puts the output
  // back when the file failed. A file that another program changed after
  // its load is not written at all and fails with ReadFailed. Returns the
  // file's status: the matches acted on, or a negative FileError.
  FileStatus CommitFile();

 private:
  bool Intelligent() const;
  void PassOver(int64_t n);
  void Insert(bool at_start);
  void CheckCounts() const;
  bool StillAsLoaded();
  void PutBack();
  void PutBackByName();
  void Publish();

  const Settings& settings_;
  Platform* platform_;
  FileBuffer* buffer_;
  Emitter* emitter_;
  OutputBuffer* out_;
  Stream* stream_;
  OutputTarget target_;
  ReplaceState* state_;
  int64_t original_size_;  // size of the image as loaded
};

}  // namespace swu

#endif  // SWU_OUTPUT_RESULT_WRITER_H_
