// A 64-bit checksum for the rewrite journal: fast enough to run over every
// byte a dense rewrite writes (four independent lanes of multiply and
// rotate over 8-byte words) and sensitive to every bit, byte order and
// length. It guards against torn and damaged journals, not against a
// deliberate forgery.
//
// Tested by tests/output/journal_test.cc

#ifndef SWU_OUTPUT_CHECKSUM_H_
#define SWU_OUTPUT_CHECKSUM_H_

#include <cstdint>

namespace swu {

class Checksum {
 public:
  // Adds |n| bytes. Every piece but the last must be a multiple of
  // kPiece bytes long, so that a range checks the same in any pieces.
  void Add(const void* data, int64_t n);
  // The checksum of everything added so far.
  uint64_t value() const;

  static constexpr int64_t kPiece = 32;

 private:
  uint64_t lanes_[4] = {0x243f6a8885a308d3ULL, 0x13198a2e03707344ULL,
                        0xa4093822299f31d0ULL, 0x082efa98ec4e6c89ULL};
  uint64_t tail_ = 0;    // the bytes of a last piece that fill no stripe
  uint64_t length_ = 0;  // bytes added
};

// The checksum of one range.
uint64_t ChecksumOf(const void* data, int64_t n);

}  // namespace swu

#endif  // SWU_OUTPUT_CHECKSUM_H_
