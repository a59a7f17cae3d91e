// Tests of the two-way finder against a plain search: random pieces and
// files over two letters (periodic and aperiodic pieces alike), each file
// searched with growing starts, some of them past the pass's place, and
// once more from the start, as the matcher asks.

#include "search/two_way.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace swu {
namespace {

int64_t PlainFind(const std::string& file, const std::string& piece,
                  int64_t from, int64_t limit, bool case_sensitive) {
  auto fold = [&](char c) {
    return !case_sensitive && c >= 'a' && c <= 'z' ? c - 32 : c;
  };
  int64_t m = static_cast<int64_t>(piece.size());
  for (int64_t q = from; q + m <= limit; ++q) {
    int64_t i = 0;
    while (i < m && fold(file[q + i]) == fold(piece[i])) ++i;
    if (i == m) return q;
  }
  return -1;
}

TEST(TwoWayTest, AgreesWithPlainSearch) {
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    const char* letters = round % 3 == 0 ? "aAb" : "ab";
    int n = round % 3 == 0 ? 3 : 2;
    std::string piece, file;
    for (int i = static_cast<int>(1 + random() % 12); i > 0; --i)
      piece += letters[random() % n];
    for (int i = static_cast<int>(random() % 200); i > 0; --i)
      file += letters[random() % n];
    bool case_sensitive = random() % 2;
    int64_t limit = static_cast<int64_t>(file.size()) - random() % 3;
    TwoWayPiece prepared(reinterpret_cast<const uint8_t*>(piece.data()),
                         static_cast<int64_t>(piece.size()), case_sensitive);
    TwoWayFinder finder(&prepared);
    const uint8_t* data = reinterpret_cast<const uint8_t*>(file.data());
    for (int64_t from = 0; from <= limit; from += 1 + random() % 4) {
      ASSERT_EQ(finder.Find(data, from, limit),
                PlainFind(file, piece, from, limit, case_sensitive))
          << "round " << round << " piece " << piece << " from " << from;
    }
    ASSERT_EQ(finder.Find(data, 0, limit),
              PlainFind(file, piece, 0, limit, case_sensitive))
        << "round " << round << " going back";
  }
}

}  // namespace
}  // namespace swu
