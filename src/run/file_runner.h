// The seam between the directory loop and the search engine: takes one
// file through loading, the replace loop and the commit. The run uses
// FileProcessor (the engine); tests use a fake.

#ifndef SWU_RUN_FILE_RUNNER_H_
#define SWU_RUN_FILE_RUNNER_H_

#include <string>
#include <vector>

#include "base/status.h"
#include "cli/settings.h"

namespace swu {

class FileRunner {
 public:
  virtual ~FileRunner() = default;

  // Before the first file: allocates the initial file buffer (a failure is
  // not an error) and makes <new> as it is first written.
  virtual void PrepareRun() = 0;

  // Processes the file |path|, writing to |output_path| under -$ (empty
  // otherwise). May move *create from Creating to Created.
  virtual FileOutcome Process(const std::string& path,
                              const std::string& output_path,
                              CreateState* create) = 0;

  // Between files: renews the new text when -K:RF asks for it. Returns
  // false, with the reason in *why, when its -L file could not be read
  // again.
  virtual bool RenewBetweenFiles(LoadStatus* why) = 0;

  // Tells which files of a directory's listing follow, in their order
  // (|paths|; empty once the directory is done), and whether the listing
  // showed none of the program's own names (|clean|: no journal, spare or
  // temporary). Until told, and after false, none is assumed. A runner may
  // load the files ahead.
  virtual void DirectoryListed(bool clean, std::vector<std::string> paths) {
    (void)clean;
    (void)paths;
  }
};

}  // namespace swu

#endif  // SWU_RUN_FILE_RUNNER_H_
