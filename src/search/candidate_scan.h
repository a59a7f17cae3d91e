// Finds the places where the search text may start: the next start at
// which two chosen bytes of the text (each at its own offset, a letter in
// either case unless -C) match the file. The matcher compares the rest of
// the text only at these candidates.
//
// How it works: the first byte is found with ByteScan (memchr, as fast as
// the C library makes it) and the second is tested where it is found. With
// SSE2, unless the text has only one byte to test and it is not a letter
// in either case, once the first byte alone stops the scan often (more than
// once per 128 bytes), the scan switches for the rest of the file to testing 32
// starts at a time by comparing the file bytes at both offsets with the
// wanted values (a letter after OR 0x20, which maps exactly its two cases
// to the lower case). Candidates come out in increasing order and none is
// skipped, so the first acceptable one is the leftmost match.
//
// Tested by tests/search/candidate_scan_test.cc and
// tests/search/matcher_property_test.cc

#ifndef SWU_SEARCH_CANDIDATE_SCAN_H_
#define SWU_SEARCH_CANDIDATE_SCAN_H_

#include <cassert>
#include <cstdint>
#include <cstring>

#include "search/byte_scan.h"

namespace swu {

// One byte of the search text that a candidate must match.
struct Probe {
  int64_t offset = 0;  // from the candidate start
  uint8_t value = 0;   // the byte; a letter in lower case when |fold|
  bool fold = false;   // a letter that matches in either case
};

class CandidateScan {
 public:
  CandidateScan() = default;
  // Tests |first| and |second|; they may be the same probe.
  CandidateScan(const Probe& first, const Probe& second);

  // Returns the first start s in [from, last] whose probe bytes match, or
  // -1. Every probe byte of a start up to |last| must lie in |data|.
  // Calls must come with the same |data| and |last|.
  int64_t Find(const uint8_t* data, int64_t from, int64_t last);

  // The same as Find without vector instructions, as built where SSE2 is
  // missing.
  int64_t FindPortable(const uint8_t* data, int64_t from, int64_t last);

  // The same as Find with vector compares from the first call on (the
  // portable scan where SSE2 is missing).
  int64_t FindByVector(const uint8_t* data, int64_t from, int64_t last);

 private:
  // While scanning for one byte, a stop may come on average every this
  // many bytes (after the allowance) before the scan switches to vector
  // compares of both bytes.
  static constexpr int64_t kBytesPerStop = 128;
  static constexpr int64_t kStopAllowance = 4096;

  bool Matches(const uint8_t* data, int64_t s) const;
  int64_t FindByByte(const uint8_t* data, int64_t from, int64_t last);

  Probe probes_[2];
  ByteScan first_scan_{0, 0, false};  // the scan for probes_[0]
  bool may_switch_ = true;            // to vector compares
  bool by_byte_ = true;               // not yet switched to vector compares
  int64_t origin_ = -1;               // the first start scanned from
  int64_t stops_ = 0;                 // stops of the byte scan
};

// The scan runs once per candidate, as often as every few bytes in a dense
// file: the byte scan is defined here so that it is compiled into the
// matcher's loop without a call.

inline int64_t CandidateScan::Find(const uint8_t* data, int64_t from,
                                   int64_t last) {
  assert(from >= 0);
#if defined(__SSE2__)
  return by_byte_ ? FindByByte(data, from, last)
                  : FindByVector(data, from, last);
#else
  return FindPortable(data, from, last);
#endif
}

inline int64_t CandidateScan::FindByByte(const uint8_t* data, int64_t from,
                                         int64_t last) {
  if (origin_ < 0) origin_ = from;
  const int64_t offset = probes_[0].offset;
  for (int64_t s = from; s <= last; ++s) {
    int64_t q;
    if (probes_[0].fold) {
      q = first_scan_.Find(data, s + offset, last + offset + 1);
    } else {
      // One value: memchr itself, without the call to ByteScan.
      const void* hit = memchr(data + s + offset, probes_[0].value,
                               static_cast<size_t>(last - s + 1));
      q = hit == nullptr ? -1 : static_cast<const uint8_t*>(hit) - data;
    }
    if (q < 0) return -1;
    s = q - offset;
    // Where stops come often, the vector scan, which does not stop for one
    // byte alone and needs no call per stop, costs less.
    if (may_switch_ &&
        ++stops_ * kBytesPerStop > s - origin_ + kStopAllowance) {
      by_byte_ = false;
    }
    // The byte scan found the first probe; only the second needs a test.
    const Probe& second = probes_[1];
    uint8_t fold = second.fold ? 0x20 : 0;
    if ((data[s + second.offset] | fold) == second.value) return s;
    if (!by_byte_) return FindByVector(data, s + 1, last);
  }
  return -1;
}

}  // namespace swu

#endif  // SWU_SEARCH_CANDIDATE_SCAN_H_
