// Tests of the POSIX path resolver on the real disk, in a scoped temporary
// directory: what a path the program holds resolves to.

#include "platform/path_resolver_posix.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>
#include <string>

#include "fakes/temp_dir.h"

namespace swu {
namespace {

class PathResolverPosixTest : public ::testing::Test {
 protected:
  void MakeDirectory(const std::string& name) {
    ASSERT_EQ(mkdir(dir_.Path(name).c_str(), 0777), 0);
  }
  void Write(const std::string& name) {
    dir_.Write(name, "x");
    ASSERT_EQ(dir_.Read(name), "x");
  }

  PathResolver resolver_;
  TempDir dir_;  // removed with everything in it after each test
  const std::string root_ = dir_.Path("");  // ends in '/'
};

TEST_F(PathResolverPosixTest, ComponentsResolveIgnoringCase) {
  MakeDirectory("Data");
  Write("Data/notes.txt");
  EXPECT_EQ(resolver_.Resolve(root_ + "DATA/NOTES.TXT"),
            root_ + "Data/notes.txt");
  // A new file keeps its name as given, in the resolved directory; once
  // the directory has been seen, Quick resolves it without looking.
  EXPECT_EQ(resolver_.Resolve(root_ + "DATA/NEW.TXT"), root_ + "Data/NEW.TXT");
  EXPECT_EQ(resolver_.Quick(root_ + "DATA/other"), root_ + "Data/other");
  // Of names that differ only in case, the first in upper-case-then-bytes
  // order is taken, whatever order the directory keeps them in.
  Write("Data/abc");
  Write("Data/ABC");
  EXPECT_EQ(resolver_.Resolve(root_ + "DATA/Abc"), root_ + "Data/ABC");
}

// With Sub and SUB side by side, the upper-cased SUB/ of a typed Sub/ finds
// Sub: the user's spelling is tried first, then the name as given.
TEST_F(PathResolverPosixTest, TypedSpellingComesFirst) {
  MakeDirectory("Sub");
  MakeDirectory("SUB");
  Write("Sub/f.txt");
  Write("SUB/f.txt");
  std::string upper_root = root_;
  for (char& c : upper_root) c = static_cast<char>(toupper(c));
  resolver_.NoteSpelling(root_ + "Sub/f.txt");
  EXPECT_EQ(resolver_.Resolve(upper_root + "SUB/F.TXT"), root_ + "Sub/f.txt");
}

// Names sort as their upper-case spellings, byte values unsigned; names
// the same but for case, by their own bytes.
TEST(NameLessTest, OrdersAsUpperCaseCopies) {
  struct Row {
    const char* a;
    const char* b;
    bool less;
  } rows[] = {
      {"a", "B", true},   {"B", "a", false},    {"A", "a", true},
      {"a", "A", false},  {"ab", "a_", true},   {"a", "ab", true},
      {"ab", "a", false}, {"\xc3", "z", false}, {"z", "\xc3", true},
      {"x", "x", false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(NameLess(row.a, row.b), row.less) << row.a << " " << row.b;
  }
}

}  // namespace
}  // namespace swu
