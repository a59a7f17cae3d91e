// Updating the run's counters after a file.

#include "report/run_totals.h"

#include <cassert>

namespace swu {

void CountFile(const FileOutcome& outcome, RunTotals* totals) {
  assert(outcome.acted_on >= 0 && (outcome.ok() || outcome.acted_on == 0));
  if (outcome.skipped_binary) {
    totals->skipped_binary += 1;  // Neither processed nor failed.
    return;
  }
  if (outcome.loaded) totals->bytes_added += outcome.size_change;
  totals->literal_seen = totals->literal_seen || outcome.literal_seen;
  if (!outcome.ok()) {
    totals->failed += 1;
    return;
  }
  totals->files += 1;
  totals->matches += outcome.acted_on;
  totals->found += outcome.matches_found;
  totals->case_differs += outcome.case_differs;
}

}  // namespace swu
