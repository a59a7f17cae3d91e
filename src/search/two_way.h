// Finds a piece of the search text that holds no wildcard in time linear
// in the file, however long the piece and whatever the file holds. Bytes
// are compared after folding (only the 52 ASCII letters, and only without
// -C).
//
// How it works: the two-way algorithm. The piece is split at a critical
// position; the right-hand part is compared left to right and a mismatch
// shifts by the bytes that matched, then the left-hand part is compared
// right to left and a mismatch there shifts by the period. In a periodic
// piece the prefix that is known to match after a shift is remembered, so
// no file byte is compared more than twice. The finder keeps its place
// between calls: while the starts asked for do not go back it goes on from
// where it stopped, so a whole file costs linear time however often it is
// asked, and an answer that still holds is given again without a search.
//
// The prepared piece (TwoWayPiece: its folded bytes and factorization, set
// up in time linear in its length) is made once per run and never changes;
// each file gets fresh finders over it (TwoWayFinder: the place of the
// pass), so no place or cached answer reaches the next file, even one
// loaded at the same address.
//
// Tested by tests/search/two_way_test.cc and
// tests/search/matcher_property_test.cc

#ifndef SWU_SEARCH_TWO_WAY_H_
#define SWU_SEARCH_TWO_WAY_H_

#include <cstdint>
#include <vector>

namespace swu {

// One piece of the search text, prepared for the two-way search. Many
// finders may share it; it must outlive them.
class TwoWayPiece {
 public:
  // |piece| holds |length| > 0 bytes; letters fold unless |case_sensitive|.
  TwoWayPiece(const uint8_t* piece, int64_t length, bool case_sensitive);

  int64_t length() const { return length_; }

 private:
  friend class TwoWayFinder;

  int64_t MaximalSuffix(bool reversed, int64_t* period) const;

  std::vector<uint8_t> piece_;     // folded
  const uint8_t* fold_ = nullptr;  // file byte -> folded byte
  int64_t length_ = 0;
  int64_t critical_ = 0;   // the left-hand part is [0, critical_]
  int64_t period_ = 1;     // the shift after a full match
  bool periodic_ = false;  // the left-hand part repeats with period_
};

// Where one file's search for a piece stands.
class TwoWayFinder {
 public:
  explicit TwoWayFinder(const TwoWayPiece* piece) : piece_(piece) {}

  // Returns the first q >= from with q + length <= limit at which the
  // piece occurs in |data|, or -1 when there is none.
  int64_t Find(const uint8_t* data, int64_t from, int64_t limit);

  int64_t length() const { return piece_->length(); }

 private:
  void Restart(const uint8_t* data, int64_t from, int64_t limit);
  int64_t Search(const uint8_t* data, int64_t from, int64_t limit);

  const TwoWayPiece* piece_;  // not owned

  // Where the pass stands: the next start to test and the prefix known to
  // match there (-1 none). Cached answer: the first occurrence at or after
  // asked_ (-1 none before the limit); valid while data_ and limit_ hold.
  const uint8_t* data_ = nullptr;
  int64_t limit_ = -1;
  int64_t next_ = 0;
  int64_t memory_ = -1;
  int64_t asked_ = -1;
  int64_t found_ = -1;
};

}  // namespace swu

#endif  // SWU_SEARCH_TWO_WAY_H_
