// The journal checksum.

#include "store/checksum.h"

#include <algorithm>
#include <cstring>

namespace swu {

namespace {

constexpr uint64_t kPrime1 = 0x9e3779b185ebca87ULL;
constexpr uint64_t kPrime2 = 0xc2b2ae3d27d4eb4fULL;

uint64_t Rotate(uint64_t x, int bits) {
  return (x << bits) | (x >> (64 - bits));
}

// True on a little-endian host; the compiler folds it to a constant.
bool LittleEndian() {
  const uint16_t probe = 1;
  unsigned char first;
  memcpy(&first, &probe, 1);
  return first == 1;
}

uint64_t Word(const unsigned char* p) {
  // Little-endian on every host, so a journal checks the same anywhere: one
  // load where the host is, the bytes assembled where it is not.
  uint64_t w = 0;
  if (LittleEndian()) {
    memcpy(&w, p, 8);
    return w;
  }
  for (int i = 7; i >= 0; --i) w = (w << 8) | p[i];
  return w;
}

uint64_t Mix(uint64_t lane, uint64_t word) {
  return Rotate(lane + word * kPrime2, 31) * kPrime1;
}

}  // namespace

void Checksum::AddStripe(const unsigned char* p) {
  lanes_[0] = Mix(lanes_[0], Word(p));
  lanes_[1] = Mix(lanes_[1], Word(p + 8));
  lanes_[2] = Mix(lanes_[2], Word(p + 16));
  lanes_[3] = Mix(lanes_[3], Word(p + 24));
}

void Checksum::Add(const void* data, int64_t n) {
  const unsigned char* p = static_cast<const unsigned char*>(data);
  length_ += static_cast<uint64_t>(n);
  if (stashed_ > 0) {
    int take = static_cast<int>(std::min<int64_t>(n, kStripe - stashed_));
    memcpy(stash_ + stashed_, p, static_cast<size_t>(take));
    stashed_ += take;
    p += take;
    n -= take;
    if (stashed_ < kStripe) return;
    AddStripe(stash_);
    stashed_ = 0;
  }
  for (; n >= kStripe; p += kStripe, n -= kStripe) AddStripe(p);
  memcpy(stash_, p, static_cast<size_t>(n));
  stashed_ = static_cast<int>(n);
}

uint64_t Checksum::value() const {
  uint64_t h = Rotate(lanes_[0], 1) + Rotate(lanes_[1], 7) +
               Rotate(lanes_[2], 12) + Rotate(lanes_[3], 18);
  for (int i = 0; i < stashed_; ++i) h = Mix(h ^ stash_[i], kPrime1);
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
