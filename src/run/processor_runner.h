// The FileRunner of a real run: the search engine's FileProcessor.

#ifndef SWU_RUN_PROCESSOR_RUNNER_H_
#define SWU_RUN_PROCESSOR_RUNNER_H_

#include "output/function_chars.h"
#include "run/file_runner.h"

namespace swu {

class ProcessorRunner : public FileRunner {
 public:
  ProcessorRunner(Settings* settings, Platform* platform, Random* random)
      : settings_(settings),
        platform_(platform),
        random_(random),
        processor_(settings, platform, random) {}

  void Reserve() override { processor_.Reserve(); }
  FileOutcome Process(const std::string& path, const std::string& output_path,
                      CreateState* create) override {
    return processor_.Process(path, output_path, create);
  }
  bool RenewBetweenFiles() override {
    if (!ResetWanted(*settings_, false)) return true;
    return RenewNewText(settings_, platform_, random_);
  }

 private:
  Settings* settings_;
  Platform* platform_;
  Random* random_;
  FileProcessor processor_;
};

}  // namespace swu

#endif  // SWU_RUN_PROCESSOR_RUNNER_H_
