// The run's counters, summed over every file. 64-bit, so a run over many
// large files cannot wrap them.

#ifndef SWU_REPORT_RUN_TOTALS_H_
#define SWU_REPORT_RUN_TOTALS_H_

#include <cstdint>

#include "base/status.h"

namespace swu {

struct RunTotals {
  int64_t files = 0;           // files that succeeded
  int64_t matches = 0;         // matches acted on
  int64_t failed = 0;          // files that failed
  int64_t found = 0;           // matches found, those -# skipped included
  int64_t bytes_added = 0;     // signed byte differences of loaded files
  int64_t skipped_binary = 0;  // files --skip-binary passed over
  int64_t case_differs = 0;    // matches acted on differing in case
  bool literal_seen = false;   // a file holds the text with plain anchors
  // -S stopped the run while another file was waiting.
  bool stopped_with_files_left = false;

  bool nothing_done() const {
    return files == 0 && failed == 0 && skipped_binary == 0;
  }
};

// Adds one file's outcome. The size change of a file that went through
// the replace loop counts whether or not the file failed.
void CountFile(const FileOutcome& outcome, RunTotals* totals);

}  // namespace swu

#endif  // SWU_REPORT_RUN_TOTALS_H_
