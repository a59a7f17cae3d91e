// Takes one file through loading, the replace loop and the commit, and
// hands back its figures for the report. Owns the run's FileBuffer, which
// is reused from file to file and only ever replaced by a larger block.

#ifndef SWU_SEARCH_FILE_PROCESSOR_H_
#define SWU_SEARCH_FILE_PROCESSOR_H_

#include <cstdint>
#include <string>

#include "cli/settings.h"
#include "output/random.h"
#include "platform/platform.h"
#include "report/status.h"

namespace swu {

// One file's outcome and figures.
struct FileOutcome {
  FileStatus status = 0;      // matches acted on, or a negative FileError
  bool loaded = false;        // the replace loop ran (detail block, totals)
  int64_t original_size = 0;  // size as loaded, 0 for a created file
  int64_t size_change = 0;    // bytes gained (positive) or lost (negative)
  int64_t bytes_written = 0;  // length of the result
  int64_t insert_count = 0;   // '&' expansions written
  int64_t matches_found = 0;  // including those -# skipped
  bool text_added = false;    // the -B/-T insertion was made
};

class FileProcessor {
 public:
  FileProcessor(Settings* settings, Platform* platform, Random* random);
  ~FileProcessor();
  FileProcessor(const FileProcessor&) = delete;
  FileProcessor& operator=(const FileProcessor&) = delete;

  // Allocates the initial 32768-byte block; a failure is not an error.
  void Reserve();

  // Processes the file |path|. |output_path| is the -$ output file (empty
  // without -$). While *create is Creating, a missing or empty file is
  // created and *create becomes Created; while it is CreateRequested, an
  // empty file takes the -B/-T text as a created one would, and *create
  // stays as it is (the file existed). Never leaves a file damaged: on a
  // failure after the file changed its original bytes are put back. An
  // interruption meanwhile is held until the file is done.
  FileOutcome Process(const std::string& path, const std::string& output_path,
                      CreateState* create);

 private:
  FileOutcome ProcessDeferred(const std::string& path,
                              const std::string& output_path,
                              CreateState* create);

  struct Impl;
  Impl* impl_;
};

}  // namespace swu

#endif  // SWU_SEARCH_FILE_PROCESSOR_H_
