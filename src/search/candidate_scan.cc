// The two-byte candidate scan: SSE2 where the compiler offers it, a
// portable scan elsewhere.

#include "search/candidate_scan.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace swu {

namespace {

// What a letter probe ORs into the file byte before comparing.
uint8_t FoldBit(const Probe& probe) { return probe.fold ? 0x20 : 0; }

#if defined(__SSE2__)

int LowestBit(unsigned bits) {
#if defined(__GNUC__)
  return __builtin_ctz(bits);
#else
  int n = 0;
  while ((bits & 1) == 0) {
    bits >>= 1;
    ++n;
  }
  return n;
#endif
}

// The bit mask of the 16 starts from |s| on whose byte at |p| + s matches.
__m128i ProbeBlock(const uint8_t* p, int64_t s, __m128i fold, __m128i value) {
  __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + s));
  return _mm_cmpeq_epi8(_mm_or_si128(bytes, fold), value);
}

#endif  // __SSE2__

}  // namespace

CandidateScan::CandidateScan(const Probe& first, const Probe& second)
    : probes_{first, second},
      first_scan_(first.value, static_cast<uint8_t>(first.value & 0xDF),
                  first.fold) {}

bool CandidateScan::Matches(const uint8_t* data, int64_t s) const {
  for (const Probe& probe : probes_) {
    if ((data[s + probe.offset] | FoldBit(probe)) != probe.value) return false;
  }
  return true;
}

int64_t CandidateScan::Find(const uint8_t* data, int64_t from, int64_t last) {
#if defined(__SSE2__)
  const uint8_t* p0 = data + probes_[0].offset;
  const uint8_t* p1 = data + probes_[1].offset;
  const __m128i fold0 = _mm_set1_epi8(static_cast<char>(FoldBit(probes_[0])));
  const __m128i fold1 = _mm_set1_epi8(static_cast<char>(FoldBit(probes_[1])));
  const __m128i value0 = _mm_set1_epi8(static_cast<char>(probes_[0].value));
  const __m128i value1 = _mm_set1_epi8(static_cast<char>(probes_[1].value));
  int64_t s = from;
  // Two blocks of 16 starts per step; the test of both is one branch.
  for (; s + 32 <= last + 1; s += 32) {
    __m128i a = _mm_and_si128(ProbeBlock(p0, s, fold0, value0),
                              ProbeBlock(p1, s, fold1, value1));
    __m128i b = _mm_and_si128(ProbeBlock(p0, s + 16, fold0, value0),
                              ProbeBlock(p1, s + 16, fold1, value1));
    unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(a)) |
                    static_cast<unsigned>(_mm_movemask_epi8(b)) << 16;
    if (bits != 0) return s + LowestBit(bits);
  }
  for (; s + 16 <= last + 1; s += 16) {
    __m128i a = _mm_and_si128(ProbeBlock(p0, s, fold0, value0),
                              ProbeBlock(p1, s, fold1, value1));
    unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(a));
    if (bits != 0) return s + LowestBit(bits);
  }
  for (; s <= last; ++s) {
    if (Matches(data, s)) return s;
  }
  return -1;
#else
  return FindPortable(data, from, last);
#endif
}

int64_t CandidateScan::FindPortable(const uint8_t* data, int64_t from,
                                    int64_t last) {
  const int64_t offset = probes_[0].offset;
  for (int64_t s = from; s <= last; ++s) {
    int64_t q = first_scan_.Find(data, s + offset, last + offset + 1);
    if (q < 0) return -1;
    s = q - offset;
    if (Matches(data, s)) return s;
  }
  return -1;
}

}  // namespace swu
