// Runs files through the FileProcessor on the real disk, in a scoped
// temporary directory, over a FaultPlatform, so tests can set up a file,
// process it and compare the bytes on disk.

#ifndef SWU_TESTS_FAKES_ENGINE_HARNESS_H_
#define SWU_TESTS_FAKES_ENGINE_HARNESS_H_

#include <memory>
#include <string>

#include "base/random.h"
#include "cli/settings.h"
#include "fakes/fault_platform.h"
#include "fakes/parse_for_test.h"
#include "fakes/temp_dir.h"
#include "run/file_processor.h"

namespace swu {

class EngineHarness {
 public:
  // Sets the texts and switches as the parser would, and starts the run
  // over them.
  void Configure(const std::string& search, const std::string& new_text,
                 const std::string& switches) {
    ParseForTest(search, new_text, switches, &settings_);
    processor_ =
        std::make_unique<FileProcessor>(settings_, &platform_, &random_);
    processor_->PrepareRun();
  }

  // Starts another run over the same switches: a file processed already
  // is a new file to it.
  void NextRun() {
    processor_ =
        std::make_unique<FileProcessor>(settings_, &platform_, &random_);
    processor_->PrepareRun();
  }

  // Processes the file |name| of the directory; |output| names the -$
  // output file in the directory (empty without -$).
  FileOutcome Process(const std::string& name, const std::string& output = "") {
    return processor_->Process(
        dir_.Path(name), output.empty() ? "" : dir_.Path(output), &create_);
  }

  const TempDir& dir() const { return dir_; }
  FaultPlatform& platform() { return platform_; }
  CreateState& create() { return create_; }

 private:
  TempDir dir_;
  FaultPlatform platform_;
  Settings settings_;
  Random random_;
  CreateState create_ = CreateState::None;
  std::unique_ptr<FileProcessor> processor_;
};

}  // namespace swu

#endif  // SWU_TESTS_FAKES_ENGINE_HARNESS_H_
