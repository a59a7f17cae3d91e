// Tests of the journal on its own: a journal cut short anywhere reads as
// incomplete and one changed anywhere never reads as complete; applying a
// journal again after any part of an earlier attempt ends with the result,
// and every state an apply can leave is one its proof explains, while a
// file someone else wrote is not.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fakes/memory_stream.h"
#include "fakes/temp_dir.h"
#include "platform/platform.h"
#include "store/journal_apply.h"
#include "store/journal_proof.h"
#include "store/journal_reader.h"
#include "store/journal_writer.h"

namespace swu {
namespace {

// A record: the result has |bytes| at |offset|.
struct Edit {
  int64_t offset;
  std::string bytes;
};

// An original of three and a bit proof blocks, and rewrites of it that
// keep its length, grow it and shrink it.
std::string Original() {
  std::string s;
  for (int i = 0; s.size() < 3 * kProofBlock + 100; ++i) {
    s += "line " + std::to_string(i) + "\n";
  }
  return s;
}

std::string Apply(std::string s, const std::vector<Edit>& edits, int64_t size) {
  for (const Edit& e : edits) {
    if (e.offset + e.bytes.size() > s.size()) {
      s.resize(e.offset + e.bytes.size());
    }
    s.replace(e.offset, e.bytes.size(), e.bytes);
  }
  s.resize(size);
  return s;
}

struct Rewrite {
  std::vector<Edit> edits;
  int64_t result_size;
};

std::vector<Rewrite> Rewrites() {
  const int64_t n = static_cast<int64_t>(Original().size());
  std::string tail = Original().substr(kProofBlock + 7) + "--more--";
  return {
      {{{4, "X"}, {kProofBlock - 1, "YZ"}, {2 * kProofBlock + 9, "W"}}, n},
      {{{kProofBlock + 3, "GROWN" + tail}},
       kProofBlock + 3 + 5 + static_cast<int64_t>(tail.size())},
      {{{10, "a"}, {kProofBlock + 50, "cut"}}, kProofBlock + 53},
  };
}

class JournalTest : public ::testing::Test {
 protected:
  // Writes the journal of Original() -> |rewrite| and returns its bytes.
  std::string WriteJournal(const Rewrite& rewrite) {
    original_ = Original();
    Platform::Default()->DeleteFile(dir_.Path("j"));
    JournalHeader header;
    header.file_number = 7;
    header.original_size = static_cast<int64_t>(original_.size());
    header.name = "f.txt";
    JournalWriter writer(Platform::Default(), dir_.Path("j"), header,
                         original_.data(), 0);
    for (const Edit& e : rewrite.edits) {
      writer.WriteAt(e.bytes.data(), static_cast<int64_t>(e.bytes.size()),
                     e.offset);
    }
    JournalEnd end;
    end.result_size = rewrite.result_size;
    EXPECT_TRUE(writer.Finish(end, false));
    writer.LeaveForRecovery();
    return dir_.Read("j");
  }

  JournalInfo InfoOf(const std::string& bytes) {
    dir_.Write("k", bytes);
    std::unique_ptr<File> s =
        Platform::Default()->Open(dir_.Path("k"), OpenMode::kRead);
    JournalInfo info;
    ReadJournal(s.get(), &info);
    return info;
  }

  FileState StateOf(const std::string& file, const JournalInfo& info) {
    MemoryStream stream(file);
    return CheckFile(&stream, static_cast<int64_t>(file.size()),
                     info.header.original_size, info.end.result_size,
                     info.end.proof);
  }

  TempDir dir_;
  std::string original_;
};

TEST_F(JournalTest, ACutJournalIsIncompleteAndAChangedOneNeverComplete) {
  const std::string journal = WriteJournal(Rewrites()[0]);
  EXPECT_EQ(InfoOf(journal).state, JournalState::kComplete);
  for (size_t cut = 0; cut < journal.size(); ++cut) {
    EXPECT_EQ(InfoOf(journal.substr(0, cut)).state, JournalState::kIncomplete)
        << "cut at " << cut;
  }
  for (size_t at = 0; at < journal.size(); ++at) {
    std::string changed = journal;
    changed[at] = static_cast<char>(changed[at] ^ 0x20);
    EXPECT_NE(InfoOf(changed).state, JournalState::kComplete) << "byte " << at;
  }
}

// A journal whose record claims to reach past the result, or whose length
// would overflow, never reads as complete.
TEST_F(JournalTest, RecordsOutsideTheResultOrTheJournalAreRefused) {
  std::string journal = WriteJournal(Rewrites()[2]);
  JournalInfo info = InfoOf(journal);
  ASSERT_EQ(info.state, JournalState::kComplete);
  // The first record's step (after its length byte) sent 2^62 bytes on.
  std::string far = journal;
  size_t step_at = static_cast<size_t>(info.records_begin) + 1;
  far.replace(step_at, 1, "\xff\xff\xff\xff\xff\xff\xff\xff\x7f");
  EXPECT_NE(InfoOf(far).state, JournalState::kComplete);
  std::string huge = journal;
  huge.replace(static_cast<size_t>(info.records_begin), 1,
               "\xff\xff\xff\xff\xff\xff\xff\xff\x7f");
  EXPECT_NE(InfoOf(huge).state, JournalState::kComplete);
}

// A file stream that takes only its first |budget| bytes of writes, cut
// where a killed process's write stops: at a page boundary.
class Budgeted : public MemoryStream {
 public:
  Budgeted(std::string contents, int64_t budget)
      : MemoryStream(std::move(contents)), budget_(budget) {}
  void WriteAt(const void* data, int64_t n, int64_t offset) override {
    int64_t take = std::min(n, budget_);
    if (take < n)
      take = std::max<int64_t>(
          0, (offset + take) / kProofBlock * kProofBlock - offset);
    budget_ -= take;
    if (take > 0) MemoryStream::WriteAt(data, take, offset);
    if (take < n) failed_ = true;
  }
  bool error() const override { return failed_; }

 private:
  int64_t budget_;
  bool failed_ = false;
};

TEST_F(JournalTest, EveryPartialApplyIsExplainedAndFinishesTheRewrite) {
  for (const Rewrite& rewrite : Rewrites()) {
    WriteJournal(rewrite);
    std::unique_ptr<File> journal =
        Platform::Default()->Open(dir_.Path("j"), OpenMode::kRead);
    JournalInfo info;
    ReadJournal(journal.get(), &info);
    ASSERT_EQ(info.state, JournalState::kComplete);
    const std::string result =
        Apply(original_, rewrite.edits, rewrite.result_size);
    const int64_t original = static_cast<int64_t>(original_.size());
    EXPECT_EQ(StateOf(original_, info), FileState::kOriginal);
    EXPECT_EQ(StateOf(result, info), FileState::kResult);
    for (int64_t budget = 0; budget <= 5 * kProofBlock; budget += 97) {
      Budgeted first(original_, budget);
      ApplyJournal(journal.get(), info.records_begin, &first, original,
                   info.end.result_size, false);
      EXPECT_NE(StateOf(first.data(), info), FileState::kChanged) << budget;
      MemoryStream again(first.data());
      EXPECT_EQ(ApplyJournal(journal.get(), info.records_begin, &again,
                             original, info.end.result_size, false),
                Applied::kDone)
          << budget;
      EXPECT_TRUE(again.data() == result) << "after " << budget << " bytes";
      EXPECT_TRUE(HoldsResult(&again, nullptr, original, info.end.result_size,
                              info.end.proof));
    }
  }
}

// What another writer leaves is never taken for a state of the rewrite:
// the same length with other bytes, in a changed block or an untouched
// one, and a new file under the same number.
TEST_F(JournalTest, AFileSomeoneElseWroteIsChanged) {
  for (const Rewrite& rewrite : Rewrites()) {
    WriteJournal(rewrite);
    JournalInfo info = InfoOf(dir_.Read("j"));
    ASSERT_EQ(info.state, JournalState::kComplete);
    const std::string result =
        Apply(original_, rewrite.edits, rewrite.result_size);
    for (const std::string& base : {original_, result}) {
      for (size_t at : {size_t{5}, size_t{kProofBlock + 20}, base.size() - 1}) {
        std::string other = base;
        other[at] = static_cast<char>(other[at] ^ 1);
        EXPECT_EQ(StateOf(other, info), FileState::kChanged) << at;
      }
    }
    std::string replaced(original_.size(), 'v');
    EXPECT_EQ(StateOf(replaced, info), FileState::kChanged);
    EXPECT_EQ(StateOf(original_ + "x", info), FileState::kChanged);
  }
}

}  // namespace
}  // namespace swu
