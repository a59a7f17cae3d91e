// A file runner for the run tests: records every file it is given and
// answers with a chosen outcome, writing a small result into the -$
// output file so that output directories fill as in a real run.

#ifndef SWU_TESTS_RUN_FAKE_RUNNER_H_
#define SWU_TESTS_RUN_FAKE_RUNNER_H_

#include <map>
#include <string>
#include <vector>

#include "run/fake_platform.h"
#include "run/file_runner.h"

namespace swu {
namespace run_test {

class FakeRunner : public FileRunner {
 public:
  struct Call {
    std::string path;
    std::string output_path;
    CreateState create;  // as it was when the file came
  };

  explicit FakeRunner(FakePlatform* platform) : platform_(platform) {}

  // The outcome for |path| (by default: one match, acted on).
  void SetOutcome(const std::string& path, const FileOutcome& outcome) {
    outcomes_[path] = outcome;
  }
  void Fail(const std::string& path, FileError error) {
    FileOutcome outcome;
    outcome.error = error;
    outcomes_[path] = outcome;
  }

  void PrepareRun() override { ++reserved; }

  FileOutcome Process(const std::string& path, const std::string& output_path,
                      CreateState* create) override {
    calls.push_back(Call{path, output_path, *create});
    if (*create == CreateState::Creating) {
      const std::string& target = output_path.empty() ? path : output_path;
      if (!Write(target, "new")) return Failed(FileError::WriteOpenFailed);
      *create = CreateState::Created;
      FileOutcome created;
      created.loaded = true;
      created.size_change = 3;
      created.bytes_written = 3;
      created.text_added = true;
      return created;
    }
    FileOutcome outcome;
    outcome.loaded = true;
    outcome.acted_on = 1;
    outcome.matches_found = 1;
    auto it = outcomes_.find(path);
    if (it != outcomes_.end()) outcome = it->second;
    if (outcome.ok() && !output_path.empty() && !Write(output_path, "result")) {
      return Failed(FileError::WriteOpenFailed);
    }
    return outcome;
  }

  bool RenewBetweenFiles(LoadStatus* why) override {
    ++renewals;
    if (renewals != fail_renewal) return true;
    *why = LoadStatus::kBadSize;
    return false;
  }

  std::vector<std::string> Paths() const {
    std::vector<std::string> paths;
    for (const Call& call : calls) paths.push_back(call.path);
    return paths;
  }

  std::vector<Call> calls;
  int reserved = 0;  // PrepareRun calls
  int renewals = 0;
  int fail_renewal = -1;  // the renewal (counted from 1) that fails

 private:
  bool Write(const std::string& path, const std::string& data) {
    std::unique_ptr<File> stream = platform_->Open(path, OpenMode::kCreate);
    if (!stream) return false;
    stream->Write(data.data(), static_cast<int64_t>(data.size()));
    return stream->Close();
  }
  static FileOutcome Failed(FileError error) {
    FileOutcome outcome;
    outcome.error = error;
    return outcome;
  }

  FakePlatform* platform_;
  std::map<std::string, FileOutcome> outcomes_;
};

}  // namespace run_test
}  // namespace swu

#endif  // SWU_TESTS_RUN_FAKE_RUNNER_H_
