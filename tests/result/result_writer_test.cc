// Tests of committing: the four -$ forms; in place, that a fault before
// the journal is complete leaves the file untouched and one after it is
// finished from the journal; under -$, that an appended output is cut back
// to its old length and a new output file removed. Faults are injected
// into the real platform and the bytes on disk are checked.

#include "result/result_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fakes/engine_harness.h"

namespace swu {
namespace {

class ResultWriterTest : public ::testing::Test {
 protected:
  // Writes the three input files a, b and c.
  void WriteInputs() {
    h_.dir().Write("a", "1x");
    h_.dir().Write("b", "2x");
    h_.dir().Write("c", "3x");
  }

  EngineHarness h_;
};

TEST_F(ResultWriterTest, OutputDirectoryFormLeavesInputs) {
  h_.Configure("x", "Y", "-$");
  WriteInputs();
  h_.dir().Write("out", "old content");
  EXPECT_EQ(h_.Process("a", "out").acted_on, 1);
  EXPECT_EQ(h_.dir().Read("out"), "1Y");
  EXPECT_EQ(h_.dir().Read("a"), "1x");
}

TEST_F(ResultWriterTest, AppendingFormsAddEachResult) {
  for (const char* form : {"-$:A out", "-$:B out"}) {
    EngineHarness h;
    h.Configure("x", "Y", form);
    h.dir().Write("out", "old;");
    for (const char* name : {"a", "b", "c"}) {
      h.dir().Write(name, std::string(name) + "x");
      EXPECT_EQ(h.Process(name, "out").acted_on, 1) << form;
    }
    EXPECT_EQ(h.dir().Read("out"), "old;aYbYcY") << form;
  }
}

TEST_F(ResultWriterTest, SingleFileFormKeepsTheLastResult) {
  h_.Configure("x", "Y", "-$:F out");
  WriteInputs();
  for (const char* name : {"a", "b", "c"}) h_.Process(name, "out");
  EXPECT_EQ(h_.dir().Read("out"), "3Y");
}

TEST_F(ResultWriterTest, EmptyInsertedTextStillCountsAsAdded) {
  h_.Configure("q", "", "-T");
  h_.dir().Write("a", "abc");
  FileOutcome outcome = h_.Process("a");
  EXPECT_TRUE(outcome.text_added);
  EXPECT_EQ(h_.dir().Read("a"), "abc");
}

TEST_F(ResultWriterTest, InsertionAtTheStartComesFirstWhenAppending) {
  h_.Configure("q", "NEW", "-B -$:A out");
  h_.dir().Write("out", "old;");
  h_.dir().Write("a", "content");
  EXPECT_TRUE(h_.Process("a", "out").ok());
  EXPECT_EQ(h_.dir().Read("out"), "old;NEWcontent");
}

// Same-length changes far apart go out in separate positioned writes; the
// second one fails after the first changed the file.
// Many matches, so that the result reaches the file in several writes.
std::string Repeated(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

// The number of journals left in |dir|, not counting the spare journal
// file the processor keeps for its next file.
int Journals(const TempDir& dir) {
  int found = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path(""))) {
    std::string name = e.path().filename().string();
    found += name.rfind(".swu-journal-", 0) == 0 &&
             name.rfind(".swu-journal-s", 0) != 0;
  }
  return found;
}

// In place the result goes to a journal first: a fault there, growing,
// shrinking or at the same length, leaves the file as it was.
TEST_F(ResultWriterTest, WriteFaultInTheJournalLeavesTheFileUntouched) {
  const struct {
    const char* search;
    const char* replacement;
  } kCases[] = {{"b", "BBB"}, {"bc", ""}, {"b", "B"}};
  for (const auto& c : kCases) {
    EngineHarness h;
    h.Configure(c.search, c.replacement, "");
    const std::string image = Repeated("abc", 500000);
    h.dir().Write("f", image);
    h.platform().FailNth(FaultOp::kJournalWrite, 1);
    FileOutcome outcome = h.Process("f");
    EXPECT_EQ(outcome.error, FileError::WriteFault) << c.search;
    EXPECT_EQ(h.dir().Read("f"), image) << c.search;
    EXPECT_EQ(outcome.size_change, 0) << c.search;  // Not in the totals.
    EXPECT_EQ(Journals(h.dir()), 0) << c.search;
  }
}

// Once the journal is complete, a write that fails while the file is
// written is tried again from the journal.
TEST_F(ResultWriterTest, AFailedWriteInPlaceIsFinishedFromTheJournal) {
  h_.Configure("b", "BBB", "");
  const std::string image = Repeated("abc", 50000);
  h_.dir().Write("f", image);
  h_.platform().FailNth(FaultOp::kWrite, 1);
  EXPECT_EQ(h_.Process("f").acted_on, 50000);
  EXPECT_EQ(h_.dir().Read("f"), Repeated("aBBBc", 50000));
  EXPECT_EQ(Journals(h_.dir()), 0);
}

// A file whose writing keeps failing keeps its journal, and the next run
// over it finishes the rewrite before anything else.
TEST_F(ResultWriterTest, AFaultThatPersistsLeavesTheJournalForTheNextRun) {
  h_.Configure("bc", "", "");
  h_.dir().Write("f", "abcd");
  h_.platform().FailNth(FaultOp::kSetLength, 1, /*sticky=*/true);
  EXPECT_EQ(h_.Process("f").error, FileError::WriteFault);
  EXPECT_EQ(Journals(h_.dir()), 1);
  h_.platform().Clear();
  h_.NextRun();
  FileOutcome outcome = h_.Process("f");
  EXPECT_EQ(outcome.recovery, Recovery::kFinished);
  EXPECT_TRUE(outcome.ok());
  // The same command finds the rewrite it began: its match counts once,
  // and the result is not searched again.
  EXPECT_EQ(outcome.acted_on, 1);
  EXPECT_EQ(h_.dir().Read("f"), "ad");
  EXPECT_EQ(Journals(h_.dir()), 0);
}

TEST_F(ResultWriterTest, WriteFaultWhenAppendingCutsTheOutputBack) {
  h_.Configure("x", "Y", "-$:A out");
  WriteInputs();
  h_.dir().Write("b", Repeated("2x", 100000));
  h_.dir().Write("out", "old;");
  EXPECT_EQ(h_.Process("a", "out").acted_on, 1);
  h_.platform().Clear();
  h_.platform().FailNth(FaultOp::kWrite, 2);
  EXPECT_EQ(h_.Process("b", "out").error, FileError::WriteFault);
  EXPECT_EQ(h_.dir().Read("out"), "old;1Y");
}

// An append that cannot be cut back when it fails keeps its note beside
// the output, and the next append to that output cuts it back first.
TEST_F(ResultWriterTest, AppendLeftUncutIsCutBackByTheNextOne) {
  h_.Configure("x", "Y", "-$:A out");
  h_.dir().Write("a", Repeated("1x", 100000));
  h_.dir().Write("b", "2x");
  h_.dir().Write("out", "old;");
  h_.platform().FailNth(FaultOp::kWrite, 3);  // the note, a batch, this
  h_.platform().FailNth(FaultOp::kSetLength, 1, /*sticky=*/true);
  EXPECT_EQ(h_.Process("a", "out").error, FileError::WriteFault);
  EXPECT_GT(h_.dir().Read("out").size(), 4u);
  h_.platform().Clear();
  EXPECT_EQ(h_.Process("b", "out").acted_on, 1);
  EXPECT_EQ(h_.dir().Read("out"), "old;2Y");
}

TEST_F(ResultWriterTest, WriteFaultRemovesANewOutputFile) {
  for (const char* form : {"-$", "-$:F out"}) {
    EngineHarness h;
    h.Configure("x", "Y", form);
    h.dir().Write("a", "1x");
    h.platform().FailNth(FaultOp::kWrite, 1);
    EXPECT_EQ(h.Process("a", "out").error, FileError::WriteFault) << form;
    EXPECT_EQ(h.dir().Read("out"), "<missing>") << form;
    EXPECT_EQ(h.dir().Read("a"), "1x") << form;
  }
}

// The result goes to a temporary file first: a failure leaves an output
// file that was there as it was, and no temporary file behind.
TEST_F(ResultWriterTest, WriteFaultKeepsAnExistingOutputFile) {
  for (FaultOp op : {FaultOp::kWrite, FaultOp::kRename}) {
    for (const char* form : {"-$", "-$:F out"}) {
      EngineHarness h;
      h.Configure("x", "Y", form);
      h.dir().Write("a", Repeated("1x", 100000));
      h.dir().Write("out", "old content");
      h.platform().FailNth(op, 1);
      EXPECT_EQ(h.Process("a", "out").error, FileError::WriteFault) << form;
      EXPECT_EQ(h.dir().Read("out"), "old content") << form;
      int entries = 0;
      for (const auto& e :
           std::filesystem::directory_iterator(h.dir().Path("")))
        entries += e.is_regular_file() ? 1 : 0;
      EXPECT_EQ(entries, 2) << form;  // a and out
    }
  }
}

// A -$ output whose closing fails is a write fault and is not kept.
TEST_F(ResultWriterTest, FailedCloseIsAWriteFault) {
  h_.Configure("b", "BB", "-$:F out");
  h_.dir().Write("f", "abc");
  h_.platform().FailNth(FaultOp::kClose, 1);
  EXPECT_EQ(h_.Process("f", "out").error, FileError::WriteFault);
  EXPECT_EQ(h_.dir().Read("out"), "<missing>");
  EXPECT_EQ(h_.dir().Read("f"), "abc");
}

TEST_F(ResultWriterTest, ReportOnlyModeAddsNoText) {
  h_.Configure("q", "NEW", "-T -#:0");
  h_.dir().Write("f", "abc");
  FileOutcome outcome = h_.Process("f");
  EXPECT_TRUE(outcome.ok());
  EXPECT_EQ(outcome.acted_on, 0);
  EXPECT_FALSE(outcome.text_added);
  EXPECT_EQ(h_.dir().Read("f"), "abc");
}

}  // namespace
}  // namespace swu
