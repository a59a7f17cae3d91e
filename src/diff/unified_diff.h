// Renders the change to one file as a unified diff, the form that
// `patch -p1` and `git apply` take: "--- a/PATH" and "+++ b/PATH" ("---
// /dev/null" for a file that the change creates), then hunks of changed
// lines with three lines of context each side, hunks whose contexts meet
// merged into one. Lines end at LF; a CR is an ordinary byte of its line,
// so CR LF files keep their bytes. A last line without a break is followed
// by "\ No newline at end of file". A change where a printed line would
// hold a NUL byte is binary: no text patch can carry it, and nothing is
// written for it.
//
// The change comes as regions: stretches of whole lines of the old text
// and the whole lines that stand there in the new one. Building them is
// the caller's part (DiffSink widens a file's matches to them); this
// module only counts lines and formats.
//
// Tested by tests/diff/unified_diff_test.cc and end to end by
// tests/e2e/cases/run_diff.cases.

#ifndef SWU_DIFF_UNIFIED_DIFF_H_
#define SWU_DIFF_UNIFIED_DIFF_H_

#include <cstdint>
#include <functional>
#include <string>

namespace swu {

// Old lines [old_begin, old_end) that give way to |new_text|. Both ends
// are line starts of the old text (or its end), and |new_text| ends with
// a line break unless old_end is the end of the old text.
struct DiffRegion {
  int64_t old_begin = 0;
  int64_t old_end = 0;
  std::string new_text;
};

// Where the rendered diff goes, in pieces of any size.
class DiffOutput {
 public:
  virtual ~DiffOutput() = default;
  virtual void Write(const char* data, int64_t n) = 0;
};

// The names of the two sides as printed: "a/PATH" and "b/PATH", or
// "/dev/null" for the old side of a created file.
struct DiffNames {
  std::string old_name;
  std::string new_name;
};

// Hands each region of a change to |visit|, in order, not overlapping.
// Called twice per diff (once to plan the hunks, once to print them), so
// that no region needs to be kept: it must hand the same regions each
// time.
using RegionVisitor = std::function<void(const DiffRegion&)>;
using RegionSource = std::function<void(const RegionVisitor& visit)>;

// Writes the diff of |old_text| against the text that the regions from
// |regions| make of it; with |color|, its own lines and the changed lines
// in terminal colours (the bytes of a file's lines stay as they are).
// Writes nothing when there are no regions, but for a created file, whose
// header alone creates it empty. Returns false, having written nothing,
// when the change is binary.
bool WriteUnifiedDiff(const char* old_text, int64_t old_size,
                      const RegionSource& regions, const DiffNames& names,
                      bool color, DiffOutput* out);

// True when |regions| hand over at least one region.
bool HasRegions(const RegionSource& regions);

// The one region that turns |old_text| into |new_text|: the lines between
// their common first and last lines. Returns false when the texts are
// equal.
bool RegionBetween(const std::string& old_text, const std::string& new_text,
                   DiffRegion* region);

// Stores in *name |path| as a diff names it: '/' between components
// (where the system's |separator| is another), relative to |current| (the
// current directory) when it is an absolute path inside it, without empty
// or "." components. Returns false when the path is no file below the
// current directory, which `patch -p1` or `git apply` must never be asked
// to write: an absolute path outside it, a path with a ".." component, or
// where the separator is '\\' one that names a drive (a ':' in it).
bool DiffPathFor(std::string path, std::string current, char separator,
                 std::string* name);

}  // namespace swu

#endif  // SWU_DIFF_UNIFIED_DIFF_H_
