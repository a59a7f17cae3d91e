// A 64-bit checksum for the rewrite journal and its proof: fast enough to
// run over every byte a dense rewrite writes, several times (eight
// independent lanes, one multiply per 8-byte word) and sensitive to every
// bit, byte order and length. It guards against torn and damaged journals, not
// against a deliberate forgery.
//
// Tested by tests/store/journal_test.cc

#ifndef SWU_STORE_CHECKSUM_H_
#define SWU_STORE_CHECKSUM_H_

#include <cstdint>

namespace swu {

class Checksum {
 public:
  // Adds |n| bytes. A range checks the same however it is cut into
  // pieces.
  void Add(const void* data, int64_t n);
  // The checksum of everything added so far.
  uint64_t value() const;

 private:
  static constexpr int kLanes = 8;
  static constexpr int kStripe = 8 * kLanes;

  void AddStripes(const unsigned char* p, int64_t stripes);

  uint64_t lanes_[kLanes] = {0x243f6a8885a308d3ULL, 0x13198a2e03707344ULL,
                             0xa4093822299f31d0ULL, 0x082efa98ec4e6c89ULL,
                             0x452821e638d01377ULL, 0xbe5466cf34e90c6cULL,
                             0xc0ac29b7c97c50ddULL, 0x3f84d5b5b5470917ULL};
  unsigned char stash_[kStripe];  // bytes that do not fill a stripe yet
  int stashed_ = 0;
  uint64_t length_ = 0;  // bytes added
};

// The checksum of one range.
uint64_t ChecksumOf(const void* data, int64_t n);

}  // namespace swu

#endif  // SWU_STORE_CHECKSUM_H_
