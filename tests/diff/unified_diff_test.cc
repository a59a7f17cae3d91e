// Tests of how a diff names a path: relative to the current directory,
// and never a path that `patch -p1` would write outside it.

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

}  // namespace
}  // namespace swu
