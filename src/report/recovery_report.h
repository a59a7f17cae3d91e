// What the user sees about an interrupted rewrite that was found: one line
// per file, saying whether it was finished, left as its original, or why
// its journal was left alone.

#ifndef SWU_REPORT_RECOVERY_REPORT_H_
#define SWU_REPORT_RECOVERY_REPORT_H_

#include <string>

#include "base/status.h"
#include "platform/console.h"

namespace swu {

// Prints the line for |recovery| of the file |path| (nothing for
// kNothing, and nothing at -V:0).
void ReportRecovery(Recovery recovery, const std::string& path, int verbosity,
                    Console* console);

// --recover: a named path that does not exist, and no path at all.
void ReportNoSuchPath(const std::string& path, Console* console);
void ReportRecoverUsage(Console* console);

}  // namespace swu

#endif  // SWU_REPORT_RECOVERY_REPORT_H_
