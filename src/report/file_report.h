// What the user sees about one file: the -V:3 detail block, the result
// line or the error message, and the update of the run's totals.

#ifndef SWU_REPORT_FILE_REPORT_H_
#define SWU_REPORT_FILE_REPORT_H_

#include <string>

#include "base/status.h"
#include "cli/settings.h"
#include "platform/console.h"
#include "report/run_totals.h"

namespace swu {

// The names a file's messages quote.
struct FileNames {
  std::string path;         // the current file path
  std::string output_file;  // the full -$ output file path ("" without -$)
  // The output directory (cut back) for -$/-$:B, the output file for
  // -$:F/-$:A; quoted when the output cannot be opened.
  std::string output_target;
  std::string pattern;  // the file pattern of <filespec>
  // The two halves of a name that was too long: directory and entry, and
  // the limit it passed: a whole path's, or one name's (kLongestName).
  std::string long_directory;
  std::string long_name;
  int long_limit = kMaxText;
};

// Prints the -V:3 figures of a loaded file. Prints nothing below -V:3.
void ReportDetail(const FileOutcome& outcome, const FileNames& names,
                  const Settings& settings, Console* console);

// Prints the file's result line or error message, and under --diff the
// warning for a change left out of the diff, as the verbosity allows, and
// adds the file to *totals (at every verbosity). A name passed over as a
// file processed already is only named at -V:3, and not counted.
void ReportFile(const FileOutcome& outcome, const FileNames& names,
                const Settings& settings, CreateState create, Console* console,
                RunTotals* totals);

}  // namespace swu

#endif  // SWU_REPORT_FILE_REPORT_H_
