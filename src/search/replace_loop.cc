// The per-file replace loop and match selection.

#include "search/replace_loop.h"

#include <algorithm>
#include <cassert>

namespace swu {

ReplaceLoop::ReplaceLoop(const Settings& settings, const FileBuffer* buffer,
                         Matcher* matcher, MatchWriter* writer,
                         ReplaceState* state, std::function<bool()> renew)
    : settings_(settings),
      buffer_(buffer),
      search_(matcher),
      writer_(writer),
      state_(state),
      renew_(std::move(renew)),
      case_compare_(settings) {
  selection_ = settings.selection();
  modified_lines_only_ = settings.line_filter() == LineFilter::kModifiedOnly;
  empty_text_ = settings.search_length == 0;
}

void ReplaceLoop::Run() {
  Match match;
  while (state_->running()) {
    if (!search_.FindNextMatch(*buffer_, state_->resume, &match)) {
      if (RepeatLastSearch()) continue;
      EndOfMatches();
      break;
    }
    if (selection_ != Selection::kAll && Select(&match) == Verdict::kSkip) {
      continue;
    }
    Act(&match);
    SetResumeAfterAct(match);
    if (state_->running() && renew_ && !renew_()) {
      state_->Fail(FileError::ReloadFailed);
    }
  }
}

// -#:L: once the search has run out, the last match is found once more.
bool ReplaceLoop::RepeatLastSearch() {
  if (selection_ != Selection::kLast || state_->found == 0 || last_repeated_) {
    return false;
  }
  last_repeated_ = true;
  repeat_pending_ = true;
  state_->resume = last_resume_;
  return true;
}

ReplaceLoop::Verdict ReplaceLoop::Select(Match* match) {
  if (selection_ == Selection::kLast && last_repeated_) {
    return SelectLast(*match);
  }
  int64_t number = ++state_->found;
  bool act = true;
  switch (selection_) {
    case Selection::kList:
      act = InList(number);
      break;
    case Selection::kOdd:
      act = number % 2 == 1;
      break;
    case Selection::kEven:
      act = number % 2 == 0;
      break;
    case Selection::kAllButFirst:
      act = number != 1;
      break;
    case Selection::kReportOnly:
    case Selection::kReportRepeat:
      act = false;
      break;
    case Selection::kAllButLast:
      return SelectHeldBack(match);
    case Selection::kLast:
      last_resume_ = state_->resume;
      act = false;
      break;
    case Selection::kAll:
    case Selection::kCount:
      break;  // -# alone only counts.
  }
  if (act) return Verdict::kAct;
  state_->resume = After(*match, buffer_->position);
  assert(state_->resume > 0);  // A skipped match moves the search on.
  return Verdict::kSkip;
}

// The repeated search's find is the last match; it is not counted again.
ReplaceLoop::Verdict ReplaceLoop::SelectLast(const Match& match) {
  if (repeat_pending_) {
    repeat_pending_ = false;
    return Verdict::kAct;
  }
  state_->resume = After(match, buffer_->position);
  return Verdict::kSkip;
}

// -#:J: each match is held back, and the one held before it is acted on in
// its place, so the last match found is never acted on.
ReplaceLoop::Verdict ReplaceLoop::SelectHeldBack(Match* match) {
  const int64_t position = buffer_->position;
  Match previous = held_;
  int64_t shift = held_position_ - position;
  bool had_one = holding_;
  held_ = *match;
  held_position_ = position;
  holding_ = true;
  previous.offset += shift;
  previous.line_offset += shift;
  // A match whose start the last emission already consumed (-O) is not
  // acted on.
  if (!had_one || previous.offset < 0) {
    state_->resume = After(held_, position);
    return Verdict::kSkip;
  }
  *match = previous;
  return Verdict::kAct;
}

bool ReplaceLoop::InList(int64_t number) const {
  const MatchList& list = settings_.match_list;
  for (int32_t i = 0; i <= list.last && i < MatchList::kCapacity; ++i) {
    if (list.entries[i] == number) return true;
  }
  return false;
}

int64_t ReplaceLoop::After(const Match& match, int64_t origin) const {
  // After an empty search text the search goes on one byte past the place
  // it matched, even when a line mode widened the match to its line: the
  // next search would otherwise find the same place, and the same line,
  // again.
  if (empty_text_) return match.start + 1 - origin;
  // A zero-length match moves the search one byte on.
  return match.offset + std::max<int64_t>(match.consumed, 1);
}

void ReplaceLoop::SetResumeAfterAct(const Match& match) {
  if (selection_ == Selection::kAllButLast) {
    int64_t resume =
        held_position_ + After(held_, held_position_) - buffer_->position;
    state_->resume = std::max<int64_t>(resume, 0);
    return;
  }
  // The search goes on where the emitter left the position, or one byte
  // on when the match consumed nothing; after an empty search text never
  // before the byte after the place it matched, so that no line is acted
  // on twice.
  int64_t resume = match.consumed == 0 ? 1 : 0;
  if (empty_text_) {
    resume = std::max(resume, match.start + 1 - buffer_->position);
  }
  assert(resume >= 0);
  state_->resume = resume;
}

void ReplaceLoop::Act(Match* match) {
  // A match acted on lies at or after the position: the loop never hands
  // the writer bytes it has passed.
  assert(match->offset >= 0);
  ++state_->acted_on;
  if (case_compare_.applies() &&
      case_compare_.Differs(buffer_->bytes() + match->start)) {
    ++state_->case_differs;
  }
  if (modified_lines_only_) {
    ActOnLine(match);
    return;
  }
  writer_->PassUnchanged(match->offset);
  match->consumed = writer_->WriteAtMatch(*match);
}

// -M: only lines with an acted-on match reach the output. The rest of a
// match's line is held as the pending tail until it is known whether the
// next match lies in the same line.
void ReplaceLoop::ActOnLine(Match* match) {
  const int64_t origin = buffer_->position;
  const int64_t offset = match->offset;
  int64_t line_offset =
      std::min(std::max<int64_t>(match->line_offset, 0), offset);
  assert(0 <= line_offset && line_offset <= offset);
  if (state_->pending_tail > 0 && offset >= state_->pending_tail) {
    // The match is in a later line.
    writer_->CopyThrough(state_->pending_tail);
    line_offset = std::max(line_offset, state_->pending_tail);
  } else if (state_->pending_tail > 0) {
    // The same line: the bytes since the last match are part of it, even
    // when the match begins with the LF that ends it.
    line_offset = 0;
  }
  writer_->Drop(origin + line_offset - buffer_->position);
  writer_->CopyThrough(offset - line_offset);
  match->consumed = writer_->WriteAtMatch(*match);
  int64_t line_end =
      match->line_offset + match->line_length + match->line_break;
  state_->pending_tail =
      std::max<int64_t>(line_end - offset - match->consumed, 0);
}

void ReplaceLoop::EndOfMatches() {
  if (modified_lines_only_) {
    writer_->CopyThrough(state_->pending_tail);
    state_->pending_tail = 0;
    // Lines after the last modified one are dropped.
    if (state_->acted_on > 0) writer_->DropRest();
  }
  state_->finished = true;
  writer_->FinishMatches();
}

}  // namespace swu
