// The whole command: the start phase (parse, banner, help) and then the
// run of driver.cc with the search engine as its file runner.

#include "cli/parser.h"
#include "report/help_screen.h"
#include "report/verbosity.h"
#include "run/driver.h"
#include "run/file_processor.h"

namespace swu {

int64_t RunCommand(int argc, char** argv, Platform* platform) {
  platform->WatchInterrupts();
  Settings settings;
  Random random;
  ParseOutcome parsed = ParseCommandLine(argc, argv, platform, &settings);
  if (Shows(Output::kBanner, settings.verbosity())) {
    PrintBanner(platform);
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
