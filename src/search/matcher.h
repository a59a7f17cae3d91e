// Finds the next place in the loaded file where the search text matches,
// and widens it to its line in the line modes (-D, -D:P, -D:L, -D:R, -U,
// -M). Knows nothing of output; the replace loop drives it.
//
// How it works: the search text is compiled into a mask and a value per
// byte (a wildcard masks everything, a letter compares without its case
// bit unless -C), and one byte of it, the rarest by a text-frequency
// estimate, is scanned for with memchr (or two alternating memchr scans
// for a letter's two cases). Each byte found gives one candidate start,
// which is compared in full and tested against the anchors. Candidates come
// in increasing order, so the first acceptable one is the leftmost match,
// whichever byte is scanned for.
//
// An empty search text (an anchor alone) matches with length 0 at every
// place that has a byte and satisfies the anchors; never at the end.
//
// Tested by tests/search/matcher_test.cc

#ifndef SWU_SEARCH_MATCHER_H_
#define SWU_SEARCH_MATCHER_H_

#include <cstdint>
#include <vector>

#include "cli/settings.h"
#include "search/byte_scan.h"
#include "search/file_buffer.h"
#include "search/match.h"

namespace swu {

class Matcher {
 public:
  // Compiles the search text and rules of |settings| for one file.
  explicit Matcher(const Settings& settings);

  // Looks for the search text in |buffer| from |resume| bytes after its
  // position on, and fills *match; its offset is -1 when there is none.
  // Calls for one file must come with non-decreasing search starts.
  void FindNextMatch(const FileBuffer& buffer, int64_t resume, Match* match);

 private:
  // The leftmost acceptable start in [from, end), or -1.
  int64_t FindText(const FileBuffer& buffer, int64_t from);
  int64_t FindAllWildcards(const FileBuffer& buffer, int64_t from) const;
  bool BytesMatch(const uint8_t* data, int64_t s) const;
  bool AnchorsHold(const FileBuffer& buffer, int64_t s) const;
  void WidenToLine(const FileBuffer& buffer, int64_t s, Match* match) const;
  void ChooseScanByte();

  std::vector<uint8_t> mask_;   // per search byte: 0 wildcard, 0xDF letter
  std::vector<uint8_t> value_;  // per search byte: value & mask
  int64_t length_ = 0;          // L
  bool exact_ = true;           // no wildcard and no case folding
  int64_t scan_index_ = -1;     // the byte scanned for; -1 all wildcards
  ByteScan scan_{0, 0, false};
  bool start_anchor_ = false;  // the match must start a line
  bool end_anchor_ = false;    // a line break must follow the match
  bool line_mode_ = false;     // -D
  char line_sub_ = 0;          // -D:P, -D:L, -D:R: 'P', 'L', 'R'
  char line_filter_ = 0;       // -M, -U: 'M', 'U'
  bool new_text_empty_ = false;
};

}  // namespace swu

#endif  // SWU_SEARCH_MATCHER_H_
