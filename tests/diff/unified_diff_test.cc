// Tests of the diff's pure parts: how it names a path (relative to the
// current directory, and never a path that `patch -p1` would write outside
// it), how a name is quoted in its headers, and the one region of whole
// lines between two texts.

#include "diff/unified_diff.h"

#include <gtest/gtest.h>

#include <string>

namespace swu {
namespace {

TEST(DiffPathForTest, NamesOnlyPathsBelowTheCurrentDirectory) {
  struct {
    const char* path;
    const char* current;
    char separator;
    bool inside;
    const char* name;
  } cases[] = {
      {"./sub/A.TXT", "/w", '/', true, "sub/A.TXT"},
      {"/w/sub//./a.txt", "/w/", '/', true, "sub/a.txt"},
      {"a:b.txt", "/w", '/', true, "a:b.txt"},  // ':' is a byte of a name
      {"/x/a.txt", "/w", '/', false, "/x/a.txt"},
      {"/wx/a.txt", "/w", '/', false, "/wx/a.txt"},
      {"/W/a.txt", "/w", '/', false, "/W/a.txt"},  // POSIX names keep case
      {"../w/a.txt", "/w", '/', false, "../w/a.txt"},
      {"sub/../a.txt", "/w", '/', false, "sub/../a.txt"},
      {"c:\\W\\sub\\a.txt", "C:\\w", '\\', true, "sub/a.txt"},
      {"D:\\w\\a.txt", "C:\\w", '\\', false, "D:/w/a.txt"},
      {"D:a.txt", "C:\\w", '\\', false, "D:a.txt"},  // drive D's directory
      {"\\a.txt", "C:\\w", '\\', false, "/a.txt"},
  };
  for (const auto& c : cases) {
    std::string name;
    EXPECT_EQ(DiffPathFor(c.path, c.current, c.separator, &name), c.inside)
        << c.path;
    EXPECT_EQ(name, c.name) << c.path;
  }
}

// The lines of |old_text| that give way to others in |new_text|, widened
// to whole lines; the old text with the region applied is the new one.
TEST(RegionBetweenTest, WholeLinesAroundTheChange) {
  struct {
    const char* old_text;
    const char* new_text;
    bool changed;
    int64_t begin;
    int64_t end;
    const char* lines;
  } cases[] = {
      {"a\nb\n", "a\nb\n", false, 0, 0, ""},
      {"a\nb\nc\n", "a\nB\nc\n", true, 2, 4, "B\n"},
      {"x\ny\n", "z\ny\n", true, 0, 2, "z\n"},            // the first line
      {"ab\n", "aXb\n", true, 0, 3, "aXb\n"},             // inside one line
      {"a\nb\n", "a\nbX\n", true, 2, 4, "bX\n"},          // before its break
      {"a\n", "a\nb\n", true, 2, 2, "b\n"},               // a line added
      {"a\nb\n", "a\n", true, 2, 4, ""},                  // a line removed
      {"a\nbc", "a\nXc", true, 2, 4, "Xc"},               // no break at the end
      {"a\nb", "a\nb\n", true, 2, 3, "b\n"},              // a break added
      {"", "a\n", true, 0, 0, "a\n"},                     // from nothing
      {"a\n", "", true, 0, 2, ""},                        // to nothing
      {"a\r\nb\r\n", "a\r\nB\r\n", true, 3, 6, "B\r\n"},  // CR is a byte
  };
  for (const auto& c : cases) {
    DiffRegion region;
    std::string old_text = c.old_text, new_text = c.new_text;
    ASSERT_EQ(RegionBetween(old_text, new_text, &region), c.changed)
        << c.old_text;
    if (!c.changed) continue;
    EXPECT_EQ(region.old_begin, c.begin) << c.old_text;
    EXPECT_EQ(region.old_end, c.end) << c.old_text;
    EXPECT_EQ(region.new_text, c.lines) << c.old_text;
    EXPECT_EQ(old_text.substr(0, region.old_begin) + region.new_text +
                  old_text.substr(region.old_end),
              new_text)
        << c.old_text;
  }
}

class StringOutput : public DiffOutput {
 public:
  void Write(const char* data, int64_t n) override {
    text.append(data, static_cast<size_t>(n));
  }
  std::string text;
};

// A name in the headers as git quotes it: in double quotes with C escapes
// when it holds a quote, a backslash or a control byte; with a tab after
// it in the --- and +++ lines when it holds a blank.
TEST(UnifiedDiffTest, HeadersQuoteNamesAsGitDoes) {
  struct {
    const char* name;
    const char* quoted;   // in the "diff --git" line
    const char* labeled;  // in the --- and +++ lines
  } cases[] = {
      {"a/p.txt", "a/p.txt", "a/p.txt"},
      {"a/x y", "a/x y", "a/x y\t"},
      {"a/q\"", "\"a/q\\\"\"", "\"a/q\\\"\""},
      {"a/b\\s", "\"a/b\\\\s\"", "\"a/b\\\\s\""},
      {"a/t\tn\n", "\"a/t\\tn\\n\"", "\"a/t\\tn\\n\""},
      {"a/c\x01\x7f", "\"a/c\\001\\177\"", "\"a/c\\001\\177\""},
      {"a/d\x7f", "\"a/d\\177\"", "\"a/d\\177\""},
  };
  auto regions = [](const RegionVisitor& visit) {
    DiffRegion region;
    region.old_end = 2;
    region.new_text = "b\n";
    visit(region);
  };
  for (const auto& c : cases) {
    StringOutput out;
    ASSERT_TRUE(
        WriteUnifiedDiff("a\n", 2, regions, {c.name, c.name}, false, &out));
    std::string quoted = c.quoted, labeled = c.labeled;
    EXPECT_EQ(out.text.substr(0, out.text.find("@@")),
              "diff --git " + quoted + " " + quoted + "\n--- " + labeled +
                  "\n+++ " + labeled + "\n")
        << c.name;
  }
}

}  // namespace
}  // namespace swu
