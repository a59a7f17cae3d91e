// The whole command: the start phase (parse, banner, help) and then the
// run of driver.cc with the search engine as its file runner.

#include <cstring>
#include <string>
#include <vector>

#include "cli/default_options.h"
#include "cli/parser.h"
#include "report/help_screen.h"
#include "report/run_report.h"
#include "report/verbosity.h"
#include "run/driver.h"
#include "run/file_processor.h"
#include "run/recover_command.h"

namespace swu {

namespace {

// True when the command line asks for --recover (first, or after --sync);
// stores the paths after it in *paths, --sync in *durable and --discard in
// *discard.
bool RecoverRequested(int argc, char** argv, std::vector<std::string>* paths,
                      bool* durable, bool* discard) {
  int i = 1;
  *durable = false;
  *discard = false;
  if (i < argc && strcmp(argv[i], "--sync") == 0) {
    *durable = true;
    ++i;
  }
  if (i >= argc || strcmp(argv[i], "--recover") != 0) return false;
  for (++i; i < argc; ++i) {
    if (strcmp(argv[i], "--sync") == 0) {
      *durable = true;
    } else if (strcmp(argv[i], "--discard") == 0) {
      *discard = true;
    } else {
      paths->push_back(argv[i]);
    }
  }
  return true;
}

// True when an argument before the first "--" is "--diff": a command
// line that fails before the parser reaches it still asks for its
// messages beside standard output.
bool DiffRequested(int argc, char** argv) {
  for (int i = 1; i < argc && strcmp(argv[i], "--") != 0; ++i) {
    if (strcmp(argv[i], "--diff") == 0) return true;
  }
  return false;
}

}  // namespace

int64_t RunCommand(int argc, char** argv, Platform* platform) {
  platform->WatchInterrupts();
  std::vector<std::string> recover_paths;
  bool durable = false;
  bool discard = false;
  if (RecoverRequested(argc, argv, &recover_paths, &durable, &discard)) {
    return RunRecover(recover_paths, durable, discard, platform);
  }
  Settings settings;
  Random random;
  ParseOutcome parsed =
      ParseWithDefaultOptions(argc, argv, platform, platform, &settings);
  // A diff owns standard output; the run's messages go beside it.
  if (settings.shows_diff() ||
      (parsed.status != RunStatus::None && DiffRequested(argc, argv))) {
    platform->MessagesToStandardError();
  }
  if (Shows(Output::kBanner, settings.verbosity())) {
    PrintBanner(platform->BannerTag(), platform);
    ReportAddedOptions(settings, platform);
    if (settings.help()) {
      parsed.status = RunStatus::None;  // Help ends the run without error.
      PrintHelp(settings.help_page(), platform);
    }
  }
  // From here on the command line's record is only read.
  const Settings& run_settings = settings;
  FileProcessor runner(run_settings, platform, &random);
  return RunParsed(parsed, run_settings, platform, &random, &runner);
}

}  // namespace swu
