// Helpers for the command-line tests: run the parser over a list of
// arguments. Tests that need -L files use fakes/temp_dir.h.

#ifndef SWU_TESTS_CLI_PARSE_HELPER_H_
#define SWU_TESTS_CLI_PARSE_HELPER_H_

#include <memory>
#include <string>
#include <vector>

#include "base/random.h"
#include "cli/parser.h"
#include "cli/settings.h"
#include "cli_test_platform.h"
#include "result/new_text.h"

namespace swu {

// One parse: a fresh Settings record (one per run) and the outcome.
struct Parsed {
  std::unique_ptr<Settings> settings = std::make_unique<Settings>();
  Random random;
  ParseOutcome outcome;

  Settings& s() { return *settings; }
  std::string search() const {
    return std::string(settings->search_text(), settings->search_length);
  }
  // <new> as the run first writes it: with the -K characters and the -'
  // change made, as NewText::Prepare makes them once the run starts.
  std::string new_text() {
    if (outcome.status != RunStatus::None) {
      return std::string(settings->new_text(), settings->new_length);
    }
    NewText text(*settings, Platform::Default(), Platform::Default(), &random);
    text.Prepare();
    return std::string(reinterpret_cast<const char*>(text.data()),
                       static_cast<size_t>(text.size()));
  }
};

inline std::unique_ptr<Parsed> Parse(const std::vector<std::string>& args,
                                     Platform* platform) {
  auto parsed = std::make_unique<Parsed>();
  std::vector<std::string> copies = {"swu"};
  copies.insert(copies.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : copies) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  parsed->outcome =
      ParseCommandLine(static_cast<int>(copies.size()), argv.data(), platform,
                       platform, parsed->settings.get());
  return parsed;
}

}  // namespace swu

#endif  // SWU_TESTS_CLI_PARSE_HELPER_H_
