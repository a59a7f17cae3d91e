// The console for the POSIX layer. A key is read from a terminal in raw
// mode, and the terminal's settings are restored even when a signal ends
// the wait.

#include "platform/console_posix.h"

#include <errno.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>

namespace swu {

namespace {

// The terminal settings to restore if a signal ends the key wait.
struct termios g_saved_terminal;
volatile sig_atomic_t g_terminal_saved = 0;

void RestoreTerminalOnSignal(int signal_number) {
  if (g_terminal_saved) tcsetattr(STDIN_FILENO, TCSANOW, &g_saved_terminal);
  ::signal(signal_number, SIG_DFL);
  raise(signal_number);
}

void ReadRawKey() {
  struct termios raw;
  if (tcgetattr(STDIN_FILENO, &g_saved_terminal) != 0) {
    char c;
    (void)!read(STDIN_FILENO, &c, 1);
    return;
  }
  g_terminal_saved = 1;
  const int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
  struct sigaction action, previous[4];
  memset(&action, 0, sizeof(action));
  action.sa_handler = RestoreTerminalOnSignal;
  for (int i = 0; i < 4; ++i) sigaction(kSignals[i], &action, &previous[i]);
  raw = g_saved_terminal;
  raw.c_lflag &= ~(ICANON | ECHO);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  tcsetattr(STDIN_FILENO, TCSANOW, &raw);
  char c;
  while (read(STDIN_FILENO, &c, 1) < 0 && errno == EINTR) {
  }
  tcsetattr(STDIN_FILENO, TCSANOW, &g_saved_terminal);
  g_terminal_saved = 0;
  for (int i = 0; i < 4; ++i) sigaction(kSignals[i], &previous[i], nullptr);
}

}  // namespace

void PosixConsole::Print(const char* data, size_t n) {
  fwrite(data, 1, n, messages_);
}

void PosixConsole::PrintNote(const char* data, size_t n) {
  fflush(messages_);
  fwrite(data, 1, n, stderr);
}

void PosixConsole::WriteOutput(const char* data, size_t n) {
  fwrite(data, 1, n, stdout);
}

bool PosixConsole::OutputIsTerminal() const { return isatty(STDOUT_FILENO); }

void PosixConsole::ReadKey() {
  fflush(stdout);
  if (isatty(STDIN_FILENO)) {
    ReadRawKey();
  } else {
    char c;
    while (read(STDIN_FILENO, &c, 1) < 0 && errno == EINTR) {
    }
  }
}

bool PosixConsole::ReadStandardInput(std::string* bytes) {
  char chunk[65536];
  for (;;) {
    ssize_t n = read(STDIN_FILENO, chunk, sizeof(chunk));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    bytes->append(chunk, static_cast<size_t>(n));
  }
}

}  // namespace swu
