// The two-byte candidate scan: SSE2 where the compiler offers it, a
// portable scan elsewhere.

#include "search/candidate_scan.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace swu {

namespace {

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

// Compares the 16 bytes at |p| + s with |value|, after OR 0x20 for a
// letter probe: 0xFF where they match.
template <bool kFold>
__m128i ProbeBlock(const uint8_t* p, int64_t s, __m128i value) {
  __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + s));
  if (kFold) bytes = _mm_or_si128(bytes, _mm_set1_epi8(0x20));
  return _mm_cmpeq_epi8(bytes, value);
}

// The first start s in [from, last] whose bytes at p0 + s and p1 + s
// match, tested 32 starts at a time; -1 when there is none before the
// last 15 starts, which the caller tests one by one; *tested says how far.
template <bool kFold0, bool kFold1>
int64_t VectorFind(const uint8_t* p0, const uint8_t* p1, uint8_t value0,
                   uint8_t value1, int64_t from, int64_t last,
                   int64_t* tested) {
  const __m128i v0 = _mm_set1_epi8(static_cast<char>(value0));
  const __m128i v1 = _mm_set1_epi8(static_cast<char>(value1));
  int64_t s = from;
  for (; s + 32 <= last + 1; s += 32) {
    __m128i a = _mm_and_si128(ProbeBlock<kFold0>(p0, s, v0),
                              ProbeBlock<kFold1>(p1, s, v1));
    __m128i b = _mm_and_si128(ProbeBlock<kFold0>(p0, s + 16, v0),
                              ProbeBlock<kFold1>(p1, s + 16, v1));
    // One branch for both blocks; the exact place only after a hit.
    if (_mm_movemask_epi8(_mm_or_si128(a, b)) != 0) {
      unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(a)) |
                      static_cast<unsigned>(_mm_movemask_epi8(b)) << 16;
      return s + LowestBit(bits);
    }
  }
  if (s + 16 <= last + 1) {
    __m128i a = _mm_and_si128(ProbeBlock<kFold0>(p0, s, v0),
                              ProbeBlock<kFold1>(p1, s, v1));
    unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(a));
    if (bits != 0) return s + LowestBit(bits);
    s += 16;
  }
  *tested = s;
  return -1;
}

#endif  // __SSE2__

}  // namespace

CandidateScan::CandidateScan(const Probe& first, const Probe& second)
    : probes_{first, second},
      first_scan_(first.value, static_cast<uint8_t>(first.value & 0xDF),
                  first.fold),
      // One exact byte: memchr finds it faster than vector compares do,
      // however often it occurs.
      may_switch_(first.fold || first.offset != second.offset) {}

#if defined(__SSE2__)

int64_t CandidateScan::FindByVector(const uint8_t* data, int64_t from,
                                    int64_t last) {
  const uint8_t* p0 = data + probes_[0].offset;
  const uint8_t* p1 = data + probes_[1].offset;
  uint8_t v0 = probes_[0].value;
  uint8_t v1 = probes_[1].value;
  int64_t tested = from;
  int64_t s;
  switch (probes_[0].fold * 2 + probes_[1].fold) {
    case 0:
      s = VectorFind<false, false>(p0, p1, v0, v1, from, last, &tested);
      break;
    case 1:
      s = VectorFind<false, true>(p0, p1, v0, v1, from, last, &tested);
      break;
    case 2:
      s = VectorFind<true, false>(p0, p1, v0, v1, from, last, &tested);
      break;
    default:
      s = VectorFind<true, true>(p0, p1, v0, v1, from, last, &tested);
      break;
  }
  if (s >= 0) return s;
  for (s = tested; s <= last; ++s) {
    if (Matches(data, s)) return s;
  }
  return -1;
}

#else

int64_t CandidateScan::FindByVector(const uint8_t* data, int64_t from,
                                    int64_t last) {
  return FindPortable(data, from, last);
}

#endif  // __SSE2__

bool CandidateScan::Matches(const uint8_t* data, int64_t s) const {
  for (const Probe& probe : probes_) {
    uint8_t fold = probe.fold ? 0x20 : 0;
    if ((data[s + probe.offset] | fold) != probe.value) return false;
  }
  return true;
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
