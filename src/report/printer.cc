// Formatted output through the platform.

#include "report/printer.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace swu {

void Printf(Platform* platform, const char* format, ...) {
  char small[512];
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int n = vsnprintf(small, sizeof(small), format, args);
  va_end(args);
  if (n < 0) {
    va_end(again);
    return;  // A format error prints nothing.
  }
  if (static_cast<size_t>(n) < sizeof(small)) {
    platform->Print(small, static_cast<size_t>(n));
  } else {
    std::vector<char> large(static_cast<size_t>(n) + 1);
    vsnprintf(large.data(), large.size(), format, again);
    platform->Print(large.data(), static_cast<size_t>(n));
  }
  va_end(again);
}

}  // namespace swu
