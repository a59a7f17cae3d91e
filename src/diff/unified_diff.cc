// Rendering a unified diff from regions of whole lines.

#include "diff/unified_diff.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace swu {

namespace {

constexpr int kContext = 3;           // lines of context each side
constexpr size_t kFlushAt = 1 << 16;  // bytes collected before a write
const char kNoFile[] = "/dev/null";   // the old side of a created file

// Terminal colours (--color), as diff tools commonly use them.
const char kBold[] = "\x1b[1m";   // file headers
const char kHunk[] = "\x1b[36m";  // @@ lines
const char kOld[] = "\x1b[31m";   // removed lines
const char kNew[] = "\x1b[32m";   // added lines
const char kPlain[] = "\x1b[m";   // back to normal

// Line breaks in |n| bytes. Counted in blocks of a byte counter each, a
// loop that compilers turn into vector instructions: line numbers of a
// large file cost a fraction of its search.
int64_t CountBreaks(const char* p, int64_t n) {
  constexpr int kBlock = 240;  // a byte counter never overflows
  int64_t total = 0;
  for (; n >= kBlock; p += kBlock, n -= kBlock) {
    uint8_t count = 0;
    for (int i = 0; i < kBlock; ++i) count += p[i] == '\n';
    total += count;
  }
  for (int64_t i = 0; i < n; ++i) total += p[i] == '\n';
  return total;
}

// Lines in |n| bytes that are whole lines but for perhaps the last.
int64_t LinesIn(const char* text, int64_t n) {
  int64_t count = CountBreaks(text, n);
  if (n > 0 && text[n - 1] != '\n') ++count;
  return count;
}

int64_t LinesIn(const std::string& text) {
  return LinesIn(text.data(), static_cast<int64_t>(text.size()));
}

// Where the line that holds |at - 1| begins, looking back no further than
// |floor| (returned when no break lies between).
int64_t LineStartBefore(const char* text, int64_t at, int64_t floor) {
  for (int64_t i = at - 1; i > floor; --i) {
    if (text[i - 1] == '\n') return i;
  }
  return floor;
}

// The start of the line after the one at |at|, or |size|.
int64_t NextLineStart(const char* text, int64_t size, int64_t at) {
  if (at >= size) return size;
  const void* lf = memchr(text + at, '\n', static_cast<size_t>(size - at));
  if (lf == nullptr) return size;
  return static_cast<const char*>(lf) - text + 1;
}

// One hunk: its lines of the old text, context included, and how many
// regions it joins.
struct Hunk {
  int64_t begin = 0;
  int64_t end = 0;
  int64_t regions = 0;
  int64_t line_change = 0;  // new lines minus old lines
};

// The first pass: groups the regions into hunks, each widened by the
// context lines and merged with the one before when their contexts meet,
// and notes whether a printed line would hold a NUL byte.
class Planner {
 public:
  Planner(const char* old_text, int64_t size) : old_(old_text), size_(size) {}

  void Add(const DiffRegion& r) {
    int64_t floor = hunks_.empty() ? 0 : hunks_.back().end;
    int64_t begin = std::max(floor, r.old_begin);
    for (int k = 0; k < kContext && begin > floor; ++k) {
      begin = LineStartBefore(old_, begin, floor);
    }
    int64_t end = r.old_end;
    for (int k = 0; k < kContext; ++k) end = NextLineStart(old_, size_, end);
    if (hunks_.empty() || begin > hunks_.back().end) {
      hunks_.push_back(Hunk{begin, end, 0, 0});
    }
    Hunk& h = hunks_.back();
    h.end = end;
    ++h.regions;
    h.line_change += LinesIn(r.new_text) -
                     LinesIn(old_ + r.old_begin, r.old_end - r.old_begin);
    if (r.new_text.find('\0') != std::string::npos) nul_ = true;
  }

  // True when a line that the diff prints holds a NUL byte.
  bool PrintsNul() const {
    if (nul_) return true;
    for (const Hunk& h : hunks_) {
      if (memchr(old_ + h.begin, 0, static_cast<size_t>(h.end - h.begin))) {
        return true;
      }
    }
    return false;
  }

  const std::vector<Hunk>& hunks() const { return hunks_; }

 private:
  const char* old_;
  int64_t size_;
  std::vector<Hunk> hunks_;
  bool nul_ = false;
};

// A name as git prints it: in double quotes with C escapes when it holds
// a quote, a backslash or a control byte; followed by a tab in the ---
// and +++ lines when it holds a blank, so that patch reads the blank as
// part of the name.
std::string QuotedName(const std::string& name, bool tab = true) {
  bool quote = false;
  for (unsigned char c : name) {
    if (c == '"' || c == '\\' || c < 0x20 || c == 0x7F) quote = true;
  }
  if (!quote) {
    return tab && name.find(' ') != std::string::npos ? name + "\t" : name;
  }
  std::string out = "\"";
  for (unsigned char c : name) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c < 0x20 || c == 0x7F) {
      char octal[8];
      snprintf(octal, sizeof(octal), "\\%03o", c);
      out += octal;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

// The second pass: formats the planned hunks, the regions handed to it
// one by one, into pieces for the output.
class Renderer {
 public:
  Renderer(const char* old_text, const std::vector<Hunk>& hunks, bool color,
           DiffOutput* out)
      : old_(old_text), hunks_(hunks), color_(color), out_(out) {}

  void GitHeader(const DiffNames& names);
  void Names(const DiffNames& names);
  void Colored(const char* color, const std::string& line);
  void Add(const DiffRegion& r);
  void Put(const char* data, int64_t n) {
    pending_.append(data, static_cast<size_t>(n));
    if (pending_.size() >= kFlushAt) Flush();
  }
  void Put(const std::string& text) {
    Put(text.data(), static_cast<int64_t>(text.size()));
  }
  void Flush() {
    if (!pending_.empty()) {
      out_->Write(pending_.data(), static_cast<int64_t>(pending_.size()));
    }
    pending_.clear();
  }

 private:
  void Header(const Hunk& h);
  void Lines(char mark, const char* data, int64_t n);

  const char* old_;
  const std::vector<Hunk>& hunks_;
  bool color_;  // --color: lines in terminal colours
  DiffOutput* out_;
  size_t hunk_ = 0;         // the hunk being printed
  int64_t left_ = 0;        // its regions still to come
  int64_t at_ = 0;          // the old text printed up to here
  int64_t line_ = 0;        // the line that starts at counted_
  int64_t counted_ = 0;     // breaks counted up to here
  int64_t line_shift_ = 0;  // new lines minus old lines of earlier hunks
  std::string pending_;
};

// "diff --git a/PATH b/PATH", and for a created file the mode git gives
// a new ordinary file.
void Renderer::GitHeader(const DiffNames& names) {
  bool created = names.old_name == kNoFile;
  std::string old_name =
      created ? "a/" + names.new_name.substr(2) : names.old_name;
  Colored(kBold, "diff --git " + QuotedName(old_name, false) + " " +
                     QuotedName(names.new_name, false));
  if (created) Colored(kBold, "new file mode 100644");
}

void Renderer::Names(const DiffNames& names) {
  Colored(kBold, "--- " + QuotedName(names.old_name));
  Colored(kBold, "+++ " + QuotedName(names.new_name));
}

// A line of the diff's own (not of a file) and its break; with colour on,
// in |color|.
void Renderer::Colored(const char* color, const std::string& line) {
  if (color_) Put(std::string(color));
  Put(line);
  if (color_) Put(std::string(kPlain));
  Put("\n", 1);
}

// Each line of |data| with |mark| before it; a last line without a break
// gets one, and the note that the file has none there.
void Renderer::Lines(char mark, const char* data, int64_t n) {
  const char* end = data + n;
  while (data < end) {
    const void* lf = memchr(data, '\n', static_cast<size_t>(end - data));
    const char* next = lf == nullptr ? end : static_cast<const char*>(lf) + 1;
    const char* color = mark == '-' ? kOld : mark == '+' ? kNew : nullptr;
    if (color_ && color != nullptr) Put(std::string(color));
    Put(&mark, 1);
    Put(data, (lf == nullptr ? end : next - 1) - data);
    if (color_ && color != nullptr) Put(std::string(kPlain));
    Put("\n", 1);
    if (lf == nullptr) Put(std::string("\\ No newline at end of file\n"));
    data = next;
  }
}

void Renderer::Header(const Hunk& h) {
  line_ += CountBreaks(old_ + counted_, h.begin - counted_);
  counted_ = h.begin;
  int64_t old_count = LinesIn(old_ + h.begin, h.end - h.begin);
  int64_t new_count = old_count + h.line_change;
  // A side without lines names the line before the hunk.
  int64_t old_start = line_ + (old_count > 0 ? 1 : 0);
  int64_t new_start = line_ + line_shift_ + (new_count > 0 ? 1 : 0);
  line_shift_ += h.line_change;
  char header[96];
  snprintf(header, sizeof(header),
           "@@ -%" PRId64 ",%" PRId64 " +%" PRId64 ",%" PRId64 " @@", old_start,
           old_count, new_start, new_count);
  Colored(kHunk, header);
}

void Renderer::Add(const DiffRegion& r) {
  if (left_ == 0) {
    const Hunk& h = hunks_[hunk_];
    Header(h);
    at_ = h.begin;
    left_ = h.regions;
  }
  Lines(' ', old_ + at_, r.old_begin - at_);
  Lines('-', old_ + r.old_begin, r.old_end - r.old_begin);
  Lines('+', r.new_text.data(), static_cast<int64_t>(r.new_text.size()));
  at_ = r.old_end;
  if (--left_ == 0) {
    Lines(' ', old_ + at_, hunks_[hunk_].end - at_);  // Context after.
    ++hunk_;
  }
}

// True when |a| and |b| name the same path: where the separator is '\\'
// (Windows) regardless of the case of ASCII letters ("c:\\w" is "C:\\W").
bool SameNames(const std::string& a, const std::string& b, char separator) {
  if (separator != '\\') return a == b;
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return tolower(static_cast<unsigned char>(x)) ==
           tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

bool WriteUnifiedDiff(const char* old_text, int64_t old_size,
                      const RegionSource& regions, const DiffNames& names,
                      bool color, DiffOutput* out) {
  Planner plan(old_text, old_size);
  regions([&plan](const DiffRegion& r) { plan.Add(r); });
  // The caller names a binary change elsewhere: a "Binary files ...
  // differ" line in the diff would do harm, as git apply takes one after
  // a git header without hunks (a created empty file) for that file's
  // binary patch, and refuses the whole diff.
  if (plan.PrintsNul()) return false;
  bool created = names.old_name == kNoFile;
  // Nothing changes; a created file that stays empty has only its git
  // header, which creates it.
  if (plan.hunks().empty() && !created) return true;
  Renderer render(old_text, plan.hunks(), color, out);
  render.GitHeader(names);
  if (!plan.hunks().empty()) {
    render.Names(names);
    regions([&render](const DiffRegion& r) { render.Add(r); });
  }
  render.Flush();
  return true;
}

bool HasRegions(const RegionSource& regions) {
  bool any = false;
  regions([&any](const DiffRegion&) { any = true; });
  return any;
}

bool RegionBetween(const std::string& old_text, const std::string& new_text,
                   DiffRegion* region) {
  if (old_text == new_text) return false;
  size_t shorter = std::min(old_text.size(), new_text.size());
  size_t prefix = 0;
  while (prefix < shorter && old_text[prefix] == new_text[prefix]) ++prefix;
  size_t suffix = 0;
  while (suffix < shorter - prefix &&
         old_text[old_text.size() - 1 - suffix] ==
             new_text[new_text.size() - 1 - suffix]) {
    ++suffix;
  }
  // Both ends move to line starts inside the common parts.
  int64_t begin =
      LineStartBefore(old_text.data(), static_cast<int64_t>(prefix) + 1, 0);
  if (prefix == 0) begin = 0;
  size_t kept = 0;  // common bytes after the region
  size_t from = old_text.size() - suffix;
  size_t lf = old_text.find('\n', from);
  if (lf != std::string::npos) kept = old_text.size() - lf - 1;
  region->old_begin = begin;
  region->old_end = static_cast<int64_t>(old_text.size() - kept);
  region->new_text =
      new_text.substr(static_cast<size_t>(begin),
                      new_text.size() - kept - static_cast<size_t>(begin));
  return true;
}

bool DiffPathFor(std::string path, std::string current, char separator,
                 std::string* name) {
  std::replace(path.begin(), path.end(), separator, '/');
  std::replace(current.begin(), current.end(), separator, '/');
  if (!current.empty() && current.back() != '/') current += '/';
  if (!current.empty() && path.size() >= current.size() &&
      SameNames(path.substr(0, current.size()), current, separator)) {
    path.erase(0, current.size());
  }
  if (!path.empty() && path[0] == '/') {
    *name = path;
    return false;  // Absolute, outside the current directory.
  }
  name->clear();
  bool inside = true;
  size_t at = 0;
  while (at <= path.size()) {
    size_t end = std::min(path.find('/', at), path.size());
    std::string component = path.substr(at, end - at);
    at = end + 1;
    if (component.empty() || component == ".") continue;
    if (component == "..") inside = false;
    if (separator == '\\' && component.find(':') != std::string::npos)
      inside = false;
    if (!name->empty()) *name += '/';
    *name += component;
  }
  return inside;
}

}  // namespace swu
