// Interruptions for the Windows layer: Ctrl+C, Ctrl+Break and the closing
// of the console. The console calls the handler on a thread of its own; it
// only remembers the event while a file is being rewritten, and at any
// other time ends the process as the console's default would, deleting
// first the file armed with DeleteOnInterruptEvent. The state is the
// process's, as the console's handler is.

#ifndef SWU_PLATFORM_INTERRUPTS_WIN32_H_
#define SWU_PLATFORM_INTERRUPTS_WIN32_H_

#include <string>

namespace swu {

// Makes the lock the other calls take. Called once, before any of them.
void InitializeInterrupts();

// Installs the console's handler.
void WatchInterruptEvents();

// While |defer| is true an interruption is only remembered.
void DeferInterruptEvents(bool defer);

// Arms the file |path| ("" disarms) to be deleted when an interruption
// ends the process.
void DeleteOnInterruptEvent(const std::string& path);

// True once an interruption has been remembered.
bool InterruptEventSeen();

// Ends the process as interrupted, after flushing standard output and
// deleting the armed file. Does nothing when none was remembered.
void EndByInterruptEvent();

}  // namespace swu

#endif  // SWU_PLATFORM_INTERRUPTS_WIN32_H_
