// The search rules by brute force.

#include "search/naive_reference.h"

#include <algorithm>

namespace swu {

namespace {

uint8_t At(const std::string& image, int64_t i) {
  return static_cast<uint8_t>(image[static_cast<size_t>(i)]);
}

int64_t Size(const std::string& s) { return static_cast<int64_t>(s.size()); }

uint8_t AsciiLower(uint8_t b) {
  return b >= 'A' && b <= 'Z' ? static_cast<uint8_t>(b + ('a' - 'A')) : b;
}

bool SameByte(const NaiveRules& rules, uint8_t wanted, uint8_t found) {
  if (rules.wildcard >= 0 && wanted == rules.wildcard) return true;
  if (rules.case_sensitive) return wanted == found;
  return AsciiLower(wanted) == AsciiLower(found);
}

// The length of the line break that begins at |q|: 2 for CR LF, 1 for an
// LF with no CR before it, else 0.
int64_t BreakLength(const std::string& image, int64_t q) {
  if (q >= Size(image)) return 0;
  if (At(image, q) == '\r') {
    return q + 1 < Size(image) && At(image, q + 1) == '\n' ? 2 : 0;
  }
  if (At(image, q) != '\n') return 0;
  return q > 0 && At(image, q - 1) == '\r' ? 0 : 1;
}

bool IsWordByte(uint8_t b) {
  return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') ||
         (b >= 'a' && b <= 'z') || b == '_';
}

// Neither the byte before [s, end) nor the one after it is a word byte.
bool StandsAlone(const std::string& image, int64_t s, int64_t end) {
  if (s > 0 && IsWordByte(At(image, s - 1))) return false;
  return end >= Size(image) || !IsWordByte(At(image, end));
}

bool MatchesAt(const NaiveRules& rules, const std::string& image, int64_t s) {
  int64_t length = Size(rules.text);
  if (length == 0 && s >= Size(image)) return false;
  if (s + length > Size(image)) return false;
  for (int64_t i = 0; i < length; ++i) {
    if (!SameByte(rules, At(rules.text, i), At(image, s + i))) return false;
  }
  if (rules.start_anchor && s > 0 && At(image, s - 1) != '\n') return false;
  if (rules.end_anchor) {
    int64_t after = s + length;
    if (after >= Size(image)) return false;
    if (At(image, after) != '\r' && BreakLength(image, after) != 1) {
      return false;
    }
  }
  return !rules.word || StandsAlone(image, s, s + length);
}

// A match in absolute indexes.
struct Place {
  int64_t start;       // where the search text lies
  int64_t begin, end;  // the consumed region
  int64_t line_begin;  // the line of the match, from its first byte ...
  int64_t line_end;    // ... to past its line break
};

Place PlaceAt(const NaiveRules& rules, const std::string& image,
              int64_t position, int64_t s) {
  Match m = NaiveMatchAt(rules, image, position, s);
  return {s, position + m.offset, position + m.offset + m.consumed,
          position + m.line_offset,
          position + m.line_offset + m.line_length + m.line_break};
}

// Where the search goes on after |p|: past its region, or one byte on when
// the region is empty; after an empty search text one byte after the place
// it matched, so that a line mode never takes the same line twice.
int64_t After(const NaiveRules& rules, const Place& p) {
  if (rules.text.empty()) return p.start + 1;
  return std::max(p.end, p.begin + 1);
}

bool Chosen(const NaiveSelection& selection, int64_t number, int64_t total) {
  switch (selection.mode) {
    case Selection::kList:
      return std::count(selection.numbers.begin(), selection.numbers.end(),
                        number) > 0;
    case Selection::kOdd:
      return number % 2 == 1;
    case Selection::kEven:
      return number % 2 == 0;
    case Selection::kAllButFirst:
      return number > 1;
    case Selection::kLast:
      return number == total;
    case Selection::kReportOnly:
    case Selection::kReportRepeat:
      return false;
    default:
      return true;
  }
}

// The matches acted on, in file order. -#:J acts on each match when the
// next one is found, unless an earlier match's region already took its
// start.
std::vector<Place> ActedOn(const NaiveRules& rules,
                           const NaiveSelection& selection,
                           const std::string& image) {
  int64_t total = 0;  // -#:L: the number of the last match
  for (int64_t s = NaiveFind(rules, image, 0); s >= 0;
       s = NaiveFind(rules, image, After(rules, PlaceAt(rules, image, 0, s)))) {
    ++total;
  }
  std::vector<Place> acted;
  int64_t position = 0;
  int64_t from = 0;
  int64_t number = 0;
  bool holding = false;
  Place held{};
  for (;;) {
    int64_t s = NaiveFind(rules, image, std::max(from, position));
    if (s < 0) break;
    Place p = PlaceAt(rules, image, position, s);
    ++number;
    Place* act = nullptr;
    if (selection.mode == Selection::kAllButLast) {
      if (holding && held.begin >= position) act = &held;
    } else if (Chosen(selection, number, total)) {
      act = &p;
    }
    if (act != nullptr) {
      acted.push_back(*act);
      position = act->end;
    }
    held = p;
    holding = true;
    from = After(rules, p);
  }
  return acted;
}

}  // namespace

int64_t NaiveFind(const NaiveRules& rules, const std::string& image,
                  int64_t from) {
  for (int64_t s = from; s <= Size(image); ++s) {
    if (MatchesAt(rules, image, s)) return s;
  }
  return -1;
}

Match NaiveMatchAt(const NaiveRules& rules, const std::string& image,
                   int64_t position, int64_t s) {
  const int64_t length = Size(rules.text);
  Match m;
  m.offset = s - position;
  m.consumed = length;
  m.start = s;
  if (rules.line_mode == LineMode::kOff &&
      rules.line_filter == LineFilter::kAll) {
    return m;
  }
  // The line starts after the last LF from s back to the position; an
  // empty text covers no byte, so the byte at s is not part of its line.
  int64_t line_begin = position;
  for (int64_t q = length > 0 ? s : s - 1; q >= position; --q) {
    if (At(image, q) == '\n') {
      line_begin = q + 1;
      break;
    }
  }
  // It ends where the first line break after the text begins.
  int64_t line_end = Size(image);
  int64_t line_break = 0;
  for (int64_t q = s + length; q < Size(image); ++q) {
    if (BreakLength(image, q) > 0) {
      line_end = q;
      line_break = BreakLength(image, q);
      break;
    }
  }
  m.line_offset = line_begin - position;
  m.line_length = line_end - line_begin;
  m.line_break = line_break;
  int64_t begin = rules.line_mode == LineMode::kKeepLeft ? s : line_begin;
  int64_t end = rules.line_mode == LineMode::kKeepRight ? s + length : line_end;
  if (rules.line_mode != LineMode::kOff ||
      rules.line_filter == LineFilter::kUnmodifiedOnly) {
    m.offset = begin - position;
    m.consumed = end - begin;
  }
  // A line that -D empties goes with its break.
  if (rules.line_mode == LineMode::kWhole && rules.new_text_empty &&
      line_break > 0) {
    m.consumed += line_break;
    m.line_end_taken = true;
  }
  return m;
}

std::string NaiveResult(const NaiveRules& rules,
                        const NaiveSelection& selection,
                        const std::string& image) {
  std::vector<Place> acted = ActedOn(rules, selection, image);
  // -M keeps only the lines of acted-on matches.
  std::vector<bool> keep(image.size(), true);
  if (rules.line_filter == LineFilter::kModifiedOnly && !acted.empty()) {
    keep.assign(image.size(), false);
    for (const Place& p : acted) {
      for (int64_t i = p.line_begin; i < p.line_end; ++i) {
        keep[static_cast<size_t>(i)] = true;
      }
    }
  }
  std::string result;
  size_t next = 0;
  for (int64_t i = 0; i <= Size(image);) {
    if (next < acted.size() && acted[next].begin == i) {
      const Place& p = acted[next++];
      result += "[" +
                image.substr(static_cast<size_t>(p.begin),
                             static_cast<size_t>(p.end - p.begin)) +
                "]";
      i = p.end;
      continue;
    }
    if (i == Size(image)) break;
    if (keep[static_cast<size_t>(i)]) result += image[static_cast<size_t>(i)];
    ++i;
  }
  return result;
}

std::string DescribeMatch(bool found, const Match& m) {
  if (!found) return "none";
  return "offset " + std::to_string(m.offset) + " consumed " +
         std::to_string(m.consumed) + " start " + std::to_string(m.start) +
         " line " + std::to_string(m.line_offset) + "+" +
         std::to_string(m.line_length) + "+" + std::to_string(m.line_break) +
         (m.line_end_taken ? " taken" : "");
}

}  // namespace swu
