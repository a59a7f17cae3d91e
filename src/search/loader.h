// Opens the current file, tests its size, reads it whole into FileBuffer
// and opens the stream its result is written to: the file itself for
// update (or for reading only in the report-only modes), or the -$ output
// file. A missing or empty file is created, or taken as an empty image,
// when the create option (-B:C, -T:C) is in force.
//
// Tested by tests/search/loader_test.cc

#ifndef SWU_SEARCH_LOADER_H_
#define SWU_SEARCH_LOADER_H_

#include <memory>
#include <string>

#include "base/status.h"
#include "cli/settings.h"
#include "platform/platform.h"
#include "search/file_buffer.h"

namespace swu {

// Where a file's result goes and how its output was opened.
struct OutputTarget {
  std::string path;          // the file itself, or the -$ output file
  std::string temp_path;     // -$, -$:F: written here, then renamed to |path|
  bool in_place = true;      // the result replaces the file's bytes
  bool writable = true;      // false for the read-only report modes
  int64_t append_base = -1;  // -$:A, -$:B: output length before this file
  FileIdentity loaded_as;    // in place: the file as it was loaded
};

struct LoadedFile {
  std::unique_ptr<Stream> stream;  // where the result is written
  OutputTarget target;             // what that stream stands for
  bool opened = false;             // an existing file was opened
  FileIdentity input;              // then: the file as it was loaded
  bool unlocked = false;           // then: used without a lock (none to be had)
};

// Loads |path| into *buffer and opens its output in *loaded. |output_path|
// is the -$ output file (unused without -$). While *create is Creating, a
// missing or empty file is created and *create becomes Created; while it
// is CreateRequested, an empty file is processed as an empty image. On
// success returns FileError::None; on failure returns the error and leaves
// no stream open.
FileError LoadCurrentFile(const Settings& settings, Platform* platform,
                          const std::string& path,
                          const std::string& output_path, CreateState* create,
                          FileBuffer* buffer, LoadedFile* loaded);

}  // namespace swu

#endif  // SWU_SEARCH_LOADER_H_
