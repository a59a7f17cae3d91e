// Tests of the POSIX platform layer on the real disk, in a scoped
// temporary directory.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "fakes/temp_dir.h"
#include "platform/platform.h"

namespace swu {
namespace {

class PlatformPosixTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(root_, ""); }  // The directory exists.
  void TearDown() override {
    platform_->SetTreeRoot("/");  // Nothing lies outside "/".
  }
  // Writes |data| to |name|, failing the test if the file was not made.
  void Write(const std::string& name, const std::string& data) {
    dir_.Write(name, data);
    ASSERT_EQ(dir_.Read(name), data);
  }
  std::vector<std::string> Names(const std::string& pattern, bool dirs) {
    std::vector<std::string> names;
    DirEntry entry;
    auto e = platform_->FindFirst(root_ + pattern, dirs, &entry);
    if (e == nullptr) return names;
    do {
      names.push_back(entry.name);
    } while (e->Next(&entry));
    return names;
  }

  Platform* platform_ = Platform::Default();
  TempDir dir_;  // removed with everything in it after each test
  const std::string root_ = dir_.Path("");  // ends in '/'
};

TEST_F(PlatformPosixTest, EnumerationIsSortedCaseInsensitiveAndFiltered) {
  Write("b.txt", "1");
  Write("A.TXT", "2");
  Write("c.dat", "3");
  Write(".hidden.txt", "4");
  Write("noext", "5");
  ASSERT_EQ(mkdir((root_ + "sub.txt").c_str(), 0777), 0);
  ASSERT_EQ(symlink("sub.txt", (root_ + "link.txt").c_str()), 0);
  ASSERT_EQ(symlink("b.txt", (root_ + "file-link.txt").c_str()), 0);
  ASSERT_EQ(symlink("missing", (root_ + "dangling.txt").c_str()), 0);

  EXPECT_EQ(Names("*.TXT", false),
            (std::vector<std::string>{"A.TXT", "b.txt", "file-link.txt"}));
  EXPECT_EQ(
      Names("*.TXT", true),
      (std::vector<std::string>{"A.TXT", "b.txt", "file-link.txt", "sub.txt"}));
  // "*.*" also matches names without a dot.
  EXPECT_EQ(Names("*.*", false).size(), 5u);
  EXPECT_EQ(Names("?.dat", false), (std::vector<std::string>{"c.dat"}));
  EXPECT_TRUE(Names("", false).empty());
  EXPECT_TRUE(Names("nothing*", false).empty());
}

TEST_F(PlatformPosixTest, AttributesOfEntries) {
  Write("plain", "x");
  ASSERT_EQ(mkdir((root_ + "dir").c_str(), 0777), 0);
  DirEntry entry;
  ASSERT_NE(platform_->FindFirst(root_ + "plain", false, &entry), nullptr);
  EXPECT_EQ(entry.attributes & ~kAttrReadOnly, kAttrArchive);
  ASSERT_NE(platform_->FindFirst(root_ + "dir", true, &entry), nullptr);
  EXPECT_EQ(entry.attributes & ~kAttrReadOnly, kAttrDirectory);
}

// A '\\' is a separator only where the user typed it: a name read from a
// directory is opened as that name, never as a path that climbs out.
TEST_F(PlatformPosixTest, BackslashInANameIsPartOfTheName) {
  ASSERT_EQ(mkdir((root_ + "tree").c_str(), 0777), 0);
  Write("victim.txt", "safe");
  Write("tree/x\\..\\victim.txt", "inside");
  std::vector<std::string> names = Names("tree/*.txt", false);
  ASSERT_EQ(names, (std::vector<std::string>{"x\\..\\victim.txt"}));
  auto s = platform_->Open(root_ + "tree/" + names[0], OpenMode::kRead);
  ASSERT_NE(s, nullptr);
  char buf[6];
  EXPECT_EQ(s->Read(buf, 6), 6);
  EXPECT_EQ(std::string(buf, 6), "inside");
  EXPECT_EQ(platform_->FromTypedPath("a\\b/c"), "a/b/c");
}

// Under -R a link out of the tree is left out of wildcard enumerations; a
// link inside it, and a name without wildcards, are followed.
TEST_F(PlatformPosixTest, TreeRootKeepsLinksInside) {
  ASSERT_EQ(mkdir((root_ + "tree").c_str(), 0777), 0);
  Write("outside.txt", "o");
  Write("tree/in.txt", "i");
  ASSERT_EQ(symlink((root_ + "outside.txt").c_str(),
                    (root_ + "tree/out-link.txt").c_str()),
            0);
  ASSERT_EQ(symlink("in.txt", (root_ + "tree/in-link.txt").c_str()), 0);
  platform_->SetTreeRoot(root_ + "tree/");
  EXPECT_EQ(Names("tree/*.txt", false),
            (std::vector<std::string>{"in-link.txt", "in.txt"}));
  EXPECT_EQ(Names("tree/out-link.txt", false),
            (std::vector<std::string>{"out-link.txt"}));
}

// A directory the process may not write is still a plain directory.
TEST_F(PlatformPosixTest, DirectoriesAreNeverReadOnly) {
  ASSERT_EQ(mkdir((root_ + "locked").c_str(), 0555), 0);
  DirEntry entry;
  ASSERT_NE(platform_->FindFirst(root_ + "locked", true, &entry), nullptr);
  EXPECT_EQ(entry.attributes, kAttrDirectory);
  chmod((root_ + "locked").c_str(), 0755);
}

TEST_F(PlatformPosixTest, StreamsSeekWriteAndShorten) {
  Write("f", "0123456789");
  auto s = platform_->Open(root_ + "f", OpenMode::kUpdate);
  ASSERT_NE(s, nullptr);
  ASSERT_TRUE(s->Seek(0, Whence::kEnd));
  EXPECT_EQ(s->Tell(), 10);
  ASSERT_TRUE(s->Seek(2, Whence::kStart));
  ASSERT_TRUE(s->Seek(3, Whence::kCurrent));
  s->Write("abc", 3);
  EXPECT_FALSE(s->error());
  EXPECT_EQ(dir_.Read("f"), "01234abc89");  // Writes go straight to the file.
  EXPECT_TRUE(s->SetLength(4));
  EXPECT_TRUE(s->Close());
  EXPECT_EQ(dir_.Read("f"), "0123");
  EXPECT_TRUE(platform_->DeleteFile(root_ + "f"));
  EXPECT_EQ(dir_.Read("f"), "<missing>");
}

// A temporary output replaces its target in one step and keeps the
// target's permissions; positioned writes and the length go through the
// open file even once its name stands for another one.
TEST_F(PlatformPosixTest, TemporaryFilesAndWritesThroughTheDescriptor) {
  Write("out", "old");
  chmod((root_ + "out").c_str(), 0640);
  std::string temp;
  auto t = platform_->CreateTemporary(root_ + "out", &temp);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(temp.substr(0, root_.size()), root_);
  t->Write("new", 3);
  EXPECT_TRUE(t->Close());
  FileIdentity replaced;
  ASSERT_TRUE(platform_->Identify(root_ + "out", &replaced));
  EXPECT_TRUE(t->SetPermissions(&replaced));
  ASSERT_TRUE(platform_->RenameOver(temp, root_ + "out"));
  EXPECT_EQ(dir_.Read("out"), "new");
  struct stat st;
  ASSERT_EQ(stat((root_ + "out").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  Write("f", "0123456789");
  auto s = platform_->Open(root_ + "f", OpenMode::kUpdate);
  ASSERT_NE(s, nullptr);
  FileIdentity loaded, named;
  ASSERT_TRUE(s->Identify(&loaded));
  Write("g", "other");
  ASSERT_EQ(rename((root_ + "g").c_str(), (root_ + "f").c_str()), 0);
  ASSERT_TRUE(platform_->Identify(root_ + "f", &named));
  EXPECT_FALSE(SameFile(loaded, named));
  s->WriteAt("ab", 2, 1);
  EXPECT_TRUE(s->SetLength(3));
  EXPECT_FALSE(s->error());
  EXPECT_EQ(dir_.Read("f"), "other");  // The new file is not touched.
}

TEST_F(PlatformPosixTest, WritingToAReadStreamSetsTheErrorIndicator) {
  Write("f", "abc");
  auto s = platform_->Open(root_ + "f", OpenMode::kRead);
  ASSERT_NE(s, nullptr);
  s->Write("x", 1);
  EXPECT_TRUE(s->error());
  EXPECT_EQ(dir_.Read("f"), "abc");
}

TEST_F(PlatformPosixTest, DirectoriesAreNotOpenedAsFiles) {
  ASSERT_EQ(mkdir((root_ + "d").c_str(), 0777), 0);
  EXPECT_EQ(platform_->Open(root_ + "d", OpenMode::kRead), nullptr);
  EXPECT_EQ(platform_->Open(root_ + "missing", OpenMode::kRead), nullptr);
}

TEST_F(PlatformPosixTest, MakeAndRemoveDirectories) {
  EXPECT_TRUE(platform_->MakeDirectory(root_ + "out"));
  EXPECT_FALSE(platform_->MakeDirectory(root_ + "out"));
  Write("out/f", "x");
  EXPECT_FALSE(platform_->RemoveDirectory(root_ + "out"));
  ASSERT_EQ(unlink((root_ + "out/f").c_str()), 0);
  EXPECT_TRUE(platform_->RemoveDirectory(root_ + "OUT"));
}

// Another program cutting the file must not end the process: the lost
// pages read as zeros and the damage is told.
TEST_F(PlatformPosixTest, AMappedImageCutShortByAnotherProgramReadsAsZeros) {
  Write("f", std::string(5 * 4096, 'a'));
  auto s = platform_->Open(root_ + "f", OpenMode::kRead);
  ASSERT_NE(s, nullptr);
  std::unique_ptr<FileImage> image = s->MapImage(5 * 4096);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->size(), 5 * 4096);
  EXPECT_EQ(image->data()[4 * 4096], 'a');
  EXPECT_FALSE(image->damaged());
  ASSERT_EQ(truncate((root_ + "f").c_str(), 100), 0);
  EXPECT_EQ(image->data()[4 * 4096 + 1], 0);
  EXPECT_EQ(image->data()[99], 'a');
  EXPECT_TRUE(image->damaged());
  image.reset();

  Write("g", "abc");
  auto g = platform_->Open(root_ + "g", OpenMode::kRead);
  ASSERT_NE(g, nullptr);
  std::unique_ptr<FileImage> next = g->MapImage(3);
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(std::string(next->data(), 3), "abc");
  EXPECT_FALSE(next->damaged());
}

// A temporary stays locked while its stream lives, also once closed (it
// takes its name after the close); one whose process is gone is swept.
TEST_F(PlatformPosixTest, SweepRemovesOnlyTemporariesNoStreamHolds) {
  std::string closed, gone;
  auto live = platform_->CreateTemporary(root_ + "out", &closed);
  ASSERT_NE(live, nullptr);
  EXPECT_TRUE(live->Close());
  ASSERT_NE(platform_->CreateTemporary(root_ + "out", &gone), nullptr);
  platform_->RemoveLeftTemporaries(root_ + "out");
  struct stat st;
  EXPECT_EQ(lstat(closed.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_NE(lstat(gone.c_str(), &st), 0);
}

}  // namespace
}  // namespace swu
