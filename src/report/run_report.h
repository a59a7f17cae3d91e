// What the user sees about the run as a whole: the totals block, the
// end-of-run error message, the directory warnings of the walk and the
// -P prompt.

#ifndef SWU_REPORT_RUN_REPORT_H_
#define SWU_REPORT_RUN_REPORT_H_

#include <optional>
#include <string>

#include "base/status.h"
#include "cli/settings.h"
#include "platform/console.h"
#include "report/run_totals.h"

namespace swu {

// Prints, at -V:3, the switches that SWU_OPTIONS added ahead of the
// command line, on one line; nothing when it added none.
void ReportAddedOptions(const Settings& settings, Console* console);

// Prints the totals block, ending with the -S lines. Prints nothing at
// -V:0.
void ReportTotals(const RunTotals& totals, const Settings& settings,
                  Console* console);

// Prints, on standard error from -V:1 on, the notes that follow the
// totals: how many matches acted on differ in case from the search text
// (without -C), and, when nothing matched but the text with its anchor
// characters as plain ones occurs, how a literal leading or trailing one
// is written.
void ReportNotes(const RunTotals& totals, const Settings& settings,
                 Console* console);

// What the end-of-run message of a failed run may quote.
struct RunErrorNames {
  bool bad_text_marked = false;  // BadArgument names |bad_text|
  std::string bad_text;
  std::string pattern;           // the file pattern, for NoFiles
  std::string output_directory;  // for OutputDirFailed
  // TextFileFailed between files: why <new>'s -L file could not be read
  // again (empty when it was not that).
  std::optional<LoadStatus> new_reload;
};

// Prints "\nERROR: " and the message of |status| (negative). The -L
// failure lines come from the load statuses of the texts (kLoadSearch,
// kLoadNew) or from |names.new_reload|.
void ReportRunError(RunStatus status, const RunErrorNames& names,
                    const Settings& settings, Console* console);

// Warnings of the walk; printed from -V:1 on.
void ReportDirectorySkipped(const std::string& directory, int verbosity,
                            Console* console);
void ReportTreeSkipped(const std::string& directory, const std::string& name,
                       int verbosity, Console* console);

// The -P prompt and the line end after the key, from -V:1 on.
void ReportPausePrompt(int verbosity, Console* console);
void ReportPauseEnd(int verbosity, Console* console);

}  // namespace swu

#endif  // SWU_REPORT_RUN_REPORT_H_
