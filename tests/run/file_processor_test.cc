// Tests of whole files through loading, the replace loop, the emitter and
// the commit: the bytes on disk and the figures reported, for each -#
// mode, each line mode, the -B/-T insertion and the empty search text.

#include "run/file_processor.h"

#include <gtest/gtest.h>

#include <string>

#include "fakes/engine_harness.h"

namespace swu {
namespace {

struct FileCase {
  const char* name;
  std::string switches;
  std::string search;
  std::string new_text;
  std::string before;
  std::string after;
  int64_t acted_on;    // matches acted on
  int64_t found = -1;  // matches found, when the case checks it
  FileError error = FileError::None;
};

void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }

class FileProcessorTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(FileProcessorTest, RewritesFile) {
  const FileCase& c = GetParam();
  EngineHarness h;
  h.Configure(c.search, c.new_text, c.switches);
  h.dir().Write("f.txt", c.before);
  FileOutcome outcome = h.Process("f.txt");
  EXPECT_EQ(h.dir().Read("f.txt"), c.after) << c.name;
  EXPECT_EQ(outcome.error, c.error) << c.name;
  EXPECT_EQ(outcome.acted_on, c.acted_on) << c.name;
  if (c.found >= 0) {
    EXPECT_EQ(outcome.matches_found, c.found) << c.name;
  }
  if (outcome.ok()) {
    // The figures describe the file as it is now.
    EXPECT_EQ(outcome.bytes_written, static_cast<int64_t>(c.after.size()))
        << c.name;
    EXPECT_EQ(outcome.size_change, static_cast<int64_t>(c.after.size()) -
                                       static_cast<int64_t>(c.before.size()))
        << c.name;
  }
}

const FileCase kReplaceCases[] = {
    {"same length", "", "abc", "xyz", "abc-abc", "xyz-xyz", 2},
    {"shorter file is cut", "", "XX", "Y", "aXXbXX", "aYbY", 2},
    {"longer file grows", "", "b", "bbb", "abab", "abbbabbb", 2},
    {"no match leaves the file", "", "q", "z", "abc", "abc", 0},
    {"no match with -~", "-~", "q", "z", "abc", "abc", 0},
    {"same length with -~", "-~", "b", "X", "abcb", "aXcX", 2},
    {"matches do not overlap", "", "aa", "X", "aaa", "Xa", 1},
    {"empty new text deletes", "", "-", "", "a-b-c", "abc", 2},
    {"case folds", "", "abc", "x", "ABC aBc", "x x", 2},
    {"CR LF and NUL survive", "", "b", "B", std::string("a\0b\r\n", 5),
     std::string("a\0B\r\n", 5), 1},
    {"empty search at line starts", "", "#", "> ", "ab\r\ncd\r\n",
     "> ab\r\n> cd\r\n", 2},
    {"empty search at line ends", "", "!", ";", "ab\r\ncd", "ab;\r\ncd", 1},
    {"empty search on an empty line", "", "#!", "-", "a\r\n\r\nb",
     "a\r\n-\r\nb", 1},
};
INSTANTIATE_TEST_SUITE_P(Replace, FileProcessorTest,
                         ::testing::ValuesIn(kReplaceCases));

const FileCase kEmitCases[] = {
    {"& inserts the match", "", "abc", "x&y", "-ABC-", "-xABCy-", 1},
    {"-&:L lower-cases", "-&:L", "a@c", "&", "ABC", "abc", 1},
    {"-&:U upper-cases", "-&:U", "a@c", "&", "abc", "ABC", 1},
    {"-&:C keeps the typed case", "-&:C", "a@c", "&", "ABC", "aBc", 1},
    {"-&:C keeps anchor characters", "-&:C", "a#@", "&", "A#!", "a#!", 1},
    {"-N pads with spaces", "-N", "abcde", "ab", "abcde!", "ab   !", 1},
    {"-N:46 pads with dots", "-N:46", "abcde", "ab", "abcde", "ab...", 1},
    {"-N never cuts", "-N", "ab", "abcdef", "ab", "abcdef", 1},
    {"-O overwrites after the match", "-O", "c", "XYZ", "abcde", "abXYZ", 1},
    {"-O stops at the end", "-O", "c", "XYZ", "abc", "abXYZ", 1},
    {"-A appends", "-A", "b", "N", "abc", "abNc", 1},
    {"-I inserts", "-I", "b", "N", "abc", "aNbc", 1},
    {"-A -D adds a line after", "-A -D", "one", "new", "one\r\ntwo\r\n",
     "one\r\nnew\r\ntwo\r\n", 1},
    {"-I -D adds a line before", "-I -D", "one", "new", "one\r\ntwo\r\n",
     "new\r\none\r\ntwo\r\n", 1},
    {"-X -D inserts the line", "-X -D", "b", "[&]", "abc\r\n", "[abc]\r\n", 1},
    {"-K:6 writes CR LF", "-K:6~", "b", "x~y", "abc\r\n", "ax\r\nyc\r\n", 1},
    {"-K:6 counts once for -N", "-K:6~ -N", "bcd", "a~", "bcd\r\n",
     "a\r\n \r\n", 1},
    {"& text is not converted", "-K:6~", "b@", "[&]", "b~", "[b~]", 1},
    // The first two lower-case letters of the sequence from seed 1.
    {"-K:RM renews after each acted-on match", "-#:O -K:2#,RM", "x", "#",
     "x x x", "q x m", 2},
};
INSTANTIATE_TEST_SUITE_P(Emit, FileProcessorTest,
                         ::testing::ValuesIn(kEmitCases));

const FileCase kLineCases[] = {
    {"-D replaces the line", "-D", "x", "N", "a\r\nbxc\r\nd", "a\r\nN\r\nd", 1},
    {"-D last line without end", "-D", "x", "N", "a\r\nbx", "a\r\nN", 1},
    {"-D empty new text drops the line", "-D", "x", "", "a\r\nbx\r\nc",
     "a\r\nc", 1},
    {"-D:P empty new text keeps the break", "-D:P", "x", "", "a\r\nbx\r\nc",
     "a\r\n\r\nc", 1},
    {"-D:L keeps the left", "-D:L", "bc", "N", "abcd\r\n", "aN\r\n", 1},
    {"-D:R keeps the right", "-D:R", "bc", "N", "abcd\r\n", "Nd\r\n", 1},
    {"-U drops matched lines", "-U", "x", "", "a\r\nxb\r\nc\r\n", "a\r\nc\r\n",
     1},
    {"-U drops a last line", "-U", "x", "", "a\r\nxb", "a\r\n", 1},
    {"-U -D with empty new text", "-U -D", "x", "", "a\r\nxb\r\n\r\nc",
     "a\r\n\r\nc", 1},
    {"-M keeps modified lines", "-M", "x", "Y", "a\r\nxb\r\nc\r\n", "Yb\r\n",
     1},
    {"-M two matches in one line", "-M", "x", "Y", "a\r\nxbx\r\nc\r\nx\r\n",
     "YbY\r\nY\r\n", 3},
    {"-M without a match", "-M", "q", "Y", "a\r\nb\r\n", "a\r\nb\r\n", 0},
    {"-M -D:L keeps the left of the line", "-M -D:L", "bc", "N",
     "q\r\nabcd\r\nz", "aN\r\n", 1},
    {"-M -D:R keeps the right of the line", "-M -D:R", "bc", "N",
     "q\r\nabcd\r\nz", "Nd\r\n", 1},
    {"-M -D with empty new text", "-M -D", "x", "", "a\r\nx\r\nb", "", 1},
};
INSTANTIATE_TEST_SUITE_P(Lines, FileProcessorTest,
                         ::testing::ValuesIn(kLineCases));

const FileCase kSelectCases[] = {
    {"-#:2,4 list", "-#:2,4", "x", "Y", "xxxxxx", "xYxYxx", 2, 6},
    {"-#:L acts on the last", "-#:L", "x", "Y", "x-x-x", "x-x-Y", 1, 3},
    {"-#:J one match", "-#:J", "x", "Y", "-x-", "-x-", 0, 1},
    {"-#:J three matches", "-#:J", "x", "Y", "x-x-x", "Y-Y-x", 2, 3},
    {"-#:O odd", "-#:O", "x", "Y", "xxxxx", "YxYxY", 3, 5},
    {"-#:E even", "-#:E", "x", "Y", "xxxxx", "xYxYx", 2, 5},
    {"-#:I all but the first", "-#:I", "x", "Y", "xxxxx", "xYYYY", 4, 5},
    {"-#:0 only counts", "-#:0", "x", "Y", "xxx", "xxx", 0, 3},
    {"-#:R only counts", "-#:R", "x", "Y", "xxx", "xxx", 0, 3},
    {"-#:0 with -~ cannot write", "-#:0 -~", "x", "Y", "xxx", "xxx", 0, 3,
     FileError::WriteFault},
    {"-#:L with growth", "-#:L", "x", "YYY", "x-x", "x-YYY", 1, 2},
    {"-#:J with -O skips a consumed match", "-#:J -O", "a", "ZZZ", "aaxa",
     "ZZZa", 1, 3},
    {"-#:2 on an empty search", "-#:2", "#", ">", "a\r\nb\r\nc", "a\r\n>b\r\nc",
     1, 3},
};
INSTANTIATE_TEST_SUITE_P(Select, FileProcessorTest,
                         ::testing::ValuesIn(kSelectCases));

const FileCase kAddCases[] = {
    {"-T appends", "-T", "q", "NEW", "abc", "abcNEW", 0},
    {"-B inserts before", "-B", "q", "NEW", "abc", "NEWabc", 0},
    {"-T after skipped matches", "-T -#:5", "x", "N", "x x", "x xN", 0, 2},
    {"-T not after an acted match", "-T", "b", "N", "abc", "aNc", 1},
    {"-T -D adds a line break first", "-T -D", "q", "NEW", "x\r\nabc",
     "x\r\nabc\r\nNEW\r\n", 0},
    {"-T -D after a final LF", "-T -D", "q", "NEW", "abc\r\n", "abc\r\nNEW\r\n",
     0},
    {"-B -D never starts with a break", "-B -D", "q", "NEW", "x\r\nabc",
     "NEW\r\nx\r\nabc", 0},
    {"-T & is the search text", "-T", "q@", "<&>", "abc", "abc<q@>", 0},
    {"-T -W changes wildcards", "-T -W", "q@", "<&>", "abc", "abc<q >", 0},
    {"-T -W:95 byte", "-T -W:95", "q@", "<&>", "abc", "abc<q_>", 0},
    {"-T -~", "-T -~", "q", "N", "abc", "abcN", 0},
    {"-T -M without a match", "-T -M", "q", "N", "abc", "abcN", 0},
    {"-B -M without a match", "-B -M", "q", "N", "abc", "Nabc", 0},
    {"-U never inserts", "-U -T", "q", "N", "abc", "abc", 0},
};
INSTANTIATE_TEST_SUITE_P(Add, FileProcessorTest,
                         ::testing::ValuesIn(kAddCases));

class FileProcessorRunTest : public ::testing::Test {
 protected:
  EngineHarness h_;
};

TEST_F(FileProcessorRunTest, TextAddedAndInsertCountAreReported) {
  h_.Configure("q", "[&&]", "-T");
  h_.dir().Write("f.txt", "abc");
  FileOutcome outcome = h_.Process("f.txt");
  EXPECT_TRUE(outcome.text_added);
  EXPECT_EQ(outcome.insert_count, 2);
  EXPECT_EQ(outcome.original_size, 3);
  EXPECT_EQ(h_.dir().Read("f.txt"), "abc[qq]");
}

TEST_F(FileProcessorRunTest, WildcardChangeLeavesLaterFilesSearchedAsGiven) {
  h_.Configure("a@c", "N", "-T -W");
  h_.dir().Write("1.txt", "zzz");
  h_.dir().Write("2.txt", "abc");
  EXPECT_TRUE(h_.Process("1.txt").ok());
  EXPECT_EQ(h_.Process("2.txt").acted_on, 1);
  EXPECT_EQ(h_.dir().Read("2.txt"), "N");
}

// The run-wide shortcut for a new text without '&' must never be taken
// for one that has it, in the first file or a later one.
TEST_F(FileProcessorRunTest, AmpersandIsExpandedInEveryFile) {
  h_.Configure("b", "<&>", "");
  h_.dir().Write("1.txt", "abc");
  h_.dir().Write("2.txt", "abc");
  h_.Process("1.txt");
  h_.Process("2.txt");
  EXPECT_EQ(h_.dir().Read("1.txt"), "a<b>c");
  EXPECT_EQ(h_.dir().Read("2.txt"), "a<b>c");
}

// A -L text too long for the command line's buffer is read again for each
// -K:RM renewal; when that fails, the file is put back.
TEST_F(FileProcessorRunTest, FailedRenewalPutsTheFileBack) {
  h_.Configure("x", std::string(300, 'Y') + "#", "-K:2#,RM");
  h_.dir().Write("f.txt", "x x x");
  h_.platform().FailNth(FaultOp::kOpenRead, 1);
  EXPECT_EQ(h_.Process("f.txt").error, FileError::ReloadFailed);
  EXPECT_EQ(h_.dir().Read("f.txt"), "x x x");
}

TEST_F(FileProcessorRunTest, SameLengthReplacementWritesOnlyChangedBytes) {
  h_.Configure("needle", "NEEDLE", "");
  std::string image(100000, '.');
  image.replace(50000, 6, "needle");
  h_.dir().Write("f.txt", image);
  FileOutcome outcome = h_.Process("f.txt");
  EXPECT_EQ(h_.platform().bytes_written(), 6);
  EXPECT_EQ(outcome.bytes_written, 100000);
  EXPECT_EQ(outcome.size_change, 0);
  image.replace(50000, 6, "NEEDLE");
  EXPECT_EQ(h_.dir().Read("f.txt"), image);
}

TEST_F(FileProcessorRunTest, LargeFileGrowsItsBlock) {
  h_.Configure("needle", "pin", "");
  std::string image(5 << 20, '.');
  image.replace(image.size() - 6, 6, "needle");
  h_.dir().Write("f.txt", image);
  EXPECT_EQ(h_.Process("f.txt").acted_on, 1);
  image.replace(image.size() - 6, 6, "pin");
  EXPECT_EQ(h_.dir().Read("f.txt"), image);
}

TEST_F(FileProcessorRunTest, ShorterResultWritesFromTheFirstMatchOn) {
  h_.Configure("abc", "", "");
  h_.dir().Write("f.txt", "0123456789abc012");
  h_.Process("f.txt");
  EXPECT_EQ(h_.platform().bytes_written(), 3);  // only the tail moved
  EXPECT_EQ(h_.dir().Read("f.txt"), "0123456789012");
}

TEST_F(FileProcessorRunTest, DenseReplacementIsWrittenInLargePieces) {
  h_.Configure("a", "bb", "");
  std::string image, result;
  for (int i = 0; i < 10000; ++i) {
    image += "a0123456789";
    result += "bb0123456789";
  }
  h_.dir().Write("f.txt", image);
  h_.Process("f.txt");
  EXPECT_EQ(h_.dir().Read("f.txt"), result);
  EXPECT_LE(h_.platform().write_calls(), 3);  // 120 000 bytes
}

}  // namespace
}  // namespace swu
