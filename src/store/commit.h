// The commit of one file whose result is complete: the store's last step.
// In place the result is in the file's journal and the file untouched;
// the commit completes the journal, checks that the file is still the one
// loaded, writes the result in place from the journal, reads it back, sets
// the length and removes the journal. A file that fails before that is
// left untouched; one whose writing fails part way keeps its journal,
// which the next run over it applies. Under -$ an appended output file is
// cut back to its length before this file when the file fails, and a new
// output file is removed; a temporary output (and a file created for
// -B:C/-T:C) takes its name only when complete, never replacing a file
// that is to be created.
//
// Tested by tests/result/result_writer_test.cc and end to end.

#ifndef SWU_STORE_COMMIT_H_
#define SWU_STORE_COMMIT_H_

#include <cstdint>

#include "base/status.h"
#include "cli/settings.h"
#include "platform/platform.h"
#include "store/file_buffer.h"
#include "store/journal_apply.h"
#include "store/journal_writer.h"
#include "store/output_file.h"

namespace swu {

// The figures of a file's result that the commit reads and corrects.
struct CommitCounts {
  bool finished = false;              // the result is complete
  FileError error = FileError::None;  // the first failure, if any
  int64_t size_change = 0;            // 0 once the file failed
  int64_t bytes_written = 0;
  int64_t acted_on = 0;
  int64_t found = 0;
};

class FileCommit {
 public:
  // |file| is the file itself in place (then |journal| holds the result)
  // or the -$ output (|journal| null); |buffer|'s image holds the file's
  // |original_size| bytes as loaded.
  FileCommit(const Settings& settings, Platform* platform, File* file,
             JournalWriter* journal, const OutputTarget& target,
             const FileBuffer& buffer, int64_t original_size,
             CommitCounts counts);

  // Commits the file in place from its journal, or its -$ output. Returns
  // the counts as corrected: the first error that failed the file, and a
  // size change of 0 for a failed one.
  CommitCounts Run();

 private:
  bool failed() const { return counts_.error != FileError::None; }
  bool succeeded() const { return counts_.finished && !failed(); }
  void Fail(FileError e) {
    if (!failed()) counts_.error = e;
  }
  bool StillAsLoaded();
  bool NamesTheFile();
  void CommitInPlace();
  void Shorten(int64_t result_size);
  void Rewrite(int64_t result_size);
  Applied ApplyAgain(int64_t result_size);
  void CommitOutput();
  void PutBack();
  void PutBackByName();
  void Publish();
  bool TakeName();
  bool WithinSizeLimit();

  const Settings& settings_;
  Platform* platform_;
  File* file_;              // the file itself, or the -$ output
  JournalWriter* journal_;  // in place: where the result is
  const OutputTarget& target_;
  const char* image_;
  const char* live_;  // the file's bytes as they are now, or null
  int64_t original_size_;
  CommitCounts counts_;
  bool reapplied_ = false;  // a second stream wrote the file after a fault
  bool keep_note_ = false;  // an append could not be cut back
};

}  // namespace swu

#endif  // SWU_STORE_COMMIT_H_
