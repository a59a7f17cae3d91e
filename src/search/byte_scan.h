// Finds the next file byte equal to one value, or to either case of a
// letter, at memory speed. The candidate scan looks for one byte of the
// search text this way while that byte is rare in the file.
//
// Tested by tests/search/byte_scan_test.cc

#ifndef SWU_SEARCH_BYTE_SCAN_H_
#define SWU_SEARCH_BYTE_SCAN_H_

#include <cstdint>

namespace swu {

class ByteScan {
 public:
  // Scans for |value|, and also for |other| when |two_values|.
  ByteScan(uint8_t value, uint8_t other, bool two_values);

  // Returns the index of the first byte in [from, limit) of |data| that
  // equals a scanned value, or -1 when there is none. Calls must come with
  // the same |data| and |limit|. For two values the scan remembers where
  // each one occurs next, so that while |from| only grows every byte is
  // looked at once per value however often the scan is resumed.
  int64_t Find(const uint8_t* data, int64_t from, int64_t limit);

 private:
  int64_t Next(int which, const uint8_t* data, int64_t from, int64_t limit);

  uint8_t values_[2];
  bool two_values_;
  int64_t next_[2] = {-1, -1};          // next occurrence, -1 none
  int64_t scanned_from_[2] = {-1, -1};  // where it was looked for; -1 never
};

// An estimate of how often |byte| occurs in text files, higher is more
// often. The matcher tests the two rarest bytes of the search text.
int ByteFrequency(uint8_t byte);

}  // namespace swu

#endif  // SWU_SEARCH_BYTE_SCAN_H_
