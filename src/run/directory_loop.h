// The directory loop and the per-file sequence: for the current directory
// it enumerates the files of the pattern (or takes the files of the
// --files-from list in its order) and takes each through the file
// runner (load, replace loop, commit), reports it, applies -S and the
// -K:RF reset between files, and under -R asks the walk for the next
// directory until the walk is finished; a subdirectory the walk cannot
// read is reported and counted as a failed file. It also decides when -B:C/-T:C
// turn into the creation of the file that <filespec> names.
//
// Tested by tests/run/driver_test.cc (whole runs on an in-memory platform)
// and the run_*.cases end-to-end cases.

#ifndef SWU_RUN_DIRECTORY_LOOP_H_
#define SWU_RUN_DIRECTORY_LOOP_H_

#include <string>

#include "cli/settings.h"
#include "platform/platform.h"
#include "report/file_report.h"
#include "run/file_runner.h"
#include "run/run_state.h"
#include "run/walk.h"

namespace swu {

class DirectoryLoop {
 public:
  // |walk| is the started walk under -R, null otherwise.
  DirectoryLoop(const Settings& settings, Platform* platform,
                FileRunner* runner, DirectoryWalk* walk, RunState* state);
  DirectoryLoop(const DirectoryLoop&) = delete;
  DirectoryLoop& operator=(const DirectoryLoop&) = delete;

  // Processes every file of the file set. On return the run's status
  // holds OutputDirFailed or TextFileFailed when the loop ended on one.
  void Run();

 private:
  void RunDirectory();
  void RunListed();
  void ProcessListed(const std::string& path, const std::string& current);
  DirectoryWalk::Step NextDirectory();
  bool CreatesHere() const;
  void ProcessCreated();
  void ProcessFile(const std::string& path, const std::string& name);
  std::string OutputFileFor(const std::string& name) const;
  bool AfterFile(bool waiting);
  void RemoveUnusedOutputDirectory();
  bool LoopEnds() const;

  const Settings& settings_;
  Platform* platform_;
  FileRunner* runner_;
  DirectoryWalk* walk_;
  RunState* state_;
  bool renew_failed_ = false;  // a -K:RF reload of <new> failed
};

}  // namespace swu

#endif  // SWU_RUN_DIRECTORY_LOOP_H_
