// Walks one loaded file from start to end: asks the matcher for each match,
// selects with -# the matches to act on, has the unchanged stretch before
// each passed and the emitter write at it, applies the -M line filter,
// renews the new text after each match under -K:RM, and at the end has the
// rest of the file and the -B/-T insertion handled.
//
// How it works: one pass, writing as it goes into the output stream; the
// position in FileBuffer only moves forwards. A skipped match moves the
// search on past it without moving the position. After an empty search
// text (an anchor alone) the next search starts one byte after the place
// it matched, even when a line mode widened it, so the loop always ends
// and no line is acted on twice. -#:J acts on each match when the next one is
// found, and never on a match whose start was already consumed (-O can consume
// past it).
//
// Tested by tests/search/replace_loop_test.cc

#ifndef SWU_SEARCH_REPLACE_LOOP_H_
#define SWU_SEARCH_REPLACE_LOOP_H_

#include <cstdint>
#include <functional>

#include "cli/settings.h"
#include "search/match.h"
#include "search/match_writer.h"
#include "search/matcher.h"
#include "search/replace_state.h"
#include "search/search_notes.h"
#include "store/file_buffer.h"

namespace swu {

class ReplaceLoop {
 public:
  // |matcher| is the run's; the loop searches this file with a fresh
  // FileSearch over it. |renew| is called after every acted-on match; it
  // renews the new text for -K:RM and returns false when that failed. It
  // may be empty.
  ReplaceLoop(const Settings& settings, const FileBuffer* buffer,
              Matcher* matcher, MatchWriter* writer, ReplaceState* state,
              std::function<bool()> renew);

  // Runs the loop over the file. On return the state is finished (the
  // rest of the file and the -B/-T insertion handed to the writer), or
  // failed with the FileError that stopped it early.
  void Run();

 private:
  // What -# makes of a match found. On kSkip the resume offset is set.
  enum class Verdict { kAct, kSkip };

  bool RepeatLastSearch();
  Verdict Select(Match* match);
  Verdict SelectHeldBack(Match* match);
  Verdict SelectLast(const Match& match);
  bool InList(int64_t number) const;
  void SetResumeAfterAct(const Match& match);
  void Act(Match* match);
  void ActOnLine(Match* match);
  void EndOfMatches();
  // The resume offset, from |origin| (the position at the time of the
  // search), for a search that goes on right after |match|.
  int64_t After(const Match& match, int64_t origin) const;

  const Settings& settings_;
  const FileBuffer* buffer_;  // read only: the writer moves the position
  FileSearch search_;         // this file's search with the run's matcher
  MatchWriter* writer_;
  ReplaceState* state_;
  std::function<bool()> renew_;
  Selection selection_ = Selection::kAll;  // -#
  bool modified_lines_only_ = false;       // -M
  bool empty_text_ = false;                // the search text is an anchor alone
  CaseCompare case_compare_;  // for the count of matches differing in case

  // -#:J: the match held back, and the position its offsets count from.
  bool holding_ = false;
  Match held_;
  int64_t held_position_ = 0;
  // -#:L: the search start before the last match found, and the state of
  // the one repeated search for it.
  int64_t last_resume_ = 0;
  bool last_repeated_ = false;
  bool repeat_pending_ = false;
};

}  // namespace swu

#endif  // SWU_SEARCH_REPLACE_LOOP_H_
