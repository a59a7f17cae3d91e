// Tests of the file set: the split of <filespec>, the output directory
// and the marker file.

#include "run/file_set.h"

#include <gtest/gtest.h>

#include "run/fake_platform.h"

namespace swu {
namespace {

using run_test::FakePlatform;

TEST(FileSetTest, SplitsAtTheLastSeparator) {
  struct Case {
    const char* name;
    const char* filespec;
    const char* dir_part;
    const char* pattern;
  } cases[] = {
      {"slash", "DATA/*.TXT", "DATA/", "*.TXT"},
      {"backslash", "DATA\\*.TXT", "DATA\\", "*.TXT"},
      {"mixed, last wins", "A/B\\C.TXT", "A/B\\", "C.TXT"},
      {"no directory", "*.TXT", "", "*.TXT"},
      {"directory only", "DATA/", "DATA/", ""},
      {"absolute", "/TMP/X/*.C", "/TMP/X/", "*.C"},
      {"colon is a plain character", "C:*.TXT", "", "C:*.TXT"},
      {"empty", "", "", ""},
  };
  for (const Case& c : cases) {
    std::string dir_part = "junk", pattern = "junk";
    SplitFilespec(c.filespec, &dir_part, &pattern);
    EXPECT_EQ(c.dir_part, dir_part) << c.name;
    EXPECT_EQ(c.pattern, pattern) << c.name;
  }
}

TEST(FileSetTest, SeparatorHelpers) {
  EXPECT_EQ("", WithSeparator(""));
  EXPECT_EQ("out/", WithSeparator("out"));
  EXPECT_EQ("out\\", WithSeparator("out\\"));
  EXPECT_EQ("out", WithoutSeparator("out//"));
  EXPECT_EQ("/", WithoutSeparator("/"));
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

TEST(MarkerTest, NameComesFromTheGeneratorSeededWithOne) {
  // The generator, computed here independently of Random.
  uint32_t x = 1;
  auto draw = [&x] {
    x = x * 1103515245u + 12345u;
    return static_cast<int>((x >> 16) & 0x7FFF);
  };
  std::string expected;
  for (int i = 0; i < 8; ++i) expected += static_cast<char>('A' + draw() % 26);
  Random random;
  random.Seed(77);
  random.NextRandom();
  EXPECT_EQ("QMZRHLAJ.SWU", MarkerName(&random));
  EXPECT_EQ(expected + ".SWU", "QMZRHLAJ.SWU");
  // Later draws continue from the state after the eight.
  EXPECT_EQ(draw(), random.NextRandom());
}

TEST(MarkerTest, WritesItsContentAndIsFoundByTheProbe) {
  FakePlatform platform;
  platform.AddDir("out");
  bool created = false;
  Marker marker{"QMZRHLAJ.SWU", {}};
  ASSERT_TRUE(
      WriteMarker("out/QMZRHLAJ.SWU", &platform, &created, &marker.identity));
  EXPECT_TRUE(created);
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
  bool created = true;
  FileIdentity identity;
  EXPECT_FALSE(
      WriteMarker("missing/QMZRHLAJ.SWU", &platform, &created, &identity));
  EXPECT_FALSE(created);
}

// A file of the marker's name is the user's unless it holds exactly the
// marker's bytes: it is neither overwritten nor taken over, and a copy
// elsewhere is not this run's marker.
TEST(MarkerTest, NeverTakesAUserFileAndKnowsItsOwnMarker) {
  FakePlatform platform;
  platform.AddFile("out/qmzrhlaj.swu", "notes");
  bool created = false;
  FileIdentity identity;
  EXPECT_FALSE(WriteMarker("out/QMZRHLAJ.SWU", &platform, &created, &identity));
  EXPECT_FALSE(created);
  EXPECT_EQ("notes", platform.Contents("out/qmzrhlaj.swu"));

  platform.AddFile("old/QMZRHLAJ.SWU", kMarkerContent);
  platform.AddFile("elsewhere/QMZRHLAJ.SWU", kMarkerContent);
  Marker marker{"QMZRHLAJ.SWU", {}};
  ASSERT_TRUE(
      WriteMarker("old/QMZRHLAJ.SWU", &platform, &created, &marker.identity));
  EXPECT_TRUE(created);
  EXPECT_TRUE(HasMarker("old", marker, &platform));
  EXPECT_FALSE(HasMarker("elsewhere", marker, &platform));
}

}  // namespace
}  // namespace swu
