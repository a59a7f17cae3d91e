// A slow and obvious statement of the search rules, kept apart from the
// matcher so that tests and the engine fuzzer can check the matcher and the
// replace loop against it. It tries every start in turn and compares the
// search text with the file byte by byte; it shares no code with the
// matcher's compiled masks, candidate scans or piece finders.
//
// The rules: the wildcard byte matches any byte; without -C an ASCII letter
// matches itself in either case, and every other byte only itself. A line
// starts at the start of the image or after an LF; a line break is an LF
// with the CR directly before it when there is one, and a CR alone breaks
// no line. The start-of-line anchor needs a line start at the match; the
// end-of-line anchor needs a CR, or an LF that follows no CR, right after
// it. An empty search text matches only where there is a byte. --word
// needs a byte that is not an ASCII letter, digit or '_' (or the image's
// start or end) on either side of the match.

#ifndef SWU_TESTS_SEARCH_NAIVE_REFERENCE_H_
#define SWU_TESTS_SEARCH_NAIVE_REFERENCE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "cli/settings.h"
#include "search/match.h"

namespace swu {

// What the reference searches for: the switches as the user gave them.
struct NaiveRules {
  std::string text;             // the search text without its anchors
  int wildcard = '@';           // the wildcard byte; -1 when disabled (-1)
  bool case_sensitive = false;  // -C
  bool start_anchor = false;    // a leading '#'
  bool end_anchor = false;      // a trailing '!'
  bool word = false;            // --word
  LineMode line_mode = LineMode::kOff;        // -D and its forms
  LineFilter line_filter = LineFilter::kAll;  // -M, -U
  bool new_text_empty = false;                // <new> is ""
};

// The first start s >= |from| where the text and its anchors match in
// |image|, or -1.
int64_t NaiveFind(const NaiveRules& rules, const std::string& image,
                  int64_t from);

// The match record for the text found at |s| by a search made while the
// file's position was |position|: offsets count from the position, and the
// line modes widen the match to its line (never before the position).
Match NaiveMatchAt(const NaiveRules& rules, const std::string& image,
                   int64_t position, int64_t s);

// Which matches a -# selection acts on.
struct NaiveSelection {
  Selection mode = Selection::kAll;
  std::vector<int64_t> numbers;  // -#:n,n,...
};

// The file walked as the replace loop walks it, each acted-on match's
// consumed region written in brackets ("[bc]") and the rest of the image
// as it is; under -M only the lines of acted-on matches are kept (the
// whole image when none is).
std::string NaiveResult(const NaiveRules& rules,
                        const NaiveSelection& selection,
                        const std::string& image);

// A match record in words, or "none" when |found| is false, for the
// messages of a check that disagrees.
std::string DescribeMatch(bool found, const Match& match);

}  // namespace swu

#endif  // SWU_TESTS_SEARCH_NAIVE_REFERENCE_H_
