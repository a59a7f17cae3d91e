// swu --recover PATH...: finishes or undoes every interrupted rewrite
// found at the named files and in the named directories (and every
// directory below them), printing one line per file.
//
// Tested by tests/e2e/crash_test.py and tests/e2e/cases/run_exit.cases

#ifndef SWU_RUN_RECOVER_COMMAND_H_
#define SWU_RUN_RECOVER_COMMAND_H_

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace swu {

// Recovers |paths|; |durable| (--sync) flushes each finished file to the
// disk before its journal goes; |discard| (--discard) removes each journal
// found without applying it. Returns the exit status: 0 when every
// journal found was dealt with (finding none is not an error), 2 without
// a path, 4 when a journal had to be left as it was or a path is missing.
int64_t RunRecover(const std::vector<std::string>& paths, bool durable,
                   bool discard, Platform* platform);

}  // namespace swu

#endif  // SWU_RUN_RECOVER_COMMAND_H_
