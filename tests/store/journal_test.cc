// Tests of the journal on its own: a journal cut short anywhere reads as
// incomplete and one changed anywhere never reads as complete; applying a
// journal again after any part of an earlier attempt ends with the result.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "fakes/memory_stream.h"
#include "fakes/temp_dir.h"
#include "platform/platform.h"
#include "store/journal_apply.h"
#include "store/journal_format.h"
#include "store/journal_writer.h"

namespace swu {
namespace {

// The original and the result of a rewrite that changes bytes in place,
// then grows: the journal holds separate small records and a tail.
const std::string kOriginal = "0123456789abcdefghijklmnopqrstuvwxyz";
const std::string kResult = "0123X56789abcYefghijkZmnopqrstuvwxyz--more--";

class JournalTest : public ::testing::Test {
 protected:
  // Writes the journal of kOriginal -> kResult and returns its bytes.
  std::string WriteJournal() {
    JournalHeader header;
    header.file_number = 7;
    header.original_size = static_cast<int64_t>(kOriginal.size());
    header.name = "f.txt";
    JournalWriter writer(Platform::Default(), dir_.Path("j"), header);
    writer.WriteAt("X", 1, 4);
    writer.WriteAt("Y", 1, 13);
    writer.WriteAt("Z", 1, 21);
    writer.WriteAt("--more--", 8, 36);
    EXPECT_TRUE(writer.Finish(static_cast<int64_t>(kResult.size()), false));
    writer.Keep();
    return dir_.Read("j");
  }

  JournalState StateOf(const std::string& bytes) {
    dir_.Write("k", bytes);
    std::unique_ptr<Stream> s =
        Platform::Default()->Open(dir_.Path("k"), OpenMode::kRead);
    JournalInfo info;
    ReadJournal(s.get(), &info);
    return info.state;
  }

  TempDir dir_;
};

TEST_F(JournalTest, ACutJournalIsIncompleteAndAChangedOneNeverComplete) {
  const std::string journal = WriteJournal();
  EXPECT_EQ(StateOf(journal), JournalState::kComplete);
  for (size_t cut = 0; cut < journal.size(); ++cut) {
    EXPECT_EQ(StateOf(journal.substr(0, cut)), JournalState::kIncomplete)
        << "cut at " << cut;
  }
  for (size_t at = 0; at < journal.size(); ++at) {
    std::string changed = journal;
    changed[at] = static_cast<char>(changed[at] ^ 0x20);
    EXPECT_NE(StateOf(changed), JournalState::kComplete) << "byte " << at;
  }
}

// A file stream that takes only its first |budget| bytes of writes, as a
// process killed part way through would have written them.
class Budgeted : public MemoryStream {
 public:
  Budgeted(std::string contents, int64_t budget)
      : MemoryStream(std::move(contents)), budget_(budget) {}
  void WriteAt(const void* data, int64_t n, int64_t offset) override {
    int64_t take = std::min(n, budget_);
    budget_ -= take;
    if (take > 0) MemoryStream::WriteAt(data, take, offset);
    if (take < n) failed_ = true;
  }
  bool error() const override { return failed_; }

 private:
  int64_t budget_;
  bool failed_ = false;
};

TEST_F(JournalTest, ApplyingAgainAfterAnyPartFinishesTheRewrite) {
  WriteJournal();
  std::unique_ptr<Stream> journal =
      Platform::Default()->Open(dir_.Path("j"), OpenMode::kRead);
  JournalInfo info;
  ReadJournal(journal.get(), &info);
  ASSERT_EQ(info.state, JournalState::kComplete);
  const int64_t original = static_cast<int64_t>(kOriginal.size());
  for (int64_t budget = 0; budget <= 64; ++budget) {
    Budgeted first(kOriginal, budget);
    ApplyJournal(journal.get(), info.records_begin, &first, original,
                 info.result_size, false);
    MemoryStream again(first.data());
    EXPECT_EQ(ApplyJournal(journal.get(), info.records_begin, &again, original,
                           info.result_size, false),
              Applied::kDone)
        << budget;
    EXPECT_EQ(again.data(), kResult) << "after " << budget << " bytes";
  }
}

}  // namespace
}  // namespace swu
