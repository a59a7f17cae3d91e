// Memory-speed scans for one or two byte values.

#include "search/byte_scan.h"

#include <cassert>
#include <cstring>

namespace swu {

namespace {

int64_t FindOne(const uint8_t* data, uint8_t value, int64_t from,
                int64_t limit) {
  if (from >= limit) return -1;
  const void* hit =
      memchr(data + from, value, static_cast<size_t>(limit - from));
  if (hit == nullptr) return -1;
  return static_cast<const uint8_t*>(hit) - data;
}

// Per mille of English text, for the lower-case letters a..z.
const int kLetterFrequency[26] = {82, 15, 28, 43, 127, 22, 20, 61, 70,
                                  2,  8,  40, 24, 67,  75, 19, 1,  60,
                                  63, 91, 28, 10, 24,  2,  20, 1};

}  // namespace

ByteScan::ByteScan(uint8_t value, uint8_t other, bool two_values)
    : values_{value, other}, two_values_(two_values && value != other) {}

int64_t ByteScan::Find(const uint8_t* data, int64_t from, int64_t limit) {
  assert(from >= 0);
  if (!two_values_) return FindOne(data, values_[0], from, limit);
  int64_t a = Next(0, data, from, limit);
  int64_t b = Next(1, data, from, limit);
  if (a < 0) return b;
  if (b < 0) return a;
  return a < b ? a : b;
}

int64_t ByteScan::Next(int which, const uint8_t* data, int64_t from,
                       int64_t limit) {
  int64_t& next = next_[which];
  int64_t& scanned_from = scanned_from_[which];
  // What an earlier scan from at or before |from| found still holds if it
  // lies at or after |from|; "none" holds as well.
  if (scanned_from >= 0 && scanned_from <= from &&
      (next == -1 || next >= from)) {
    assert(next < limit);  // Calls come with the same |limit|.
    return next;
  }
  scanned_from = from;
  next = FindOne(data, values_[which], from, limit);
  return next;
}

int ByteFrequency(uint8_t byte) {
  if (byte >= 'a' && byte <= 'z') return kLetterFrequency[byte - 'a'];
  if (byte >= 'A' && byte <= 'Z') return kLetterFrequency[byte - 'A'] / 8 + 1;
  if (byte == ' ') return 160;
  if (byte >= '0' && byte <= '9') return 6;
  switch (byte) {
    case '\r':
    case '\n':
      return 14;
    case ',':
    case '.':
      return 10;
    case '\t':
    case '-':
    case '"':
    case '\'':
    case '(':
    case ')':
    case ';':
    case ':':
    case '=':
    case '_':
    case '/':
      return 4;
    default:
      return byte < 0x80 && byte >= 0x20 ? 2 : 1;
  }
}

}  // namespace swu
