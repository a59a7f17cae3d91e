// The matcher: byte rule, leading wildcards, anchors and line widening.

#include "search/matcher.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "search/line_break.h"

namespace swu {

namespace {

bool IsLetter(uint8_t b) {
  return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}

// The bytes a --word match may not touch: ASCII letters, digits and '_'.
bool IsWordByte(uint8_t b) {
  return IsLetter(b) || (b >= '0' && b <= '9') || b == '_';
}

// Searches at most this many bytes of a long search text for the rarest.
constexpr int64_t kScanChoiceWindow = 256;

// Longer texts may switch to the linear piece search.
constexpr int64_t kInlineCompare = 32;

// Bytes compared per byte that the scan advanced, beyond which a long text
// switches to the piece search.
constexpr int64_t kCompareRatio = 2;

// What a probe byte costs the scan: how often it, or either case of a
// letter, occurs in text.
int ProbeCost(uint8_t value, uint8_t mask) {
  int cost = ByteFrequency(value);
  if (mask == 0xDF) cost += ByteFrequency(static_cast<uint8_t>(value | 0x20));
  return cost;
}

// Eight bytes from |p| as one word, in memory order.
uint64_t Word(const uint8_t* p) {
  uint64_t w;
  memcpy(&w, p, sizeof(w));
  return w;
}

}  // namespace

Matcher::Matcher(const Settings& settings) {
  const uint8_t* text =
      reinterpret_cast<const uint8_t*>(settings.search_text());
  length_ = settings.search_length;
  uint8_t wildcard = settings.wildcard();
  bool case_sensitive = settings.case_sensitive();
  case_sensitive_ = case_sensitive;
  mask_.resize(static_cast<size_t>(length_));
  value_.resize(static_cast<size_t>(length_));
  for (int64_t i = 0; i < length_; ++i) {
    uint8_t b = text[i];
    uint8_t mask = 0xFF;
    if (wildcard != 0 && b == wildcard) {
      mask = 0;
    } else if (!case_sensitive && IsLetter(b)) {
      mask = 0xDF;  // Compare without the case bit.
    }
    mask_[i] = mask;
    value_[i] = b & mask;
  }
  start_anchor_ = settings.start_anchor();
  end_anchor_ = settings.end_anchor();
  word_ = settings.word;
  bounded_ = start_anchor_ || end_anchor_ || word_;
  line_mode_ = settings.line_mode();
  line_filter_ = settings.line_filter();
  new_text_empty_ = settings.new_length == 0;
  ChooseScanByte();
}

void Matcher::ChooseScanByte() {
  int64_t k = 0;
  while (k < length_ && mask_[k] == 0) ++k;
  if (k == length_) return;  // All wildcards: no byte to scan for.
  // The two rarest bytes at different offsets; one alone if only one.
  int64_t best[2] = {-1, -1};
  int cost[2] = {0, 0};
  int64_t limit = std::min(length_, k + kScanChoiceWindow);
  for (int64_t i = k; i < limit; ++i) {
    if (mask_[i] == 0) continue;
    int c = ProbeCost(value_[i], mask_[i]);
    if (best[0] < 0 || c < cost[0]) {
      best[1] = best[0];
      cost[1] = cost[0];
      best[0] = i;
      cost[0] = c;
    } else if (best[1] < 0 || c < cost[1]) {
      best[1] = i;
      cost[1] = c;
    }
  }
  if (best[1] < 0) best[1] = best[0];
  for (int n = 0; n < 2; ++n) {
    probes_[n].offset = best[n];
    probes_[n].fold = mask_[best[n]] == 0xDF;
    probes_[n].value =
        static_cast<uint8_t>(value_[best[n]] | (probes_[n].fold ? 0x20 : 0));
  }
  scan_index_ = best[0];
}

const std::vector<Matcher::Piece>& Matcher::Pieces() {
  if (!pieces_.empty()) return pieces_;  // Built by an earlier file.
  for (int64_t i = 0; i < length_;) {
    if (mask_[i] == 0) {
      ++i;
      continue;
    }
    int64_t begin = i;
    while (i < length_ && mask_[i] != 0) ++i;
    pieces_.push_back({begin, TwoWayPiece(value_.data() + begin, i - begin,
                                          case_sensitive_)});
  }
  // The longest piece is the likeliest to move the start far.
  std::stable_sort(pieces_.begin(), pieces_.end(),
                   [](const Piece& a, const Piece& b) {
                     return a.bytes.length() > b.bytes.length();
                   });
  return pieces_;
}

FileSearch::FileSearch(Matcher* matcher)
    : matcher_(matcher), candidates_(matcher->probes_[0], matcher->probes_[1]) {
  assert(matcher != nullptr);
}

bool FileSearch::FindNextMatch(const FileBuffer& buffer, int64_t resume,
                               Match* match) {
  assert(resume >= 0);
  const Matcher& m = *matcher_;
  const int64_t from = buffer.position + resume;
  int64_t s = FindText(buffer, from);
  if (s < 0) return false;  // No further match.
  // A match starts at or after the search start and lies in the image.
  assert(s >= from && s + m.length_ <= buffer.end);
  *match = Match();
  match->consumed = m.length_;
  match->offset = s - buffer.position;
  match->start = s;
  if (m.line_mode_ != LineMode::kOff || m.line_filter_ != LineFilter::kAll) {
    m.WidenToLine(buffer, s, match);
  }
  return true;
}

int64_t FileSearch::FindText(const FileBuffer& buffer, int64_t from) {
  const Matcher& m = *matcher_;
  if (from >= buffer.end) return -1;
  if (m.scan_index_ < 0) return m.FindAllWildcards(buffer, from);
  if (by_pieces_) return FindByPieces(buffer, from);
  const uint8_t* data = buffer.bytes();
  // The last start that leaves room for the text.
  int64_t last = buffer.end - m.length_;
  for (int64_t s = from; s <= last; ++s) {
    s = candidates_.Find(data, s, last);
    if (s < 0) return -1;
    int64_t compared = m.MatchedPrefix(data, s);
    if (compared == m.length_ && m.AnchorsHold(buffer, s)) return s;
    if (CompareCostsTooMuch(from, s, compared)) {
      return FindByPieces(buffer, s + 1);
    }
  }
  return -1;
}

// Counts the bytes compared at candidates; true once a long text has
// compared more than kCompareRatio bytes per byte scanned in this file
// (after a start-up allowance), when the switch to the piece search is made.
bool FileSearch::CompareCostsTooMuch(int64_t from, int64_t s,
                                     int64_t compared) {
  const int64_t length = matcher_->length_;
  if (length <= kInlineCompare) return false;  // bounded by 32 per byte
  if (first_from_ < 0) first_from_ = from;
  compare_cost_ += compared + 1;
  int64_t scanned = s - std::min(first_from_, from);  // s >= from
  if (compare_cost_ <= kCompareRatio * scanned + 4 * length) return false;
  by_pieces_ = true;
  return true;
}

int64_t FileSearch::FindByPieces(const FileBuffer& buffer, int64_t from) {
  if (finders_.empty()) {
    for (const Matcher::Piece& piece : matcher_->Pieces()) {
      finders_.emplace_back(&piece.bytes);
    }
  }
  const Matcher& m = *matcher_;
  int64_t last = buffer.end - m.length_;
  for (int64_t s = from; s <= last;) {
    int64_t next = PiecesAgreeFrom(buffer, s);
    if (next < 0) return -1;
    if (next > s) {
      s = next;  // A piece lies further on: no start before it can match.
    } else if (m.AnchorsHold(buffer, s)) {
      return s;
    } else {
      ++s;
    }
  }
  return -1;
}

// Returns |s| when every piece occurs at its offset from s; otherwise the
// start that the first piece found further on gives, or -1 when a piece
// does not occur again.
int64_t FileSearch::PiecesAgreeFrom(const FileBuffer& buffer, int64_t s) {
  const std::vector<Matcher::Piece>& pieces = matcher_->pieces_;
  const uint8_t* data = buffer.bytes();
  const int64_t length = matcher_->length_;
  for (size_t n = 0; n < pieces.size(); ++n) {
    int64_t offset = pieces[n].offset;
    TwoWayFinder& finder = finders_[n];
    int64_t at = s + offset;
    // The piece must end where the rest of the text still fits.
    int64_t limit = buffer.end - length + offset + finder.length();
    int64_t q = finder.Find(data, at, limit);
    if (q != at) return q < 0 ? -1 : q - offset;
  }
  return s;
}

int64_t Matcher::FindAllWildcards(const FileBuffer& buffer,
                                  int64_t from) const {
  const uint8_t* data = buffer.bytes();
  int64_t end = buffer.end;
  // An empty text needs a byte at its place; a longer one needs L bytes.
  int64_t last = length_ == 0 ? end - 1 : end - length_;
  if (from > last) return -1;
  if (end_anchor_) {
    // Candidates end where a CR or an LF stands.
    for (int64_t q = from + length_; q < end; ++q) {
      if (data[q] != '\r' && data[q] != '\n') continue;
      if (AnchorsHold(buffer, q - length_)) return q - length_;
    }
    return -1;
  }
  if (word_) {
    for (int64_t s = from; s <= last; ++s) {
      if (AnchorsHold(buffer, s)) return s;
    }
    return -1;
  }
  if (!start_anchor_ || AnchorsHold(buffer, from)) return from;
  // The next line start is the byte after the next LF at or after |from|.
  const void* hit = memchr(data + from, '\n', static_cast<size_t>(last - from));
  if (hit == nullptr) return -1;
  return static_cast<const uint8_t*>(hit) - data + 1;
}

// The number of leading bytes of the text that match at |s|; L when all.
int64_t Matcher::MatchedPrefix(const uint8_t* data, int64_t s) const {
  const uint8_t* file = data + s;
  const uint8_t* mask = mask_.data();
  const uint8_t* value = value_.data();
  int64_t i = 0;
  // Eight bytes at a time; the byte loop below finds the one that differs.
  for (; i + 8 <= length_; i += 8) {
    if ((Word(file + i) & Word(mask + i)) != Word(value + i)) break;
  }
  for (; i < length_; ++i) {
    if ((file[i] & mask[i]) != value[i]) break;
  }
  return i;
}

bool Matcher::AnchorsHold(const FileBuffer& buffer, int64_t s) const {
  if (!bounded_) return true;  // No anchor and no --word: any start.
  const uint8_t* data = buffer.bytes();
  if (start_anchor_ && s != buffer.start && data[s - 1] != '\n') return false;
  if (end_anchor_ && !EndAnchorHolds(buffer, s)) return false;
  return !word_ || AtWordBounds(buffer, s);
}

// The byte after the match must begin a line break: a CR, or an LF that
// does not directly follow a CR. A match that ends at the end of the file
// has no byte after it.
bool Matcher::EndAnchorHolds(const FileBuffer& buffer, int64_t s) const {
  const uint8_t* data = buffer.bytes();
  int64_t after = s + length_;
  if (after >= buffer.end) return false;
  if (data[after] == '\r') return true;
  return BreakAt(data, buffer.start, after, buffer.end) == 1;
}

bool Matcher::AtWordBounds(const FileBuffer& buffer, int64_t s) const {
  const uint8_t* data = buffer.bytes();
  int64_t after = s + length_;
  if (s > buffer.start && IsWordByte(data[s - 1])) return false;
  return after >= buffer.end || !IsWordByte(data[after]);
}

void Matcher::WidenToLine(const FileBuffer& buffer, int64_t s,
                          Match* match) const {
  const uint8_t* data = buffer.bytes();
  int64_t position = buffer.position;
  assert(position <= s && s + length_ <= buffer.end);
  // The line of the match: from the byte after the nearest LF at or before
  // s (never before the position) to the first line break after the text.
  // An empty text covers no byte: an LF at s ends its line and is not
  // looked at, or the line would start after its own end.
  int64_t line_start = length_ > 0 ? s + 1 : s;
  while (line_start > position && data[line_start - 1] != '\n') --line_start;
  int64_t break_length = 0;
  int64_t line_end = FindBreak(data, s + length_, buffer.end, &break_length);
  if (line_end < 0) line_end = buffer.end;
  match->line_offset = line_start - position;
  match->line_length = line_end - line_start;
  match->line_break = break_length;

  // -D:L keeps the left-hand part of the line, -D:R the right-hand part.
  int64_t region_start = line_mode_ == LineMode::kKeepLeft ? s : line_start;
  int64_t region_end =
      line_mode_ == LineMode::kKeepRight ? s + length_ : line_end;
  if (line_filter_ == LineFilter::kUnmodifiedOnly ||
      line_mode_ != LineMode::kOff) {
    match->offset = region_start - position;
    match->consumed = region_end - region_start;
  }
  // A line emptied by -D goes with its break, unless a sub-mode keeps it.
  if (line_mode_ == LineMode::kWhole && break_length > 0 && new_text_empty_) {
    match->consumed += break_length;
    match->line_end_taken = true;
  }
}

}  // namespace swu
