// Formatted output through the console.

#include "report/printer.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace swu {

namespace {

// Formats |format| with |args| and hands the bytes to |write|.
template <typename Write>
void Format(const char* format, va_list args, Write write) {
  char small[512];
  va_list again;
  va_copy(again, args);
  int n = vsnprintf(small, sizeof(small), format, args);
  if (n < 0) {
    va_end(again);
    return;  // A format error prints nothing.
  }
  if (static_cast<size_t>(n) < sizeof(small)) {
    write(small, static_cast<size_t>(n));
  } else {
    std::vector<char> large(static_cast<size_t>(n) + 1);
    vsnprintf(large.data(), large.size(), format, again);
    write(large.data(), static_cast<size_t>(n));
  }
  va_end(again);
}

}  // namespace

void Printf(Console* console, const char* format, ...) {
  va_list args;
  va_start(args, format);
  Format(format, args,
         [console](const char* data, size_t n) { console->Print(data, n); });
  va_end(args);
}

void PrintNotef(Console* console, const char* format, ...) {
  va_list args;
  va_start(args, format);
  Format(format, args, [console](const char* data, size_t n) {
    console->PrintNote(data, n);
  });
  va_end(args);
}

}  // namespace swu
