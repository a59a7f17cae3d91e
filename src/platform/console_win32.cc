// The console for the Windows layer.

#include "platform/console_win32.h"

#include <conio.h>
#include <fcntl.h>
#include <io.h>

#include "platform/system_win32.h"

namespace swu {

namespace {

// Reads one key from the console without echo and without Enter. A key
// that sends two codes (arrows, function keys) is read whole, so its
// second code is not left for a later wait.
void ReadRawKey() {
  int c = _getch();
  if (c == 0 || c == 0xE0) _getch();
}

}  // namespace

void WindowsConsole::UseTextMode() { _setmode(_fileno(stdout), _O_TEXT); }

void WindowsConsole::Print(const char* data, size_t n) {
  fwrite(data, 1, n, messages_);
}

void WindowsConsole::MessagesToStandardError() {
  fflush(stdout);
  _setmode(_fileno(stderr), _O_TEXT);
  _setmode(_fileno(stdout), _O_BINARY);
  messages_ = stderr;
}

void WindowsConsole::PrintNote(const char* data, size_t n) {
  fflush(messages_);
  fwrite(data, 1, n, stderr);
}

void WindowsConsole::WriteOutput(const char* data, size_t n) {
  fwrite(data, 1, n, stdout);
}

bool WindowsConsole::OutputIsTerminal() const {
  DWORD mode;
  return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

void WindowsConsole::ReadKey() {
  fflush(stdout);
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD console_mode;
  if (GetConsoleMode(input, &console_mode)) {
    ReadRawKey();
  } else {
    char c;
    DWORD read;
    ReadFile(input, &c, 1, &read, nullptr);
  }
}

bool WindowsConsole::ReadStandardInput(std::string* bytes) {
  // The handle's bytes as they are: no text-mode translation.
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (input == INVALID_HANDLE_VALUE || input == nullptr) return false;
  char chunk[65536];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(input, chunk, sizeof(chunk), &n, nullptr)) {
      // A pipe whose writer has closed it ends the input.
      return GetLastError() == ERROR_BROKEN_PIPE;
    }
    if (n == 0) return true;
    bytes->append(chunk, n);
  }
}

}  // namespace swu
