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
// where the result needs them, so they are passed by moving the stream
// instead of writing.
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
#include "search/match.h"
#include "search/replace_state.h"

namespace swu {

// Where a file's result goes and how its output was opened.
struct OutputTarget {
  std::string path;          // the file itself, or the -$ output file
  std::string temp_path;     // -$, -$:F: written here, then renamed to |path|
  bool in_place = true;      // the result replaces the file's bytes
  bool writable = true;      // false for the read-only report modes
  int64_t append_base = -1;  // -$:A, -$:B: output length before this file
  bool created = false;      // the output file did not exist before
  FileIdentity loaded_as;    // in place: the file as it was loaded
  // In place: nothing is written when the file is no longer |loaded_as|.
  bool check_unchanged = false;
};

class ResultWriter {
 public:
  ResultWriter(const Settings& settings, Platform* platform, FileBuffer* buffer,
               Emitter* emitter, OutputBuffer* out, const OutputTarget& target,
               ReplaceState* state);

  // Passes the next |n| bytes of the image: moves the stream over them
  // while intelligent writing allows, otherwise writes them. Advances the
  // position and the bytes written by |n|. A failed move sets the loop
  // state to OpenFailed.
  void PassUnchanged(int64_t n);

  // After the last match: passes the rest of the image (not under -M) and,
  // when no match was acted on, makes the -B or -T insertion.
  void FinishMatches(Match* match);

  // Checks and closes the stream, shortens a file that shrank in place,
  // renames a temporary output over the output file, and puts the output
  // back when the file failed. A file that another program changed after
  // its load is not written at all and fails with ReadFailed. Returns the
  // file's status: the matches acted on, or a negative FileError.
  FileStatus CommitFile();

 private:
  bool Intelligent() const;
  void Insert(Match* match, bool at_start);
  bool StillAsLoaded();
  void Fail(FileError error);
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
