// Interruptions: Ctrl-C and the signals that ask a process to end
// (SIGINT, SIGTERM, SIGHUP; Ctrl-C and Ctrl-Break on a console).

#ifndef SWU_PLATFORM_INTERRUPTS_H_
#define SWU_PLATFORM_INTERRUPTS_H_

#include <string>

namespace swu {

class Interrupts {
 public:
  virtual ~Interrupts() = default;

  // Installs the handling: from now on an interruption ends the process at
  // once, as it would by default, except while deferred. A file-size limit
  // and a closed standard output become ordinary write errors (SIGXFSZ
  // and SIGPIPE are ignored).
  virtual void WatchInterrupts() = 0;
  // While |defer| is set, an interruption is only remembered; clearing it
  // does not act on one remembered meanwhile.
  virtual void DeferInterrupts(bool defer) = 0;
  // Names a file that an interruption ending the process at once deletes
  // first: a journal or temporary output that is not complete yet, which
  // would mean nothing to a later run. "" names none.
  virtual void DeleteOnInterrupt(const std::string& path) { (void)path; }
  // True once an interruption has been remembered.
  virtual bool Interrupted() = 0;
  // Flushes standard output and ends the process as the remembered
  // interruption would have. Returns only when none was remembered.
  virtual void EndByInterrupt() = 0;
};

}  // namespace swu

#endif  // SWU_PLATFORM_INTERRUPTS_H_
