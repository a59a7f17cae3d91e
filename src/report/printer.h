// Formatted output for the report module: every message the user sees is
// formatted here and written through Console::Print, so the rest of the
// program never formats or prints text.

#ifndef SWU_REPORT_PRINTER_H_
#define SWU_REPORT_PRINTER_H_

#include "platform/console.h"

// Lets GCC and Clang check the format string against the arguments. Under
// mingw plain "printf" would check Microsoft's rules, while the formatter
// linked there is the C99 one, so the GNU rules are named.
#if defined(__MINGW32__)
#define SWU_PRINTF_FORMAT(f, a) __attribute__((format(gnu_printf, f, a)))
#elif defined(__GNUC__)
#define SWU_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#else
#define SWU_PRINTF_FORMAT(f, a)
#endif

namespace swu {

// Formats like printf and writes the result to standard output. A "%c"
// of 0 writes a NUL byte: the length comes from the formatter, not from
// the text.
void Printf(Console* console, const char* format, ...) SWU_PRINTF_FORMAT(2, 3);

// The same, written to standard error as a note (Console::PrintNote).
void PrintNotef(Console* console, const char* format, ...)
    SWU_PRINTF_FORMAT(2, 3);

}  // namespace swu

#endif  // SWU_REPORT_PRINTER_H_
