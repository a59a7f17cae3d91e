// The state one run shares between the driver, the directory loop and the
// walk: its status, the create option, the totals and the file set.

#ifndef SWU_RUN_RUN_STATE_H_
#define SWU_RUN_RUN_STATE_H_

#include <optional>
#include <string>

#include "base/status.h"
#include "cli/settings.h"
#include "report/run_totals.h"
#include "run/file_set.h"

namespace swu {

struct RunState {
  RunStatus status = RunStatus::None;
  CreateState create = CreateState::None;  // -B:C / -T:C
  RunTotals totals;
  FileSet files;
  // Without -R: this run created the output directory (with -R the walk
  // keeps one such flag per depth).
  bool output_created = false;
  HeldMarker marker;  // the -R -$ marker this run placed, if any
  std::optional<LoadStatus> new_reload;  // why -K:RF's reload failed
  bool interrupted = false;  // an interruption came while a file was done
};

}  // namespace swu

#endif  // SWU_RUN_RUN_STATE_H_
