// Defaults of the settings record and the letter table.

#include "cli/settings.h"

namespace swu {

// The table keeps ten slots to a row so a slot's number can be read off.
// clang-format off
const char kLetterTable[40] = {
    'R', 'I', 0,   0,   0,   'C', '#', '%', 0,   0,    // 0-9
    0,   0,   0,   'M', 0,   'X', '\'', 'Z', 0,  0,    // 10-19
    'G', 'E', 'O', 0,   0,   0,   'S', 0,   0,   0,    // 20-29
    0,   0,   0,   '~', 'P', 0,   0,   0,   0,   0,    // 30-39
};
// clang-format on

Settings::Settings() { slots[kVerbosity] = '2'; }

void CopyBounded(char* dest, const char* source) {
  size_t n = strnlen(source, kMaxText);
  memcpy(dest, source, n);
  dest[n] = '\0';
}

}  // namespace swu
