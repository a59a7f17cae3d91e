// Interruptions for the POSIX layer: SIGINT, SIGTERM and SIGHUP. The
// handler only remembers the signal while a file is being rewritten; at
// any other time it ends the process as the signal's default action would,
// deleting first the file armed with DeleteOnInterrupt. SA_RESTART keeps a
// held signal from failing the file's reads and writes. The state is the
// process's, as signals are.

#ifndef SWU_PLATFORM_INTERRUPTS_POSIX_H_
#define SWU_PLATFORM_INTERRUPTS_POSIX_H_

#include <string>

namespace swu {

// Installs the handler for the interruption signals the caller does not
// ignore, and ignores SIGXFSZ and SIGPIPE so that a write past the size
// limit or into a closed pipe fails instead of ending the process.
void WatchInterruptSignals();

// While |defer| is true an interruption is only remembered.
void DeferInterruptSignals(bool defer);

// Arms the file |path| (as the OS opens it; "" disarms) to be deleted when
// an interruption ends the process. A path too long to keep disarms too.
void DeleteOnInterruptSignal(const std::string& path);

// True once an interruption has been remembered.
bool InterruptSignalSeen();

// Ends the process by the remembered interruption, as its signal would
// have, after flushing standard output and deleting the armed file. Does
// nothing when none was remembered.
void EndByInterruptSignal();

}  // namespace swu

#endif  // SWU_PLATFORM_INTERRUPTS_POSIX_H_
