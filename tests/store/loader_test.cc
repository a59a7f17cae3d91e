// Tests of loading: each failure code, the open sequence for in place,
// report-only and -$ runs, creation under -B:C/-T:C, the reuse of the
// run's block, and a mapped image in its place.

#include "store/loader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "fakes/engine_harness.h"
#include "store/file_buffer.h"

namespace swu {
namespace {

class LoaderTest : public ::testing::Test {
 protected:
  EngineHarness h_;
};

TEST_F(LoaderTest, FailureCodes) {
  struct Case {
    const char* name;
    FaultOp op;  // the call that fails (kAllocate with n 0: none)
    int n;
    std::string content;
    FileError error;
  } cases[] = {
      {"missing file", FaultOp::kAllocate, 0, "<none>", FileError::OpenFailed},
      {"cannot open for update", FaultOp::kOpenUpdate, 1, "abc",
       FileError::ReadOnly},
      {"seek to the start fails", FaultOp::kSeek, 1, "abc",
       FileError::ReadFailed},
      {"seek back after the read fails", FaultOp::kSeek, 2, "abc",
       FileError::ReadFailed},
      {"read fails", FaultOp::kRead, 1, "abc", FileError::ReadFailed},
      {"no memory", FaultOp::kAllocate, 1, std::string(40000, 'a'),
       FileError::LoadNoMemory},
  };
  h_.Configure("a", "b", "");
  for (const Case& c : cases) {
    h_.platform().Clear();
    h_.platform().FailNth(c.op, c.n);
    if (c.content != "<none>") h_.dir().Write(c.name, c.content);
    FileOutcome outcome = h_.Process(c.name);
    EXPECT_EQ(outcome.error, c.error) << c.name;
    EXPECT_FALSE(outcome.loaded) << c.name;
    if (c.content != "<none>") {
      EXPECT_EQ(h_.dir().Read(c.name), c.content) << c.name;
    }
  }
}

TEST_F(LoaderTest, EmptyFileIsLoadedAsAFileWithoutAMatch) {
  h_.Configure("a", "b", "");
  h_.dir().Write("e.txt", "");
  FileOutcome outcome = h_.Process("e.txt");
  EXPECT_TRUE(outcome.ok());
  EXPECT_EQ(outcome.acted_on, 0);
  EXPECT_TRUE(outcome.loaded);
  EXPECT_EQ(0, outcome.original_size);
  EXPECT_EQ("", h_.dir().Read("e.txt"));
}

TEST_F(LoaderTest, FileOverTheSizeLimitIsRefused) {
  h_.Configure("a", "b", "");
  auto big = h_.platform().Open(h_.dir().Path("big"), OpenMode::kCreate);
  ASSERT_NE(big, nullptr);
  ASSERT_TRUE(big->SetLength(kMaxFileSize + 1));
  ASSERT_TRUE(big->Close());
  EXPECT_EQ(h_.Process("big").error, FileError::BadSize);
  EXPECT_TRUE(h_.platform().allocations().size() == 1);  // only the first block
}

TEST_F(LoaderTest, ReadOnlyFileIsProcessedWhereNothingIsWrittenToIt) {
  for (const char* switches : {"-#:0", "-#:R", "-$"}) {
    EngineHarness h;
    h.Configure("a", "b", switches);
    h.dir().Write("f.txt", "aaa");
    h.platform().FailNth(FaultOp::kOpenUpdate, 1, /*sticky=*/true);
    FileOutcome outcome = h.Process("f.txt", "out.txt");
    EXPECT_TRUE(outcome.ok()) << switches;
    EXPECT_EQ(h.dir().Read("f.txt"), "aaa") << switches;
  }
}

TEST_F(LoaderTest, ReadOnlyFileIsNeverCreatedAnew) {
  h_.Configure("a", "NEW", "-T:C");
  h_.create() = CreateState::Creating;
  h_.dir().Write("f.txt", "xyz");
  h_.platform().FailNth(FaultOp::kOpenUpdate, 1, /*sticky=*/true);
  EXPECT_EQ(h_.Process("f.txt").error, FileError::ReadOnly);
  EXPECT_EQ(h_.dir().Read("f.txt"), "xyz");
  EXPECT_EQ(h_.create(), CreateState::Creating);
}

TEST_F(LoaderTest, CreatesMissingFile) {
  h_.Configure("a", "NEW", "-T:C -D");
  h_.create() = CreateState::Creating;
  FileOutcome outcome = h_.Process("f.txt");
  EXPECT_TRUE(outcome.ok());
  EXPECT_EQ(outcome.acted_on, 0);
  EXPECT_TRUE(outcome.loaded);
  EXPECT_TRUE(outcome.text_added);
  EXPECT_EQ(outcome.original_size, 0);
  EXPECT_EQ(h_.create(), CreateState::Created);
  // No break before it; the one after it is the system's own.
  std::string own = Platform::Default()->TextBreakLength() == 2 ? "\r\n" : "\n";
  EXPECT_EQ(h_.dir().Read("f.txt"), "NEW" + own);
}

TEST_F(LoaderTest, CreatesTheOutputFileNotTheInput) {
  h_.Configure("a", "NEW", "-B:C -$");
  h_.create() = CreateState::Creating;
  EXPECT_TRUE(h_.Process("f.txt", "out.txt").ok());
  EXPECT_EQ(h_.dir().Read("out.txt"), "NEW");
  EXPECT_EQ(h_.dir().Read("f.txt"), "<missing>");
}

TEST_F(LoaderTest, CreateNeverTruncatesAFileThatCouldNotBeRead) {
  h_.Configure("a", "NEW", "-T:C");
  h_.create() = CreateState::Creating;
  h_.dir().Write("f.txt", "precious");
  h_.platform().FailNth(FaultOp::kOpenUpdate, 1);
  h_.platform().FailNth(FaultOp::kOpenRead, 1);
  EXPECT_EQ(h_.Process("f.txt").error, FileError::OpenFailed);
  EXPECT_EQ(h_.dir().Read("f.txt"), "precious");
}

TEST_F(LoaderTest, EmptyFileTakesTheTextWhileCreateIsRequested) {
  h_.Configure("a", "NEW", "-T:C");
  h_.create() = CreateState::CreateRequested;
  h_.dir().Write("f.txt", "");
  FileOutcome outcome = h_.Process("f.txt");
  EXPECT_TRUE(outcome.ok());
  EXPECT_EQ(outcome.acted_on, 0);
  EXPECT_TRUE(outcome.text_added);
  EXPECT_EQ(h_.dir().Read("f.txt"), "NEW");
  // The file existed: the run goes on with the next file.
  EXPECT_EQ(h_.create(), CreateState::CreateRequested);
}

TEST_F(LoaderTest, BlockGrowsOnlyForALargerFile) {
  h_.Configure("a", "b", "");
  h_.dir().Write("1", std::string(100000, 'x'));
  h_.dir().Write("2", std::string(10, 'x'));
  h_.dir().Write("3", std::string(200000, 'x'));
  for (const char* name : {"1", "2", "3"}) h_.Process(name);
  EXPECT_EQ(h_.platform().allocations(),
            (std::vector<int64_t>{32768, 100000, 200000}));
}

TEST_F(LoaderTest, NextFileRetriesAfterAFailedAllocation) {
  h_.Configure("x", "y", "");
  h_.dir().Write("1", std::string(40000, 'x'));
  h_.platform().Clear();
  h_.platform().FailNth(FaultOp::kAllocate, 1);
  EXPECT_EQ(h_.Process("1").error, FileError::LoadNoMemory);
  h_.dir().Write("2", "x");
  EXPECT_EQ(h_.Process("2").acted_on, 1);
  EXPECT_EQ(h_.dir().Read("2"), "y");
}

// A mapped image that reads as given, damaged or not.
class FakeImage : public FileImage {
 public:
  FakeImage(std::string bytes, bool damaged)
      : bytes_(std::move(bytes)), damaged_(damaged) {}
  const char* data() const override { return bytes_.data(); }
  int64_t size() const override { return static_cast<int64_t>(bytes_.size()); }
  bool damaged() const override { return damaged_; }

 private:
  std::string bytes_;
  bool damaged_;
};

// The damage of one file's mapped image must not fail the next file, read
// into the block.
TEST_F(LoaderTest, AMappedImageStandsInForTheBlockUntilReset) {
  FileBuffer buffer(&h_.platform());
  ASSERT_TRUE(buffer.MakeRoom(3));
  buffer.UseMappedImage(std::make_unique<FakeImage>("mapped", true));
  EXPECT_EQ(
      std::string(buffer.bytes() + buffer.start, buffer.bytes() + buffer.end),
      "mapped");
  EXPECT_FALSE(buffer.Intact());
  buffer.Reset();

  buffer.SetImage(3);
  memcpy(buffer.block(), "abc", 3);
  EXPECT_EQ(std::string(buffer.bytes(), buffer.bytes() + 3), "abc");
  EXPECT_TRUE(buffer.Intact());
}

TEST_F(LoaderTest, OutputThatCannotBeOpened) {
  h_.Configure("a", "b", "-$");
  h_.dir().Write("f.txt", "a");
  EXPECT_EQ(h_.Process("f.txt", "no/such/dir/f.txt").error,
            FileError::WriteOpenFailed);
}

}  // namespace
}  // namespace swu
