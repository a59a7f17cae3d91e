// Passes the unchanged stretches of a file to its output, finishes the
// file after its last match (the rest of the image and the -B/-T
// insertion) and hands it to its commit (store/commit.h).
//
// In place, the output is the file's journal: nothing reaches the file
// until its whole result is there.
//
// Intelligent writing: in place, while the result is as long as the file up
// to the position (size change 0), unchanged bytes are already on disk
// where the result needs them, so they are passed over instead of written,
// and each change becomes one record of the journal (changes close
// together in one).
//
// Tested by tests/result/result_writer_test.cc

#ifndef SWU_RESULT_RESULT_WRITER_H_
#define SWU_RESULT_RESULT_WRITER_H_

#include <cstdint>
#include <string>

#include "base/status.h"
#include "cli/settings.h"
#include "platform/platform.h"
#include "result/change_sink.h"
#include "result/emitter.h"
#include "result/output_buffer.h"
#include "search/match.h"
#include "search/match_writer.h"
#include "search/replace_state.h"
#include "store/file_buffer.h"
#include "store/journal_writer.h"
#include "store/output_file.h"

namespace swu {

class ResultWriter : public MatchWriter {
 public:
  // |out| writes to |journal| in place (|file| is the file itself), and
  // to |file| otherwise (|journal| is null).
  ResultWriter(const Settings& settings, Platform* platform, FileBuffer* buffer,
               Emitter* emitter, OutputBuffer* out, File* file,
               JournalWriter* journal, const OutputTarget& target,
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

  // Writes the result in place from the journal, or renames a temporary
  // output over the output file, and puts an output back when the file
  // failed. A file that another program changed after its load is not
  // written at all and fails with ReadFailed. Returns FileError::None when
  // the file succeeded, otherwise the first error that failed it.
  FileError CommitFile();

  // --diff: from now on the result goes to |sink| (which |out| writes to
  // as well), with every stretch of the image kept or replaced told to it;
  // the commit then writes nothing.
  void DiffInto(ChangeSink* sink) { diff_ = sink; }

 private:
  bool PassesOverUnchanged() const;
  void PassOver(int64_t n);
  void Insert(bool at_start);
  void CheckCounts() const;
  void KeepImageBytes(int64_t n);

  const Settings& settings_;
  Platform* platform_;
  FileBuffer* buffer_;
  Emitter* emitter_;
  OutputBuffer* out_;
  File* file_;              // the file itself, or the -$ output
  JournalWriter* journal_;  // in place: where the result goes first
  OutputTarget target_;
  ReplaceState* state_;
  int64_t original_size_;       // size of the image as loaded
  bool passed_over_ = false;    // PassOver counted the rest as written
  ChangeSink* diff_ = nullptr;  // --diff: where the result goes instead
};

}  // namespace swu

#endif  // SWU_RESULT_RESULT_WRITER_H_
