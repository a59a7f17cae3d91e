// Tests of the file set: the split of <filespec>, the output directory
// and the marker file.

#include "run/file_set.h"

#include <gtest/gtest.h>

#include <vector>

#include "run/fake_platform.h"

namespace swu {
namespace {

using run_test::FakePlatform;

struct SplitCase {
  const char* name;
  const char* filespec;
  const char* dir_part;
  const char* pattern;
};

void ExpectSplits(const SplitCase* cases, size_t n, const Platform& platform) {
  for (size_t i = 0; i < n; ++i) {
    const SplitCase& c = cases[i];
    std::string dir_part = "junk", pattern = "junk";
    SplitFilespec(c.filespec, platform, &dir_part, &pattern);
    EXPECT_EQ(c.dir_part, dir_part) << c.name;
    EXPECT_EQ(c.pattern, pattern) << c.name;
  }
}

TEST(FileSetTest, SplitsAtTheLastSeparator) {
  SplitCase cases[] = {
      {"slash", "DATA/*.TXT", "DATA/", "*.TXT"},
      {"backslash", "DATA\\*.TXT", "DATA\\", "*.TXT"},
      {"mixed, last wins", "A/B\\C.TXT", "A/B\\", "C.TXT"},
      {"no directory", "*.TXT", "", "*.TXT"},
      {"directory only", "DATA/", "DATA/", ""},
      {"absolute", "/TMP/X/*.C", "/TMP/X/", "*.C"},
      {"colon is a plain character", "C:*.TXT", "", "C:*.TXT"},
      {"empty", "", "", ""},
  };
  ExpectSplits(cases, sizeof(cases) / sizeof(cases[0]), FakePlatform());
}

// On Windows '\' and ':' end the directory part and '/' does not.
TEST(FileSetTest, SplitsByWindowsRules) {
  SplitCase cases[] = {
      {"full path", "C:\\DATA\\*.TXT", "C:\\DATA\\", "*.TXT"},
      {"drive and pattern", "C:*.TXT", "C:", "*.TXT"},
      {"slash is a plain character", "DATA/*.TXT", "", "DATA/*.TXT"},
      {"backslash after a slash", "A/B\\C.TXT", "A/B\\", "C.TXT"},
      {"directory only", "DATA\\", "DATA\\", ""},
      {"network name", "\\\\HOST\\SHARE\\*.*", "\\\\HOST\\SHARE\\", "*.*"},
  };
  FakePlatform windows;
  windows.windows_rules = true;
  ExpectSplits(cases, sizeof(cases) / sizeof(cases[0]), windows);
}

TEST(FileSetTest, SeparatorHelpers) {
  FakePlatform posix, windows;
  windows.windows_rules = true;
  EXPECT_EQ("", WithSeparator("", posix));
  EXPECT_EQ("out/", WithSeparator("out", posix));
  EXPECT_EQ("out\\", WithSeparator("out\\", posix));
  EXPECT_EQ("out\\", WithSeparator("out", windows));
  EXPECT_EQ("out/", WithSeparator("out/", windows));
  EXPECT_EQ("C:", WithSeparator("C:", windows));
  EXPECT_EQ("out", WithoutSeparator("out//"));
  EXPECT_EQ("/", WithoutSeparator("/"));
  EXPECT_EQ("C:\\", WithoutSeparator("C:\\\\"));  // the root, not C's current
}

class OutputDirectoryTest : public ::testing::Test {
 protected:
  FakePlatform platform_;
  bool created_ = false;
};

TEST_F(OutputDirectoryTest, CreatesTheDirectoryAndItsParents) {
  EXPECT_EQ(RunStatus::None,
            FindOrCreateOutputDirectory("a/b/out/", &platform_, &created_));
  EXPECT_TRUE(created_);
  EXPECT_TRUE(platform_.IsDir("a/b/out"));
}

TEST_F(OutputDirectoryTest, FindsAnExistingDirectoryWithoutClaimingIt) {
  platform_.AddDir("out");
  platform_.AddDir("work");
  platform_.SetCurrentDirectory("work");
  EXPECT_EQ(RunStatus::None,
            FindOrCreateOutputDirectory("/out", &platform_, &created_));
  EXPECT_FALSE(created_);
  EXPECT_EQ("/WORK", platform_.cwd());  // Unchanged by the existence test.
}

TEST_F(OutputDirectoryTest, FailsWhenAFileStandsInTheWay) {
  platform_.AddFile("out");
  EXPECT_EQ(RunStatus::OutputDirFailed,
            FindOrCreateOutputDirectory("out", &platform_, &created_));
  EXPECT_EQ(RunStatus::OutputDirFailed,
            FindOrCreateOutputDirectory("out/sub", &platform_, &created_));
  EXPECT_FALSE(created_);
}

// The existence test is the platform's own, made without changing the
// current directory (windows_paths_test.py tests the real one under wine).
TEST_F(OutputDirectoryTest, TestsAnExistingDirectoryOnAnotherDriveInPlace) {
  platform_.AddDir("D:/out");
  platform_.AddFile("D:/file");
  EXPECT_EQ(RunStatus::None,
            FindOrCreateOutputDirectory("D:\\out", &platform_, &created_));
  EXPECT_EQ(RunStatus::OutputDirFailed,
            FindOrCreateOutputDirectory("D:\\file", &platform_, &created_));
}

TEST(MarkerTest, NameComesFromTheGeneratorSeededWithOne) {
  Random random;
  random.Seed(77);
  random.NextRandom();
  EXPECT_EQ("QMZRHLAJ.SWU", MarkerName(&random));
  // Later draws continue from the state after the eight: the ninth draw
  // of the generator seeded with one.
  EXPECT_EQ(16212, random.NextRandom());
}

TEST(MarkerTest, WritesItsContentAndIsFoundByTheProbe) {
  FakePlatform platform;
  platform.AddDir("out");
  HeldMarker held;
  ASSERT_EQ(WriteMarker("out/QMZRHLAJ.SWU", &platform, &held),
            MarkerWrite::kPlaced);
  EXPECT_EQ("out/QMZRHLAJ.SWU", held.path);
  Marker marker{"QMZRHLAJ.SWU", held.identity};
  EXPECT_EQ("This file can be deleted after SW has finished",
            platform.Contents("out/QMZRHLAJ.SWU"));
  EXPECT_EQ(46u, platform.Contents("out/QMZRHLAJ.SWU").size());
  EXPECT_TRUE(HasMarker("out", marker, &platform));
  EXPECT_TRUE(HasMarker("out/", marker, &platform));
  EXPECT_FALSE(HasMarker("", marker, &platform));
  platform.SetCurrentDirectory("out");
  EXPECT_TRUE(HasMarker("", marker, &platform));
}

TEST(MarkerTest, ReportsAMarkerThatCannotBeCreated) {
  FakePlatform platform;
  HeldMarker held;
  EXPECT_EQ(WriteMarker("missing/QMZRHLAJ.SWU", &platform, &held),
            MarkerWrite::kFailed);
  EXPECT_EQ("", held.path);
}

// A file of the marker's name is the user's unless it holds exactly the
// marker's bytes: it is neither overwritten nor taken over, and a copy
// elsewhere is not this run's marker.
TEST(MarkerTest, NeverTakesAUserFileAndKnowsItsOwnMarker) {
  FakePlatform platform;
  platform.AddFile("out/qmzrhlaj.swu", "notes");
  HeldMarker user;
  EXPECT_EQ(WriteMarker("out/QMZRHLAJ.SWU", &platform, &user),
            MarkerWrite::kFailed);
  EXPECT_EQ("", user.path);
  EXPECT_EQ("notes", platform.Contents("out/qmzrhlaj.swu"));

  platform.AddFile("old/QMZRHLAJ.SWU", kMarkerContent);
  platform.AddFile("elsewhere/QMZRHLAJ.SWU", kMarkerContent);
  HeldMarker held;
  ASSERT_EQ(WriteMarker("old/QMZRHLAJ.SWU", &platform, &held),
            MarkerWrite::kPlaced);
  EXPECT_EQ("old/QMZRHLAJ.SWU", held.path);
  Marker marker{"QMZRHLAJ.SWU", held.identity};
  EXPECT_TRUE(HasMarker("old", marker, &platform));
  EXPECT_FALSE(HasMarker("elsewhere", marker, &platform));
}

}  // namespace
}  // namespace swu
