// Updating the run's counters after a file.

#include "report/run_totals.h"

namespace swu {

void CountFile(FileStatus status, int64_t matches_found, bool loaded,
               int64_t size_change, RunTotals* totals) {
  if (loaded) totals->bytes_added += size_change;
  if (status < 0) {
    totals->failed += 1;
    return;
  }
  totals->files += 1;
  totals->matches += status;
  totals->found += matches_found;
}

}  // namespace swu
