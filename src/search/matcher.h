// Finds the next place in the loaded file where the search text matches,
// and widens it to its line in the line modes (-D, -D:P, -D:L, -D:R, -U,
// -M). Knows nothing of output; the replace loop drives it.
//
// How it works: the search text is compiled into a mask and a value per
// byte (a wildcard masks everything, a letter compares without its case
// bit unless -C). Two of its bytes, the rarest by a text-frequency
// estimate, are tested at every start with vector compares (CandidateScan);
// each start where both match is a candidate, which is compared in full and
// tested against the anchors. Candidates come in increasing order and none
// is skipped, so the first acceptable one is the leftmost match, whichever
// bytes are tested.
//
// Long texts stay linear: when the full compares of a text longer than 32
// bytes cost more than the scan has advanced (a text and a file made of
// the same few bytes), the matcher switches for the rest of the file to
// one two-way finder per wildcard-free piece of the text. A start is then
// accepted where every piece occurs at its offset and the anchors hold; a
// piece found further on moves the start there. The starts only grow and
// each finder keeps its place, so a file costs time linear in its size
// times the number of pieces, whatever the text and the file hold.
//
// A Matcher is made once per run and shared by every file: it holds what
// the search text and switches give (the compiled text, the probes, and
// the pieces once a file first needs them), which costs time linear in
// the text to set up. A FileSearch is made for each file and holds where
// that file's scans stand (the candidate scan's mode, the compare cost,
// the switch to pieces, the finders' places), so nothing of one file's
// search reaches the next.
//
// --word accepts a start only where the byte before the match and the
// byte after it are not word bytes (ASCII letters, digits, '_'); the
// image's start and end count as non-word. It is tested with the anchors,
// at each candidate, so a start it refuses is followed by the next one,
// one byte on, as for an anchor.
//
// An empty search text (an anchor alone) matches with length 0 at every
// place that has a byte and satisfies the anchors; never at the end.
//
// Tested by tests/search/matcher_test.cc and
// tests/search/matcher_property_test.cc

#ifndef SWU_SEARCH_MATCHER_H_
#define SWU_SEARCH_MATCHER_H_

#include <cstdint>
#include <vector>

#include "cli/settings.h"
#include "search/candidate_scan.h"
#include "search/match.h"
#include "search/two_way.h"
#include "store/file_buffer.h"

namespace swu {

class Matcher {
 public:
  // Compiles the search text and rules of |settings| for the run.
  explicit Matcher(const Settings& settings);
  Matcher(const Matcher&) = delete;
  Matcher& operator=(const Matcher&) = delete;

 private:
  friend class FileSearch;

  struct Piece {
    int64_t offset;     // in the search text
    TwoWayPiece bytes;  // prepared for the two-way search
  };

  // The wildcard-free pieces, longest first; built on the first call.
  const std::vector<Piece>& Pieces();
  int64_t FindAllWildcards(const FileBuffer& buffer, int64_t from) const;
  int64_t MatchedPrefix(const uint8_t* data, int64_t s) const;
  bool AnchorsHold(const FileBuffer& buffer, int64_t s) const;
  bool EndAnchorHolds(const FileBuffer& buffer, int64_t s) const;
  bool AtWordBounds(const FileBuffer& buffer, int64_t s) const;
  void WidenToLine(const FileBuffer& buffer, int64_t s, Match* match) const;
  void ChooseScanByte();

  std::vector<uint8_t> mask_;    // per search byte: 0 wildcard, 0xDF letter
  std::vector<uint8_t> value_;   // per search byte: value & mask
  int64_t length_ = 0;           // L
  bool case_sensitive_ = false;  // -C
  int64_t scan_index_ = -1;      // a byte the scan tests; -1 all wildcards
  Probe probes_[2];              // the bytes the candidate scan tests
  std::vector<Piece> pieces_;    // built when a file first switches
  bool start_anchor_ = false;    // the match must start a line
  bool end_anchor_ = false;      // a line break must follow the match
  bool word_ = false;            // --word
  bool bounded_ = false;         // an anchor or --word tests each start
  LineMode line_mode_ = LineMode::kOff;        // -D and its forms
  LineFilter line_filter_ = LineFilter::kAll;  // -M, -U
  bool new_text_empty_ = false;
};

// The search of one file with the run's Matcher.
class FileSearch {
 public:
  // |matcher| must outlive the search.
  explicit FileSearch(Matcher* matcher);

  // Looks for the search text in |buffer| from |resume| bytes after its
  // position on. On a match, fills *match and returns true; when there is
  // none, returns false and *match is left as it was. |resume| is never
  // negative. Starts normally only grow, which keeps a file's search
  // linear; a start that goes back (the -#:L search for the last match
  // once more) is answered alike, the scans starting afresh from it.
  bool FindNextMatch(const FileBuffer& buffer, int64_t resume, Match* match);

  // Whether this file's search has switched to the linear piece search.
  bool searching_by_pieces() const { return by_pieces_; }

 private:
  // The leftmost acceptable start in [from, end), or -1.
  int64_t FindText(const FileBuffer& buffer, int64_t from);
  int64_t FindByPieces(const FileBuffer& buffer, int64_t from);
  int64_t PiecesAgreeFrom(const FileBuffer& buffer, int64_t s);
  bool CompareCostsTooMuch(int64_t from, int64_t s, int64_t compared);

  Matcher* matcher_;  // the run's; not owned
  CandidateScan candidates_;
  int64_t compare_cost_ = 0;           // bytes compared at candidates so far
  int64_t first_from_ = -1;            // the first search start of the file
  bool by_pieces_ = false;             // switched to the linear piece search
  std::vector<TwoWayFinder> finders_;  // one per piece; made at the switch
};

}  // namespace swu

#endif  // SWU_SEARCH_MATCHER_H_
