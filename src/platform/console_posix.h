// The console for the POSIX layer: messages, the program's output on
// standard output, and keys and bytes read from standard input.

#ifndef SWU_PLATFORM_CONSOLE_POSIX_H_
#define SWU_PLATFORM_CONSOLE_POSIX_H_

#include <cstddef>
#include <cstdio>
#include <string>

namespace swu {

class PosixConsole {
 public:
  // Writes a message where messages go: standard output, or standard error
  // after MessagesToStandardError.
  void Print(const char* data, size_t n);
  void MessagesToStandardError() { messages_ = stderr; }
  // Writes a note to standard error after the messages so far.
  void PrintNote(const char* data, size_t n);
  // Writes the program's output to standard output.
  void WriteOutput(const char* data, size_t n);
  bool OutputIsTerminal() const;

  // Waits for one key: on a terminal without echo or waiting for Enter,
  // else one byte of standard input.
  void ReadKey();

  // Appends all of standard input to *bytes. Returns false on a read error.
  bool ReadStandardInput(std::string* bytes);

 private:
  FILE* messages_ = stdout;  // where Print writes
};

}  // namespace swu

#endif  // SWU_PLATFORM_CONSOLE_POSIX_H_
