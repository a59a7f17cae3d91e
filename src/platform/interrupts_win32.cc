// Interruptions for the Windows layer. The lock makes "not deferring, so
// end now" one step against the main thread's DeferInterruptEvents(true),
// so no rewrite starts under an ending.

#include "platform/interrupts_win32.h"

#include <cstdio>

#include "platform/path_win32.h"
#include "platform/system_win32.h"

namespace swu {

namespace {

CRITICAL_SECTION g_interrupt_lock;
volatile LONG g_interrupt = 0;  // the event remembered plus 1, 0 none
volatile LONG g_deferring = 0;  // a file is being rewritten
std::wstring g_delete_path;     // deleted before an ending at once

void EndAsInterrupted() { ExitProcess(STATUS_CONTROL_C_EXIT); }

BOOL WINAPI OnInterrupt(DWORD event) {
  EnterCriticalSection(&g_interrupt_lock);
  // Once one is remembered the run is already ending: a second event
  // must not cut short the file's finishing or the report.
  bool first = g_interrupt == 0;
  if (first) g_interrupt = static_cast<LONG>(event) + 1;
  if (first && !g_deferring) {
    if (!g_delete_path.empty()) DeleteFileW(g_delete_path.c_str());
    EndAsInterrupted();
  }
  LeaveCriticalSection(&g_interrupt_lock);
  // Closing the console ends the process when the handler returns: wait
  // here until the main thread has finished the file and ended it.
  while (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) Sleep(1000);
  return TRUE;
}

}  // namespace

void InitializeInterrupts() { InitializeCriticalSection(&g_interrupt_lock); }

void WatchInterruptEvents() { SetConsoleCtrlHandler(OnInterrupt, TRUE); }

void DeferInterruptEvents(bool defer) {
  EnterCriticalSection(&g_interrupt_lock);
  g_deferring = defer ? 1 : 0;
  LeaveCriticalSection(&g_interrupt_lock);
}

void DeleteOnInterruptEvent(const std::string& path) {
  EnterCriticalSection(&g_interrupt_lock);
  g_delete_path = path.empty() ? std::wstring() : SystemPath(path);
  LeaveCriticalSection(&g_interrupt_lock);
}

bool InterruptEventSeen() { return g_interrupt != 0; }

void EndByInterruptEvent() {
  if (g_interrupt == 0) return;
  fflush(stdout);
  EnterCriticalSection(&g_interrupt_lock);
  if (!g_delete_path.empty()) DeleteFileW(g_delete_path.c_str());
  LeaveCriticalSection(&g_interrupt_lock);
  EndAsInterrupted();
}

}  // namespace swu
