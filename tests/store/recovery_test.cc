// The recovery decision, row by row, on the real disk: what becomes of a
// journal and its file for each state of the journal and of the file.

#include "store/recovery.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "fakes/temp_dir.h"
#include "platform/platform.h"
#include "store/journal_names.h"
#include "store/journal_writer.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace swu {
namespace {

// Three proof blocks and a bit; the rewrite changes a byte in the first
// and in the third, so a file can be part way between the two.
std::string Original() { return std::string(3 * kProofBlock + 10, 'o'); }
std::string Result() {
  std::string s = Original();
  s[5] = 'R';
  s[2 * kProofBlock + 5] = 'R';
  return s;
}

class RecoveryTest : public ::testing::Test {
 protected:
  Platform* platform() { return Platform::Default(); }

  // Writes f.txt as |contents| and leaves the complete journal of the
  // rewrite Original() -> Result() beside it; returns its path.
  std::string Journalled(const std::string& contents,
                         const std::string& name = "f.txt") {
    const std::string original = Original();
    dir_.Write("f.txt", original);
    FileIdentity id;
    EXPECT_TRUE(platform()->Identify(dir_.Path("f.txt"), &id));
    JournalHeader header;
    header.file_number = id.file_number;
    header.original_size = id.size;
    header.original_modified = id.modified;
    header.name = name;
    std::string path = JournalPathFor(dir_.Path("f.txt"), id, *platform());
    JournalWriter writer(platform(), path, header, original.data(), id.owner);
    writer.WriteAt("R", 1, 5);
    writer.WriteAt("R", 1, 2 * kProofBlock + 5);
    JournalEnd end;
    end.result_size = static_cast<int64_t>(original.size());
    EXPECT_TRUE(writer.Finish(end, false));
    writer.LeaveForRecovery();
    if (contents != original) {
      std::unique_ptr<File> f =
          platform()->Open(dir_.Path("f.txt"), OpenMode::kUpdate);
      f->WriteAt(contents.data(), static_cast<int64_t>(contents.size()), 0);
    }
    return path;
  }

  Recovery Recover() {
    return RecoverFile(platform(), *platform(), dir_.Path("f.txt"), false);
  }
  bool Exists(const std::string& path) {
    FileIdentity id;
    return platform()->IdentifyExact(path, &id);
  }

  TempDir dir_;
};

TEST_F(RecoveryTest, ACompleteJournalFinishesEveryStateItExplains) {
  std::string partial = Original();
  partial[5] = 'R';  // the first block written, the third not yet
  for (const std::string& state : {Original(), partial, Result()}) {
    std::string journal = Journalled(state);
    EXPECT_EQ(Recover(), Recovery::kFinished);
    EXPECT_EQ(dir_.Read("f.txt"), Result());
    EXPECT_FALSE(Exists(journal));
  }
}

TEST_F(RecoveryTest, AFileItDoesNotExplainKeepsBothAsTheyAre) {
  std::string other = Original();
  other[kProofBlock + 7] = 'x';  // a block the rewrite never touches
  for (const std::string& state :
       {other, std::string(Original().size(), 'y')}) {
    std::string journal = Journalled(state);
    EXPECT_EQ(Recover(), Recovery::kFileChanged);
    EXPECT_EQ(dir_.Read("f.txt"), state);
    EXPECT_TRUE(Exists(journal));
    platform()->DeleteFile(journal);
  }
}

TEST_F(RecoveryTest, CutDamagedAndDoneJournals) {
  // Cut short: its file was never written, and it goes.
  std::string journal = Journalled(Original());
  std::string bytes = dir_.Read(journal.substr(dir_.Path("").size()));
  std::string name = journal.substr(dir_.Path("").size());
  dir_.Write(name, bytes.substr(0, bytes.size() / 2));
  EXPECT_EQ(Recover(), Recovery::kOriginalKept);
  EXPECT_FALSE(Exists(journal));
  // Damaged, the file untouched: removed. The file written since: kept.
  std::string flipped = bytes;
  flipped[flipped.size() - 20] ^= 1;
  dir_.Write(name, flipped);
  EXPECT_EQ(Recover(), Recovery::kOriginalKept);
  dir_.Write(name, flipped);
  dir_.Write("f.txt", Result() + "longer");
  EXPECT_EQ(Recover(), Recovery::kDamaged);
  EXPECT_TRUE(Exists(journal));
  // Marked done: removed without a word, the file as it is.
  dir_.Write(name, "SWUJDONE");
  EXPECT_EQ(Recover(), Recovery::kNothing);
  EXPECT_FALSE(Exists(journal));
}

TEST_F(RecoveryTest, DiscardRemovesWithoutApplying) {
  std::string journal = Journalled(Original());
  std::string file_path;
  EXPECT_EQ(RecoverJournalAt(platform(), *platform(), journal, false, true,
                             &file_path),
            Recovery::kDiscarded);
  EXPECT_EQ(dir_.Read("f.txt"), Original());
  EXPECT_FALSE(Exists(journal));
}

// A name in the journal that leaves its directory is never followed.
TEST_F(RecoveryTest, AStoredNameOutsideTheDirectoryIsNotFollowed) {
  std::string journal = Journalled(Original(), "../victim.txt");
  std::string file_path;
  EXPECT_EQ(RecoverJournalAt(platform(), *platform(), journal, false, false,
                             &file_path),
            Recovery::kDamaged);
  EXPECT_EQ(file_path, journal);
  EXPECT_EQ(dir_.Read("f.txt"), Original());
}

#ifndef _WIN32
TEST_F(RecoveryTest, LinksAndJournalsInUseAreLeftAlone) {
  std::string journal = Journalled(Original());
  // Held by a live run.
  int held = open(journal.c_str(), O_RDONLY);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  EXPECT_EQ(Recover(), Recovery::kInUse);
  close(held);
  // A second name: a journal with two is not trusted, and a run over the
  // file leaves it alone as no journal of the file's.
  ASSERT_EQ(link(journal.c_str(), dir_.Path("second").c_str()), 0);
  std::string path;
  EXPECT_EQ(
      RecoverJournalAt(platform(), *platform(), journal, false, false, &path),
      Recovery::kForeign);
  EXPECT_EQ(Recover(), Recovery::kNothing);
  EXPECT_TRUE(Exists(journal));
  unlink(dir_.Path("second").c_str());
  // A link at the journal's name is never followed.
  ASSERT_EQ(rename(journal.c_str(), dir_.Path("target").c_str()), 0);
  ASSERT_EQ(symlink("target", journal.c_str()), 0);
  EXPECT_EQ(
      RecoverJournalAt(platform(), *platform(), journal, false, false, &path),
      Recovery::kForeign);
  EXPECT_EQ(Recover(), Recovery::kNothing);
  EXPECT_EQ(dir_.Read("f.txt"), Original());
}
#endif

}  // namespace
}  // namespace swu
