// Tests of the two-byte candidate scan: the adaptive scan, the vector scan
// and the portable one all list exactly the starts whose two probe bytes
// match, up to the last start, on random bytes that include the case-bit
// neighbours of letters. Some files are long enough for the adaptive scan
// to switch to vector compares on the way.

#include "search/candidate_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace swu {
namespace {

TEST(CandidateScanTest, VectorAndPortableScansListEveryCandidate) {
  const std::string kBytes("aAbB[{@`\r\n\0\xE1\xC1", 13);
  std::mt19937 random(3);
  for (int round = 0; round < 2000; ++round) {
    std::string data;
    for (int i = static_cast<int>(random() % (round % 20 == 0 ? 9000 : 120));
         i > 0; --i) {
      data += kBytes[random() % (random() % 3 == 0 ? kBytes.size() : 4)];
    }
    Probe probes[2];
    for (Probe& p : probes) {
      p.offset = random() % 6;
      p.value = static_cast<uint8_t>(kBytes[random() % kBytes.size()]);
      p.fold =
          (p.value | 0x20) >= 'a' && (p.value | 0x20) <= 'z' && random() % 2;
      if (p.fold) p.value |= 0x20;
    }
    int64_t reach = std::max(probes[0].offset, probes[1].offset);
    int64_t last = static_cast<int64_t>(data.size()) - 1 - reach;
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(data.data());
    std::vector<int64_t> expected, scan_found, vector_found, portable_found;
    for (int64_t s = 0; s <= last; ++s) {
      bool ok = true;
      for (const Probe& p : probes) {
        ok = ok && (bytes[s + p.offset] | (p.fold ? 0x20 : 0)) == p.value;
      }
      if (ok) expected.push_back(s);
    }
    CandidateScan scan(probes[0], probes[1]);
    CandidateScan vector(probes[0], probes[1]);
    CandidateScan portable(probes[0], probes[1]);
    for (int64_t s = 0; (s = scan.Find(bytes, s, last)) >= 0; ++s) {
      scan_found.push_back(s);
    }
    for (int64_t s = 0; (s = vector.FindByVector(bytes, s, last)) >= 0; ++s) {
      vector_found.push_back(s);
    }
    for (int64_t s = 0; (s = portable.FindPortable(bytes, s, last)) >= 0; ++s) {
      portable_found.push_back(s);
    }
    ASSERT_EQ(scan_found, expected) << "round " << round;
    ASSERT_EQ(vector_found, expected) << "round " << round;
    ASSERT_EQ(portable_found, expected) << "round " << round;
  }
}

}  // namespace
}  // namespace swu
