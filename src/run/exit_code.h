// Turns the run's final status into the process exit status.

#ifndef SWU_RUN_EXIT_CODE_H_
#define SWU_RUN_EXIT_CODE_H_

#include <cstdint>

#include "base/status.h"
#include "cli/settings.h"

namespace swu {

// The exit status of a run without a run-level error in which at least one
// file failed.
constexpr int64_t kFilesFailedExit = 4;

// The exit status for |status| at |verbosity|, where |selection| is the
// -# form, |found| the run's count of matches found and |files_failed|
// the number of files that failed. -#:0 always and -#:R after a run without
// a run-level error exit with |found|; otherwise a run-level error's status
// wins over kFilesFailedExit. Never negative.
int64_t ExitCodeFor(RunStatus status, int verbosity, Selection selection,
                    int64_t found, int64_t files_failed);

// The process status for |exit_code| where |largest| is the largest one the
// system passes on whole (255 for an 8-bit status): larger values read as
// |largest|, never wrapped.
int ProcessExitStatus(int64_t exit_code, int64_t largest);

}  // namespace swu

#endif  // SWU_RUN_EXIT_CODE_H_
