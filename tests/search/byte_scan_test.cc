// Tests of the two-value byte scan, which remembers where each value
// occurs next: resumed scans, a scan that goes back, and the limit.

#include "search/byte_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace swu {
namespace {

std::vector<int64_t> ScanAll(ByteScan* scan, const std::string& text,
                             int64_t limit) {
  const uint8_t* data = reinterpret_cast<const uint8_t*>(text.data());
  std::vector<int64_t> found;
  for (int64_t from = 0;;) {
    int64_t at = scan->Find(data, from, limit);
    if (at < 0) break;
    found.push_back(at);
    from = at + 1;
  }
  return found;
}

TEST(ByteScanTest, FindsBothCasesInOrder) {
  ByteScan scan('A', 'a', true);
  EXPECT_EQ(ScanAll(&scan, "xaAxxa-A", 8), (std::vector<int64_t>{1, 2, 5, 7}));
}

TEST(ByteScanTest, StopsAtTheLimit) {
  ByteScan scan('a', 'a', false);
  EXPECT_EQ(ScanAll(&scan, "aaaa", 2), (std::vector<int64_t>{0, 1}));
}

TEST(ByteScanTest, ScanThatGoesBackFindsEarlierBytes) {
  const std::string text = "A....a....A";
  const uint8_t* data = reinterpret_cast<const uint8_t*>(text.data());
  ByteScan scan('A', 'a', true);
  EXPECT_EQ(scan.Find(data, 6, 11), 10);
  EXPECT_EQ(scan.Find(data, 1, 11), 5);  // as a repeated search does
  EXPECT_EQ(scan.Find(data, 0, 11), 0);
}

}  // namespace
}  // namespace swu
