// Making and recognising the names of the program's own files.

#include "base/reserved_names.h"

#include <cstddef>
#include <cstring>

namespace swu {

namespace {

constexpr char kTemporaryPrefix[] = ".swu-";
constexpr size_t kTemporaryPrefixLength = sizeof(kTemporaryPrefix) - 1;
constexpr size_t kTemporaryDigits = 8;
constexpr char kMarkerSuffix[] = ".SWU";
constexpr size_t kMarkerLetters = 8;

// |value|'s last |digits| hex digits, lower case, the highest first.
std::string Hex(uint64_t value, size_t digits) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out(digits, '0');
  for (size_t i = digits; i > 0; --i, value >>= 4)
    out[i - 1] = kDigits[value & 15];
  return out;
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

}  // namespace

uint64_t NameBits(uint64_t process, uint64_t clock, uint64_t count) {
  // SplitMix64's finaliser: every input bit reaches every output bit.
  uint64_t x = clock ^ (process << 32) ^ (process >> 32) ^
               (count * 0x9E3779B97F4A7C15ULL);
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
  return x ^ (x >> 31);
}

bool HasReservedPrefix(const char* name) {
  return strncmp(name, kTemporaryPrefix, kTemporaryPrefixLength) == 0;
}

std::string TemporaryName(uint64_t bits) {
  return kTemporaryPrefix + Hex(bits, kTemporaryDigits);
}

bool IsTemporaryName(const std::string& name) {
  if (name.size() != kTemporaryPrefixLength + kTemporaryDigits ||
      name.compare(0, kTemporaryPrefixLength, kTemporaryPrefix) != 0) {
    return false;
  }
  for (size_t i = kTemporaryPrefixLength; i < name.size(); ++i) {
    if (!IsHexDigit(name[i])) return false;
  }
  return true;
}

const char kAppendNotePrefix[] = ".swu-append-";

std::string AppendNoteName(uint64_t device, uint64_t file_number) {
  return kAppendNotePrefix + Hex(NameBits(device, file_number, 0), 16);
}

std::string MarkerName(const int draws[8], uint64_t bits) {
  std::string name;
  for (size_t i = 0; i < kMarkerLetters; ++i, bits >>= 8) {
    name += static_cast<char>('A' + (draws[i] + (bits & 0xFF)) % 26);
  }
  return name + kMarkerSuffix;
}

}  // namespace swu
