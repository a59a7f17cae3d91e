// The console: what the report module prints through. Messages and notes,
// the program's own output on standard output, whether that is a
// terminal, the single key read, and paths as the console can show them.

#ifndef SWU_PLATFORM_CONSOLE_H_
#define SWU_PLATFORM_CONSOLE_H_

#include <cstddef>
#include <string>

namespace swu {

class Console {
 public:
  virtual ~Console() = default;

  // Writes |n| bytes of a message to standard output (to standard error
  // once MessagesToStandardError was called). Errors are ignored.
  virtual void Print(const char* data, size_t n) = 0;
  // From now on Print writes to standard error, and standard output takes
  // only WriteOutput's bytes, untranslated (binary on Windows too): for a
  // run whose standard output is data, such as a diff.
  virtual void MessagesToStandardError() {}
  // Writes |n| bytes of a note to standard error, after what Print wrote
  // so far, and never to standard output, whose bytes scripts read.
  // Errors are ignored.
  virtual void PrintNote(const char* data, size_t n) {
    (void)data;
    (void)n;
  }
  // Writes |n| bytes of data to standard output as they are. Errors are
  // ignored.
  virtual void WriteOutput(const char* data, size_t n) { Print(data, n); }
  // True when standard output is a terminal (a console on Windows).
  virtual bool OutputIsTerminal() const { return false; }
  // Waits for one key press without echo and without Enter (on a
  // terminal), or reads one byte (otherwise; end of input ends the wait).
  virtual void ReadKey() = 0;
  // |path| as the console can show it, for a message. Where paths are held
  // in a form of the platform's own (Windows: a character that the ANSI
  // code page cannot spell is escaped), each such character becomes '?'.
  // Elsewhere |path| as it is.
  virtual std::string DisplayPath(const std::string& path) const {
    return path;
  }
};

}  // namespace swu

#endif  // SWU_PLATFORM_CONSOLE_H_
