// The whole command: the start phase (parse, banner, help) and then the
// run of driver.cc with the search engine as its file runner.

#include "cli/parser.h"
#include "report/help_screen.h"
#include "report/verbosity.h"
#include "run/driver.h"
#include "run/processor_runner.h"

namespace swu {

int64_t RunCommand(int argc, char **argv, Platform *platform) {
  platform->WatchInterrupts();
  Settings settings;
  Random random;
  ParseOutcome parsed =
      ParseCommandLine(argc, argv, platform, &random, &settings);
  if (Shows(Output::kBanner, settings.verbosity())) {
    PrintBanner(platform);
    if (settings[kHelp] == 'H') {
      parsed.status = RunStatus::None;  // Help ends the run without error.
      PrintHelp(static_cast<char>(settings[kHelpPage]), platform);
    }
  }
  ProcessorRunner runner(&settings, platform, &random);
  return RunParsed(parsed, &settings, platform, &random, &runner);
}

}  // namespace swu
