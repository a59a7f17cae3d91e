// Tests of the -R walk: order, which directories are entered, the depth
// limit, over-long paths, the output directory inside the tree and the
// mirrored output directories.

#include "run/walk.h"

#include <gtest/gtest.h>

#include <vector>

#include "fakes/parse_line.h"
#include "run/fake_platform.h"

namespace swu {
namespace {

using run_test::FakePlatform;

class WalkTest : public ::testing::Test {
 protected:
  // Walks the whole tree from |start| and returns every directory part
  // the walk yields, the start first.
  std::vector<std::string> Walk(const std::string& start) {
    files_.dir_part = start;
    settings_ = ParseLine(line_, &platform_);
    walk_ = std::make_unique<DirectoryWalk>(*settings_, &platform_, &files_);
    walk_->set_marker(marker_);
    std::vector<std::string> seen;
    if (!walk_->Start()) return seen;
    seen.push_back(files_.dir_part);
    while ((last_ = walk_->Next()) == DirectoryWalk::Step::kDirectory) {
      seen.push_back(files_.dir_part);
      if (settings_->output_directory()) {
        outputs_.push_back(files_.output_path);
      }
      if (on_directory_) on_directory_();
    }
    return seen;
  }

  void UseOutputDirectory(const std::string& path) {
    line_ += " -$ " + path;
    files_.output_path = path;
    // The marker this run would have placed there, when there is one.
    platform_.Identify(path + marker_.name, &marker_.identity);
  }

  std::string line_ = "*.* a b -R";  // the run's command line
  std::unique_ptr<Settings> settings_;
  Marker marker_{"QMZRHLAJ.SWU", {}};
  FakePlatform platform_;
  FileSet files_;
  std::unique_ptr<DirectoryWalk> walk_;
  DirectoryWalk::Step last_ = DirectoryWalk::Step::kDirectory;
  std::vector<std::string> outputs_;
  std::function<void()> on_directory_;
};

// An empty directory yields no entry, so the walk does not enter it; the
// trees below give each leaf a file.
TEST_F(WalkTest, VisitsEachSubtreeBeforeTheNextSibling) {
  platform_.AddFile("top.txt");
  platform_.AddFile("b/x/f");
  platform_.AddFile("a/y/z/f");
  platform_.AddFile("a/x/file.txt");
  std::vector<std::string> want = {"",       "a/", "a/x/", "a/y/",
                                   "a/y/z/", "b/", "b/x/"};
  EXPECT_EQ(want, Walk(""));
  EXPECT_EQ(DirectoryWalk::Step::kFinished, last_);
  EXPECT_EQ("", files_.dir_part);  // Back at the start.
  EXPECT_EQ(0, walk_->depth());
}

TEST_F(WalkTest, KeepsTheStartingDirectoryPartAsSplit) {
  platform_.AddFile("data/sub/a.txt");
  platform_.AddDir("data/empty");
  std::vector<std::string> want = {"DATA\\", "DATA\\sub/"};
  EXPECT_EQ(want, Walk("DATA\\"));
  EXPECT_EQ("DATA\\", files_.dir_part);
}

TEST_F(WalkTest, EntersOnlyPlainDirectories) {
  platform_.AddFile("plain/f");
  platform_.AddFile(".git/f");
  platform_.AddFile("locked/f");
  platform_.AddAttributes("locked", kAttrReadOnly);
  platform_.AddFile("archived/f");
  platform_.AddAttributes("archived", kAttrArchive);
  platform_.AddFile("link/f");
  platform_.AddAttributes("link", kAttrSystem);
  platform_.AddDir("plain/.cache");
  platform_.AddFile("plain/.cache/a.txt");
  std::vector<std::string> want = {"", "plain/"};
  EXPECT_EQ(want, Walk(""));
}

TEST_F(WalkTest, StartingDirectoryWithNothingInItEndsAtOnce) {
  platform_.AddDir("empty");
  EXPECT_TRUE(Walk("empty/").empty());
  EXPECT_TRUE(Walk("missing/").empty());
}

TEST_F(WalkTest, StopsSeventeenLevelsDownWithOneWarningPerBranch) {
  std::string path;
  for (int i = 1; i <= 20; ++i) {
    path += "d" + std::to_string(i) + "/";
    platform_.AddDir(path);
  }
  platform_.AddFile(path + "f");
  platform_.AddFile("d1/side/f");
  std::vector<std::string> seen = Walk("");
  // The start, 17 levels of the chain, and d1/side.
  ASSERT_EQ(19u, seen.size());
  EXPECT_EQ("d1/", seen[1]);
  std::string level17;
  for (int i = 1; i <= 17; ++i) level17 += "d" + std::to_string(i) + "/";
  EXPECT_EQ(level17, seen[17]);
  EXPECT_EQ("d1/side/", seen[18]);
  EXPECT_EQ(
      "\nWARNING: This directory and all subdirectories have been skipped: " +
          level17 + "d18\n",
      platform_.output);
  // One enumeration per depth, never more.
  EXPECT_LE(platform_.most_enumerations, DirectoryWalk::kDepths);
}

TEST_F(WalkTest, WarningFollowsTheVerbosity) {
  std::string path;
  for (int i = 1; i <= 19; ++i) path += "d/";
  platform_.AddFile(path + "f");
  line_ += " -V:0";
  EXPECT_EQ(18u, Walk("").size());
  EXPECT_EQ("", platform_.output);
}

TEST_F(WalkTest, SkipsADirectoryWhosePathWouldNotFit) {
  // "*.*" and the separator follow the name in the enumeration path.
  std::string fits(kMaxText - 4, 'f');      // exactly 261
  std::string too_long(kMaxText - 3, 'g');  // 262
  platform_.AddFile(fits + "/f");
  platform_.AddFile(too_long + "/f");
  platform_.AddFile("h/f");
  std::vector<std::string> want = {"", fits + "/", "h/"};
  EXPECT_EQ(want, Walk(""));
  // The user is told, as for a directory too deep.
  EXPECT_EQ(
      "\nWARNING: This directory and all subdirectories have been skipped: " +
          too_long + "\n",
      platform_.output);
}

TEST_F(WalkTest, SkipsADirectoryWhoseOutputPathWouldNotFit) {
  std::string output(kMaxText - 10, 'o');
  platform_.AddDir(output);
  UseOutputDirectory(output + "/");
  platform_.AddFile("abcdefgh/f");   // 252 + 8 + '/' = 261: fits
  platform_.AddFile("abcdefghi/f");  // 262: does not
  std::vector<std::string> want = {"", "abcdefgh/"};
  EXPECT_EQ(want, Walk(""));
}

TEST_F(WalkTest, SkipsTheOutputDirectoryByItsMarker) {
  platform_.AddFile("a/f");
  platform_.AddFile("out/QMZRHLAJ.SWU");
  platform_.AddFile("out/inner/f");
  UseOutputDirectory("out/");
  std::vector<std::string> want = {"", "a/"};
  EXPECT_EQ(want, Walk(""));
  EXPECT_EQ("\nWARNING: This directory has been skipped: out\n",
            platform_.output);
}

TEST_F(WalkTest, MirrorsDirectoriesAndRemovesThoseLeftEmpty) {
  platform_.AddFile("src/a/deep/f");
  platform_.AddFile("src/b/f");
  platform_.AddDir("out/b");  // made by the user: never removed
  UseOutputDirectory("out/");
  // A result lands in out/a/deep only.
  on_directory_ = [this] {
    if (files_.dir_part == "src/a/deep/") {
      platform_.AddFile(files_.output_path + "r.txt");
    }
  };
  files_.output_path = "out/";
  std::vector<std::string> seen = Walk("src/");
  std::vector<std::string> want_outputs = {"out/a/", "out/a/deep/", "out/b/"};
  EXPECT_EQ(want_outputs, outputs_);
  EXPECT_EQ("out/", files_.output_path);
  EXPECT_TRUE(platform_.IsFile("out/a/deep/r.txt"));
  EXPECT_TRUE(platform_.IsDir("out/b"));
  EXPECT_TRUE(platform_.removed_directories.empty());

  // Without a result the mirrored tree this run made disappears again.
  platform_.AddFile("src2/c/d/f");
  outputs_.clear();
  on_directory_ = nullptr;
  files_.output_path = "out2/";
  platform_.AddDir("out2");
  Walk("src2/");
  EXPECT_FALSE(platform_.IsDir("out2/c"));
  EXPECT_TRUE(platform_.IsDir("out2"));
}

TEST_F(WalkTest, ReportsAMirroredDirectoryThatFails) {
  platform_.AddFile("src/a/f");
  platform_.AddFile("src/b/f");
  platform_.AddFile("out/b");  // a file where out/b must go
  UseOutputDirectory("out/");
  std::vector<std::string> want = {"src/", "src/a/"};
  EXPECT_EQ(want, Walk("src/"));
  EXPECT_EQ(DirectoryWalk::Step::kOutputDirFailed, last_);
  EXPECT_EQ("out/b", files_.output_path);  // Names the one that failed.
}

}  // namespace
}  // namespace swu
