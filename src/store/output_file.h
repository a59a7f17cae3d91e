// Opens the stream a file's result is written to: the loaded file itself
// (for update, or read only in the report-only modes), or the -$ output
// file, new beside the old one or appended to. For -B:C and -T:C, creates
// the missing file, or its -$ output file, as the result's output.
//
// Tested by tests/store/loader_test.cc, which runs both halves of a load.

#ifndef SWU_STORE_OUTPUT_FILE_H_
#define SWU_STORE_OUTPUT_FILE_H_

#include <memory>
#include <string>

#include "base/status.h"
#include "cli/settings.h"
#include "platform/file_system.h"
#include "platform/system_rules.h"
#include "store/append_note.h"
#include "store/loader.h"

namespace swu {

// Where a file's result goes and how its output was opened.
struct OutputTarget {
  std::string path;          // the file itself, or the -$ output file
  std::string temp_path;     // -$, -$:F: written here, then renamed to |path|
  bool in_place = true;      // the result replaces the file's bytes
  bool writable = true;      // false for the read-only report modes
  int64_t append_base = -1;  // -$:A, -$:B: output length before this file
  std::string append_note;   // -$:A, -$:B: deleted once the append is done
  bool create_new = false;   // -B:C, -T:C: |temp_path| takes the name |path|
                             // only where no file has it
  FileIdentity loaded_as;    // in place: the file as it was loaded
};

// The stream a file's result is written to, and what it stands for.
struct ResultOutput {
  std::unique_ptr<File> stream;
  OutputTarget target;
  AppendNote note;  // -$:A, -$:B: held until the append is done
};

// Opens the output of the loaded file |path|: hands its stream on in
// *output, rewound, or under -$ closes it and opens |output_path|. On
// success returns FileError::None; on failure returns the error and leaves
// no output stream open.
FileError OpenResult(const Settings& settings, FileSystem* files,
                     const SystemRules& rules, const std::string& path,
                     const std::string& output_path, LoadedInput* input,
                     ResultOutput* output);

// -B:C, -T:C: opens the output of the missing file |path|: a new
// temporary beside it, which takes its name, never replacing a file, only
// once the result is complete (under -$, the output file |output_path|).
// A file that exists but could not be read is left as it is. On success returns
// FileError::None; on failure returns the error and leaves no output stream
// open.
FileError CreateResult(const Settings& settings, FileSystem* files,
                       const SystemRules& rules, const std::string& path,
                       const std::string& output_path, ResultOutput* output);

}  // namespace swu

#endif  // SWU_STORE_OUTPUT_FILE_H_
