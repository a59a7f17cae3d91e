// The pseudo-random generator of the -K characters and the marker name:
// x <- x * 1103515245 + 12345 (mod 2^32), draw (x >> 16) & 0x7FFF. A given
// command line therefore produces the same characters on every run.

#ifndef SWU_BASE_RANDOM_H_
#define SWU_BASE_RANDOM_H_

#include <cstdint>

namespace swu {

class Random {
 public:
  void Seed(uint32_t seed) { state_ = seed; }

  // One draw, 0 to 32767.
  int NextRandom() {
    state_ = state_ * 1103515245u + 12345u;
    return static_cast<int>((state_ >> 16) & 0x7FFF);
  }

 private:
  uint32_t state_ = 1;
};

}  // namespace swu

#endif  // SWU_BASE_RANDOM_H_
