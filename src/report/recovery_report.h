// What the user sees about an interrupted rewrite that was found: one line
// per file, saying whether it was finished, left as its original, or why
// its journal was left alone.

#ifndef SWU_REPORT_RECOVERY_REPORT_H_
#define SWU_REPORT_RECOVERY_REPORT_H_

#include <string>

#include "base/status.h"
#include "platform/platform.h"

namespace swu {

// Prints the line for |recovery| of the file |path| (nothing for
// kNothing, and nothing at -V:0).
void ReportRecovery(Recovery recovery, const std::string& path, int verbosity,
                    Platform* platform);

// --recover: a named path that does not exist, and no path at all.
void ReportNoSuchPath(const std::string& path, Platform* platform);
void ReportRecoverUsage(Platform* platform);

}  // namespace swu

#endif  // SWU_REPORT_RECOVERY_REPORT_H_
