// The two-way search for one wildcard-free piece of the search text.

#include "search/two_way.h"

#include <cassert>
#include <cstring>

namespace swu {

namespace {

// Byte maps shared by every finder: letters to upper case, or unchanged.
struct FoldTables {
  FoldTables() {
    for (int b = 0; b < 256; ++b) {
      bool lower = b >= 'a' && b <= 'z';
      folded[b] = static_cast<uint8_t>(lower ? b - 32 : b);
      exact[b] = static_cast<uint8_t>(b);
    }
  }
  uint8_t folded[256];
  uint8_t exact[256];
};

const FoldTables& Tables() {
  static const FoldTables tables;
  return tables;
}

}  // namespace

TwoWayPiece::TwoWayPiece(const uint8_t* piece, int64_t length,
                         bool case_sensitive)
    : fold_(case_sensitive ? Tables().exact : Tables().folded),
      length_(length) {
  assert(length > 0);  // A piece holds at least one byte.
  piece_.resize(static_cast<size_t>(length));
  for (int64_t i = 0; i < length; ++i) piece_[i] = fold_[piece[i]];

  int64_t period = 1;
  int64_t reversed_period = 1;
  int64_t suffix = MaximalSuffix(false, &period);
  int64_t reversed_suffix = MaximalSuffix(true, &reversed_period);
  // The later of the two maximal suffixes gives a critical factorization.
  critical_ = suffix > reversed_suffix ? suffix : reversed_suffix;
  period_ = suffix > reversed_suffix ? period : reversed_period;
  periodic_ = memcmp(piece_.data(), piece_.data() + period_,
                     static_cast<size_t>(critical_ + 1)) == 0;
  if (!periodic_) {
    int64_t left = critical_ + 1;
    int64_t right = length_ - critical_ - 1;
    period_ = (left > right ? left : right) + 1;
  }
}

// Returns the index before the maximal suffix of the piece by byte order
// (by the reversed order when |reversed|) and stores its period.
int64_t TwoWayPiece::MaximalSuffix(bool reversed, int64_t* period) const {
  const uint8_t* x = piece_.data();
  int64_t before = -1;  // the suffix starts after this index
  int64_t j = 0;
  int64_t k = 1;
  *period = 1;
  while (j + k < length_) {
    uint8_t a = x[j + k];
    uint8_t b = x[before + k];
    if (a == b) {
      if (k != *period) {
        ++k;
      } else {
        j += *period;
        k = 1;
      }
    } else if (reversed ? a > b : a < b) {
      j += k;
      k = 1;
      *period = j - before;
    } else {
      before = j;
      j = before + 1;
      k = 1;
      *period = 1;
    }
  }
  return before;
}

int64_t TwoWayFinder::Find(const uint8_t* data, int64_t from, int64_t limit) {
  assert(from >= 0);
  if (data != data_ || limit != limit_ || asked_ < 0 || from < asked_) {
    Restart(data, from, limit);  // A new image, or a search that goes back.
  } else if (found_ < 0 || found_ >= from) {
    return found_;  // Nothing lies in [asked_, found_): the answer holds.
  } else if (from >= next_ + piece_->length_) {
    // The pass would have to walk further than the piece is long to reach
    // |from|; starting afresh there costs less and forgets nothing useful.
    next_ = from;
    memory_ = -1;
  }
  return Search(data, from, limit);
}

void TwoWayFinder::Restart(const uint8_t* data, int64_t from, int64_t limit) {
  data_ = data;
  limit_ = limit;
  next_ = from;
  memory_ = -1;
}

int64_t TwoWayFinder::Search(const uint8_t* data, int64_t from, int64_t limit) {
  const uint8_t* x = piece_->piece_.data();
  const uint8_t* fold = piece_->fold_;
  const int64_t m = piece_->length_;
  const int64_t critical = piece_->critical_;
  const int64_t period = piece_->period_;
  int64_t j = next_;
  int64_t memory = memory_;
  asked_ = from;
  found_ = -1;
  while (j + m <= limit) {
    const uint8_t* y = data + j;
    int64_t i = (critical > memory ? critical : memory) + 1;
    while (i < m && x[i] == fold[y[i]]) ++i;
    if (i < m) {
      j += i - critical;  // The right-hand part matched up to i.
      memory = -1;
      continue;
    }
    i = critical;
    while (i > memory && x[i] == fold[y[i]]) --i;
    bool hit = i <= memory;
    int64_t at = j;
    j += period;
    memory = piece_->periodic_ ? m - period - 1 : -1;
    if (hit && at >= from) {
      found_ = at;
      break;
    }
  }
  next_ = j;
  memory_ = memory;
  return found_;
}

}  // namespace swu
