// The journal checksum.

#include "output/checksum.h"

#include <cstring>

namespace swu {

namespace {

constexpr uint64_t kPrime1 = 0x9e3779b185ebca87ULL;
constexpr uint64_t kPrime2 = 0xc2b2ae3d27d4eb4fULL;

uint64_t Rotate(uint64_t x, int bits) {
  return (x << bits) | (x >> (64 - bits));
}

uint64_t Word(const unsigned char* p) {
  // Little-endian on every host, so a journal checks the same anywhere.
  uint64_t w = 0;
  for (int i = 7; i >= 0; --i) w = (w << 8) | p[i];
  return w;
}

uint64_t Mix(uint64_t lane, uint64_t word) {
  return Rotate(lane + word * kPrime2, 31) * kPrime1;
}

}  // namespace

void Checksum::Add(const void* data, int64_t n) {
  const unsigned char* p = static_cast<const unsigned char*>(data);
  length_ += static_cast<uint64_t>(n);
  while (n >= kPiece) {
    for (int lane = 0; lane < 4; ++lane) {
      lanes_[lane] = Mix(lanes_[lane], Word(p + 8 * lane));
    }
    p += kPiece;
    n -= kPiece;
  }
  // The rest of a last piece, word by word and then byte by byte.
  int lane = 0;
  while (n >= 8) {
    lanes_[lane] = Mix(lanes_[lane], Word(p));
    lane = (lane + 1) % 4;
    p += 8;
    n -= 8;
  }
  while (n > 0) {
    tail_ = Mix(tail_ ^ *p, kPrime1);
    ++p;
    --n;
  }
}

uint64_t Checksum::value() const {
  uint64_t h = Rotate(lanes_[0], 1) + Rotate(lanes_[1], 7) +
               Rotate(lanes_[2], 12) + Rotate(lanes_[3], 18);
  h = Mix(h, tail_);
  h = Mix(h, length_);
  h ^= h >> 33;
  h *= kPrime2;
  h ^= h >> 29;
  return h;
}

uint64_t ChecksumOf(const void* data, int64_t n) {
  Checksum sum;
  sum.Add(data, n);
  return sum.value();
}

}  // namespace swu
