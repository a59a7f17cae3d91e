// The console for the Windows layer: messages, the program's output on
// standard output, and keys and bytes read from standard input. Standard
// output is in text mode, as a Windows console program writes it: each
// "\n" reaches a file or a pipe as CR LF.

#ifndef SWU_PLATFORM_CONSOLE_WIN32_H_
#define SWU_PLATFORM_CONSOLE_WIN32_H_

#include <cstddef>
#include <cstdio>
#include <string>

namespace swu {

class WindowsConsole {
 public:
  // Puts standard output in text mode, as a console program's output is
  // read in files and pipes.
  void UseTextMode();

  // Writes a message where messages go: standard output, or standard error
  // after MessagesToStandardError.
  void Print(const char* data, size_t n);
  // Messages keep text mode on standard error; the data on standard output
  // goes out byte for byte, so a diff keeps its LF and CR bytes.
  void MessagesToStandardError();
  // Writes a note to standard error after the messages so far.
  void PrintNote(const char* data, size_t n);
  // Writes the program's output to standard output.
  void WriteOutput(const char* data, size_t n);
  bool OutputIsTerminal() const;

  // Waits for one key from the console, without echo and without Enter;
  // from a pipe, a file or NUL, one byte or the end of the input.
  void ReadKey();

  // Appends all of standard input to *bytes, as they are. Returns false on
  // a read error.
  bool ReadStandardInput(std::string* bytes);

 private:
  FILE* messages_ = stdout;  // where Print writes
};

}  // namespace swu

#endif  // SWU_PLATFORM_CONSOLE_WIN32_H_
