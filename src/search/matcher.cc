// The matcher: byte rule, leading wildcards, anchors and line widening.

#include "search/matcher.h"

#include <cstring>

#include "search/line_break.h"

namespace swu {

namespace {

bool IsLetter(uint8_t b) {
  return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}

// Searches at most this many bytes of a long search text for the rarest.
constexpr int64_t kScanChoiceWindow = 256;

// Longer exact texts are compared with memcmp.
constexpr int64_t kInlineCompare = 32;

}  // namespace

Matcher::Matcher(const Settings& settings) {
  const uint8_t* text =
      reinterpret_cast<const uint8_t*>(settings.search_text());
  length_ = settings.search_length;
  uint8_t wildcard = settings.wildcard();
  bool case_sensitive = settings.case_sensitive();
  mask_.resize(static_cast<size_t>(length_));
  value_.resize(static_cast<size_t>(length_));
  exact_ = true;
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
    if (mask != 0xFF) exact_ = false;
  }
  start_anchor_ = settings.start_anchor();
  end_anchor_ = settings.end_anchor();
  LineMode line_mode = settings.line_mode();
  line_mode_ = line_mode != LineMode::kOff;
  line_sub_ = line_mode == LineMode::kOff || line_mode == LineMode::kWhole
                  ? 0
                  : static_cast<char>(line_mode);
  line_filter_ = static_cast<char>(settings.line_filter());
  new_text_empty_ = settings.new_length == 0;
  ChooseScanByte();
}

void Matcher::ChooseScanByte() {
  int64_t k = 0;
  while (k < length_ && mask_[k] == 0) ++k;
  if (k == length_) return;  // All wildcards: no byte to scan for.
  int best_cost = 0;
  int64_t limit =
      length_ < k + kScanChoiceWindow ? length_ : k + kScanChoiceWindow;
  for (int64_t i = k; i < limit; ++i) {
    if (mask_[i] == 0) continue;
    uint8_t b = value_[i];
    int cost = ByteFrequency(b);
    if (mask_[i] == 0xDF) cost = (cost + ByteFrequency(b | 0x20)) * 5 / 4;
    if (scan_index_ < 0 || cost < best_cost) {
      scan_index_ = i;
      best_cost = cost;
    }
  }
  uint8_t b = value_[scan_index_];
  bool letter = mask_[scan_index_] == 0xDF;
  scan_ = ByteScan(b, static_cast<uint8_t>(b | 0x20), letter);
}

void Matcher::FindNextMatch(const FileBuffer& buffer, int64_t resume,
                            Match* match) {
  *match = Match();
  match->consumed = length_;
  int64_t s = FindText(buffer, buffer.position + resume);
  if (s < 0) return;  // No further match.
  match->offset = s - buffer.position;
  match->start = s;
  if (line_mode_ || line_filter_ != 0) WidenToLine(buffer, s, match);
}

int64_t Matcher::FindText(const FileBuffer& buffer, int64_t from) {
  if (from >= buffer.end) return -1;
  if (scan_index_ < 0) return FindAllWildcards(buffer, from);
  const uint8_t* data = buffer.bytes();
  int64_t j = scan_index_;
  // A byte found at q starts a candidate at q - j, which needs q - j + L
  // <= end.
  int64_t limit = buffer.end - length_ + j + 1;
  int64_t q = from + j;
  while (q < limit) {
    q = scan_.Find(data, q, limit);
    if (q < 0) return -1;
    int64_t s = q - j;
    if (BytesMatch(data, s) && AnchorsHold(buffer, s)) return s;
    ++q;
  }
  return -1;
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
  if (!start_anchor_ || AnchorsHold(buffer, from)) return from;
  // The next line start is the byte after the next LF at or after |from|.
  const void* hit = memchr(data + from, '\n', static_cast<size_t>(last - from));
  if (hit == nullptr) return -1;
  return static_cast<const uint8_t*>(hit) - data + 1;
}

bool Matcher::BytesMatch(const uint8_t* data, int64_t s) const {
  const uint8_t* file = data + s;
  // Short texts compare inline: a call per candidate would cost more.
  if (exact_ && length_ > kInlineCompare) {
    return memcmp(file, value_.data(), static_cast<size_t>(length_)) == 0;
  }
  for (int64_t i = 0; i < length_; ++i) {
    if ((file[i] & mask_[i]) != value_[i]) return false;
  }
  return true;
}

bool Matcher::AnchorsHold(const FileBuffer& buffer, int64_t s) const {
  const uint8_t* data = buffer.bytes();
  if (start_anchor_ && s != buffer.start && data[s - 1] != '\n') return false;
  // The byte after the match must begin a line break: a CR, or an LF that
  // does not directly follow a CR. A match that ends at the end of the file
  // has no byte after it.
  if (end_anchor_) {
    int64_t after = s + length_;
    if (after >= buffer.end) return false;
    if (data[after] == '\r') return true;
    return BreakAt(data, buffer.start, after, buffer.end) == 1;
  }
  return true;
}

void Matcher::WidenToLine(const FileBuffer& buffer, int64_t s,
                          Match* match) const {
  const uint8_t* data = buffer.bytes();
  int64_t position = buffer.position;
  // The line of the match: from the byte after the nearest LF at or before
  // s (never before the position) to the first line break after the text.
  int64_t line_start = s + 1;
  while (line_start > position && data[line_start - 1] != '\n') --line_start;
  int64_t break_length = 0;
  int64_t line_end = FindBreak(data, s + length_, buffer.end, &break_length);
  if (line_end < 0) line_end = buffer.end;
  match->line_offset = line_start - position;
  match->line_length = line_end - line_start;
  match->line_break = break_length;

  // -D:L keeps the left-hand part of the line, -D:R the right-hand part.
  int64_t region_start = line_sub_ == 'L' ? s : line_start;
  int64_t region_end = line_sub_ == 'R' ? s + length_ : line_end;
  if (line_filter_ == 'U' || line_mode_) {
    match->offset = region_start - position;
    match->consumed = region_end - region_start;
  }
  // A line emptied by -D goes with its break, unless a sub-mode keeps it.
  if (line_mode_ && line_sub_ == 0 && break_length > 0 && new_text_empty_) {
    match->consumed += break_length;
    match->line_end_taken = true;
  }
}

}  // namespace swu
