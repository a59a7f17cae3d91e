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

// One multiply per word, so that the lanes run side by side.
uint64_t Round(uint64_t lane, uint64_t word) {
  return Rotate(lane ^ word, 29) * kPrime1;
}

}  // namespace

void Checksum::AddStripes(const unsigned char* p, int64_t stripes) {
  static_assert(kLanes == 8, "one line a lane");
  // Kept in locals: the bytes may alias anything, members included.
  uint64_t l0 = lanes_[0], l1 = lanes_[1], l2 = lanes_[2], l3 = lanes_[3];
  uint64_t l4 = lanes_[4], l5 = lanes_[5], l6 = lanes_[6], l7 = lanes_[7];
  for (; stripes > 0; --stripes, p += kStripe) {
    l0 = Round(l0, Word(p));
    l1 = Round(l1, Word(p + 8));
    l2 = Round(l2, Word(p + 16));
    l3 = Round(l3, Word(p + 24));
    l4 = Round(l4, Word(p + 32));
    l5 = Round(l5, Word(p + 40));
    l6 = Round(l6, Word(p + 48));
    l7 = Round(l7, Word(p + 56));
  }
  lanes_[0] = l0, lanes_[1] = l1, lanes_[2] = l2, lanes_[3] = l3;
  lanes_[4] = l4, lanes_[5] = l5, lanes_[6] = l6, lanes_[7] = l7;
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
    AddStripes(stash_, 1);
    stashed_ = 0;
  }
  int64_t stripes = n / kStripe;
  AddStripes(p, stripes);
  p += stripes * kStripe;
  n -= stripes * kStripe;
  memcpy(stash_, p, static_cast<size_t>(n));
  stashed_ = static_cast<int>(n);
}

uint64_t Checksum::value() const {
  uint64_t h = 0;
  for (int lane = 0; lane < kLanes; ++lane) {
    h = Mix(h, lanes_[lane]);
  }
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
