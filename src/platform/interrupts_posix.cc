// Interruptions for the POSIX layer: a handler that remembers the signal
// while a file is being rewritten and otherwise ends the process at once.

#include "platform/interrupts_posix.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace swu {

namespace {

volatile sig_atomic_t g_interrupt = 0;  // the signal remembered, 0 none
volatile sig_atomic_t g_deferring = 0;  // a file is being rewritten
// A file to delete when an interruption ends the process at once.
char g_delete_path[4096];
volatile sig_atomic_t g_delete_armed = 0;

const int kInterruptSignals[] = {SIGINT, SIGTERM, SIGHUP};

void OnInterrupt(int signal_number) {
  // Once one is remembered the run is already ending: a second signal
  // must not cut short the file's finishing or the report.
  if (g_interrupt != 0) return;
  g_interrupt = signal_number;
  if (g_deferring) return;
  if (g_delete_armed) unlink(g_delete_path);
  ::signal(signal_number, SIG_DFL);
  raise(signal_number);
}

}  // namespace

void WatchInterruptSignals() {
  struct sigaction action;
  memset(&action, 0, sizeof(action));
  action.sa_handler = OnInterrupt;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (int s : kInterruptSignals) sigaddset(&action.sa_mask, s);
  for (int s : kInterruptSignals) {
    struct sigaction previous;
    // A signal the caller ignores (nohup, a background job) stays ignored.
    if (sigaction(s, nullptr, &previous) == 0 &&
        previous.sa_handler == SIG_IGN) {
      continue;
    }
    sigaction(s, &action, nullptr);
  }
  ::signal(SIGXFSZ, SIG_IGN);
  ::signal(SIGPIPE, SIG_IGN);
}

void DeferInterruptSignals(bool defer) { g_deferring = defer ? 1 : 0; }

void DeleteOnInterruptSignal(const std::string& path) {
  g_delete_armed = 0;
  if (path.empty() || path.size() >= sizeof(g_delete_path)) return;
  memcpy(g_delete_path, path.c_str(), path.size() + 1);
  g_delete_armed = 1;
}

bool InterruptSignalSeen() { return g_interrupt != 0; }

void EndByInterruptSignal() {
  if (g_interrupt == 0) return;
  fflush(stdout);
  if (g_delete_armed) unlink(g_delete_path);
  int signal_number = g_interrupt;
  ::signal(signal_number, SIG_DFL);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal_number);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(signal_number);
}

}  // namespace swu
