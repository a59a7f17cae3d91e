// Rendering a unified diff from regions of whole lines.

#include "output/unified_diff.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace swu {

namespace {

constexpr int kContext = 3;           // lines of context each side
constexpr size_t kFlushAt = 1 << 16;  // bytes collected before a write
const char kNoFile[] = "/dev/null";   // the old side of a created file

// The lines around and between the regions of one hunk.
struct Hunk {
  int64_t begin = 0;  // first context line
  int64_t end = 0;    // end of the last context line
  size_t first = 0;   // its regions: [first, last]
  size_t last = 0;
};

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

// Counts the breaks of the old text from the start up to an offset that
// only grows from call to call.
class LineCounter {
 public:
  explicit LineCounter(const char* text) : text_(text) {}

  // The number of the line (from 0) that starts at |at|.
  int64_t LineAt(int64_t at) {
    line_ += std::count(text_ + offset_, text_ + at, '\n');
    offset_ = at;
    return line_;
  }

 private:
  const char* text_;
  int64_t offset_ = 0;
  int64_t line_ = 0;
};

// Lines in |n| bytes that are whole lines but for perhaps the last.
int64_t LinesIn(const char* text, int64_t n) {
  int64_t count = std::count(text, text + n, '\n');
  if (n > 0 && text[n - 1] != '\n') ++count;
  return count;
}

// Formats the diff into pieces for the output.
class Renderer {
 public:
  Renderer(const char* old_text, int64_t old_size, DiffOutput* out)
      : old_(old_text), size_(old_size), out_(out), lines_(old_text) {}

  void GitHeader(const DiffNames& names);
  void Name(const char* prefix, const std::string& name);
  void Hunk(const std::vector<DiffRegion>& regions, const swu::Hunk& hunk);
  void Line(const char* data, int64_t n) { Put(data, n); }
  void Flush() {
    if (!pending_.empty()) out_->Write(pending_.data(), pending_.size());
    pending_.clear();
  }

 private:
  void Put(const char* data, int64_t n) {
    pending_.append(data, static_cast<size_t>(n));
    if (pending_.size() >= kFlushAt) Flush();
  }
  void Put(const char* text) { Put(text, static_cast<int64_t>(strlen(text))); }
  void Lines(char mark, const char* data, int64_t n);

  const char* old_;
  int64_t size_;
  DiffOutput* out_;
  LineCounter lines_;
  int64_t line_shift_ = 0;  // new lines minus old lines of earlier hunks
  std::string pending_;
};

// A name as git prints it: in double quotes with C escapes when it holds
// a quote, a backslash or a control byte; followed by a tab when it holds
// a blank, so that patch reads the blank as part of the name.
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

// "diff --git a/PATH b/PATH", and for a created file the mode git gives
// a new ordinary file.
void Renderer::GitHeader(const DiffNames& names) {
  bool created = names.old_name == kNoFile;
  std::string old_name =
      created ? "a/" + names.new_name.substr(2) : names.old_name;
  Put("diff --git ");
  Put(QuotedName(old_name, false).c_str());
  Put(" ");
  Put(QuotedName(names.new_name, false).c_str());
  Put("\n");
  if (created) Put("new file mode 100644\n");
}

void Renderer::Name(const char* prefix, const std::string& name) {
  Put(prefix);
  Put(QuotedName(name).c_str());
  Put("\n");
}

// Each line of |data| with |mark| before it; a last line without a break
// gets one, and the note that the file has none there.
void Renderer::Lines(char mark, const char* data, int64_t n) {
  const char* end = data + n;
  while (data < end) {
    const void* lf = memchr(data, '\n', static_cast<size_t>(end - data));
    const char* next = lf == nullptr ? end : static_cast<const char*>(lf) + 1;
    Put(&mark, 1);
    Put(data, next - data);
    if (lf == nullptr) Put("\n\\ No newline at end of file\n");
    data = next;
  }
}

void Renderer::Hunk(const std::vector<DiffRegion>& regions,
                    const swu::Hunk& hunk) {
  int64_t first_line = lines_.LineAt(hunk.begin);
  int64_t old_count = LinesIn(old_ + hunk.begin, hunk.end - hunk.begin);
  int64_t new_count = old_count;
  for (size_t i = hunk.first; i <= hunk.last; ++i) {
    const DiffRegion& r = regions[i];
    new_count +=
        LinesIn(r.new_text.data(), static_cast<int64_t>(r.new_text.size())) -
        LinesIn(old_ + r.old_begin, r.old_end - r.old_begin);
  }
  // A side without lines names the line before the hunk.
  int64_t old_start = first_line + (old_count > 0 ? 1 : 0);
  int64_t new_start = first_line + line_shift_ + (new_count > 0 ? 1 : 0);
  line_shift_ += new_count - old_count;
  char header[96];
  snprintf(header, sizeof(header),
           "@@ -%" PRId64 ",%" PRId64 " +%" PRId64 ",%" PRId64 " @@\n",
           old_start, old_count, new_start, new_count);
  Put(header);
  int64_t at = hunk.begin;
  for (size_t i = hunk.first; i <= hunk.last; ++i) {
    const DiffRegion& r = regions[i];
    Lines(' ', old_ + at, r.old_begin - at);
    Lines('-', old_ + r.old_begin, r.old_end - r.old_begin);
    Lines('+', r.new_text.data(), static_cast<int64_t>(r.new_text.size()));
    at = r.old_end;
  }
  Lines(' ', old_ + at, hunk.end - at);
}

// Groups the regions into hunks: each widened by the context lines, and
// merged with the one before when their contexts meet.
std::vector<Hunk> HunksOf(const char* old_text, int64_t size,
                          const std::vector<DiffRegion>& regions) {
  std::vector<Hunk> hunks;
  for (size_t i = 0; i < regions.size(); ++i) {
    const DiffRegion& r = regions[i];
    int64_t floor = hunks.empty() ? 0 : hunks.back().end;
    int64_t begin = std::max(floor, r.old_begin);
    for (int k = 0; k < kContext && begin > floor; ++k) {
      begin = LineStartBefore(old_text, begin, floor);
    }
    int64_t end = r.old_end;
    for (int k = 0; k < kContext; ++k) end = NextLineStart(old_text, size, end);
    if (!hunks.empty() && begin <= hunks.back().end) {
      hunks.back().end = end;
      hunks.back().last = i;
    } else {
      hunks.push_back(Hunk{begin, end, i, i});
    }
  }
  return hunks;
}

// True when a line that the diff would print holds a NUL byte.
bool PrintsNul(const char* old_text, const std::vector<DiffRegion>& regions,
               const std::vector<Hunk>& hunks) {
  for (const Hunk& h : hunks) {
    if (memchr(old_text + h.begin, 0, static_cast<size_t>(h.end - h.begin))) {
      return true;
    }
  }
  for (const DiffRegion& r : regions) {
    if (r.new_text.find('\0') != std::string::npos) return true;
  }
  return false;
}

}  // namespace

void WriteUnifiedDiff(const char* old_text, int64_t old_size,
                      const std::vector<DiffRegion>& regions,
                      const DiffNames& names, DiffOutput* out) {
  if (regions.empty()) {
    // Nothing changes; a created file that stays empty has only its
    // header, which creates it.
    if (names.old_name != kNoFile) return;
    Renderer render(old_text, old_size, out);
    render.GitHeader(names);
    render.Flush();
    return;
  }
  std::vector<Hunk> hunks = HunksOf(old_text, old_size, regions);
  Renderer render(old_text, old_size, out);
  render.GitHeader(names);
  if (PrintsNul(old_text, regions, hunks)) {
    std::string line = "Binary files " + QuotedName(names.old_name) + " and " +
                       QuotedName(names.new_name) + " differ\n";
    render.Line(line.data(), static_cast<int64_t>(line.size()));
  } else {
    render.Name("--- ", names.old_name);
    render.Name("+++ ", names.new_name);
    for (const Hunk& h : hunks) render.Hunk(regions, h);
  }
  render.Flush();
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

std::string DiffPathFor(std::string path, std::string current, char separator) {
  std::replace(path.begin(), path.end(), separator, '/');
  std::replace(current.begin(), current.end(), separator, '/');
  if (!current.empty() && current.back() != '/') current += '/';
  if (!current.empty() && path.compare(0, current.size(), current) == 0) {
    path.erase(0, current.size());
  }
  while (path.compare(0, 2, "./") == 0) {
    path.erase(0, 2);
    while (!path.empty() && path[0] == '/') path.erase(0, 1);
  }
  return path;
}

}  // namespace swu
