// Tests of a whole run after parsing: set-up, the directory loop over one
// directory and over a -R tree, the -$ output directory and its marker,
// -S, -B:C/-T:C, the -K:RF reset, the end phase and the exit status.

#include "run/driver.h"

#include <gtest/gtest.h>

#include "fakes/parse_line.h"
#include "run/exit_code.h"
#include "run/fake_platform.h"
#include "run/fake_runner.h"

namespace swu {
namespace {

using run_test::FakePlatform;
using run_test::FakeRunner;
using Paths = std::vector<std::string>;

constexpr char kMarker[] = "QMZRHLAJ.SWU";

class DriverTest : public ::testing::Test {
 protected:
  DriverTest() : runner_(&platform_) {}

  // The run's command line, "swu <line>", parsed on the fake platform.
  void Parse(const std::string& line) {
    settings_ = ParseLine(line, &platform_);
  }
  int64_t Run() {
    return RunParsed(ParseOutcome(), *settings_, &platform_, &random_,
                     &runner_);
  }

  std::unique_ptr<Settings> settings_;
  FakePlatform platform_;
  FakeRunner runner_;
  Random random_;
};

TEST_F(DriverTest, ProcessesTheMatchingFilesOfOneDirectory) {
  platform_.AddFile("b.txt");
  platform_.AddFile("A.TXT");
  platform_.AddFile("c.dat");
  platform_.AddFile("sub/d.txt");
  Parse("*.TXT a b");
  EXPECT_EQ(0, Run());
  EXPECT_EQ((Paths{"A.TXT", "b.txt"}), runner_.Paths());
  EXPECT_EQ(1, runner_.reserved);
  EXPECT_EQ(
      "\nOK: 1 matches found: A.TXT\n"
      "\nOK: 1 matches found: b.txt\n"
      "\nTotals:        Files: 2  Matches: 2\n",
      platform_.output);
}

TEST_F(DriverTest, WalkTakesADirectorysFilesBeforeItsSubdirectories) {
  platform_.AddFile("z.txt");
  platform_.AddFile("a/y.txt");
  platform_.AddFile("a/b/x.txt");
  platform_.AddFile("a/b/c/w.txt");
  platform_.AddFile("a/b2/v.txt");
  platform_.AddFile("b/u.txt");
  platform_.AddFile(".hidden/t.txt");
  Parse("*.TXT a b -R -V:1");
  EXPECT_EQ(0, Run());
  EXPECT_EQ((Paths{"z.txt", "a/y.txt", "a/b/x.txt", "a/b/c/w.txt", "a/b2/v.txt",
                   "b/u.txt"}),
            runner_.Paths());
  EXPECT_EQ("\nTotals:        Files: 6  Matches: 6\n", platform_.output);
}

TEST_F(DriverTest, NothingToProcessNamesOnlyThePattern) {
  struct Case {
    const char* name;
    bool recurse;
    bool make_dir;
  } cases[] = {
      {"empty directory", false, true},
      {"missing directory", false, false},
      {"empty directory, -R", true, true},
      {"no match in a tree", true, false},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    FakeRunner runner(&platform);
    if (c.make_dir) platform.AddDir("data");
    if (!c.make_dir) platform.AddFile("data/sub/a.doc");
    auto settings = ParseLine(
        c.recurse ? "DATA/*.TXT a b -R" : "DATA/*.TXT a b", &platform);
    EXPECT_EQ(
        1, RunParsed(ParseOutcome(), *settings, &platform, &random_, &runner))
        << c.name;
    EXPECT_EQ("\nERROR: No files to process: *.TXT\n", platform.output)
        << c.name;
  }
}

TEST_F(DriverTest, RunWhereEveryFileFailsExitsFour) {
  platform_.AddFile("a.txt");
  platform_.AddFile("b.txt");
  runner_.Fail("a.txt", FileError::ReadOnly);
  runner_.Fail("b.txt", FileError::OpenFailed);
  Parse("*.TXT a b");
  EXPECT_EQ(4, Run());
  EXPECT_EQ(
      "\nERROR: File is Read Only - a.txt\n"
      "\nERROR: Cannot open file or file is Read Only: b.txt\n"
      "\nTotals:        Files: 0  Matches: 0\n"
      "        Files Failed: 2\n",
      platform_.output);
}

TEST_F(DriverTest, StopOnErrorEndsTheRunAtTheFirstFailure) {
  platform_.AddFile("a.txt");
  platform_.AddFile("b.txt");
  platform_.AddFile("c.txt");
  for (const char* f : {"a.txt", "b.txt", "c.txt"}) {
    runner_.Fail(f, FileError::OpenFailed);
  }
  Parse("*.TXT a b -S -V:1");
  EXPECT_EQ(4, Run());
  EXPECT_EQ((Paths{"a.txt"}), runner_.Paths());
  EXPECT_EQ(
      "\nERROR: Cannot open file or file is Read Only: a.txt\n"
      "\nTotals:        Files: 0  Matches: 0\n"
      "        Files Failed: 1\n"
      "MESSAGE: SWU has stopped on the first error\n"
      "         There was at least one more file to process\n",
      platform_.output);
}

TEST_F(DriverTest, StopOnErrorAtTheLastFileOfADirectoryStopsTheWalk) {
  platform_.AddFile("a/1.txt");
  platform_.AddFile("a/2.txt");
  platform_.AddFile("b/3.txt");
  runner_.Fail("a/2.txt", FileError::WriteFault);
  Parse("*.TXT a b -R -S -V:1");
  EXPECT_EQ(4, Run());
  EXPECT_EQ((Paths{"a/1.txt", "a/2.txt"}), runner_.Paths());
  EXPECT_EQ(
      "\nERROR: Write fault encountered: a/2.txt\n"
      "\nTotals:        Files: 1  Matches: 1\n"
      "        Files Failed: 1\n"
      "MESSAGE: SWU has stopped on the first error\n",
      platform_.output);
}

TEST_F(DriverTest, CreatesTheNamedFileWhenNothingMatches) {
  platform_.AddFile("other.dat");
  Parse("NEW.TXT a b -T:C");
  EXPECT_EQ(0, Run());
  ASSERT_EQ(1u, runner_.calls.size());
  EXPECT_EQ("NEW.TXT", runner_.calls[0].path);
  EXPECT_EQ(CreateState::Creating, runner_.calls[0].create);
  EXPECT_TRUE(platform_.IsFile("NEW.TXT"));
  EXPECT_EQ(
      "\nNew file created: NEW.TXT (String appended)\n"
      "\nTotals:        Files: 1  Matches: 0\n",
      platform_.output);
}

TEST_F(DriverTest, CreatesUnderRecursionOnlyAfterTheWholeTree) {
  platform_.AddFile("a/b/other.dat");
  platform_.AddFile("c/d.dat");
  Parse("NEW.TXT a b -R -B:C -$ out -V:2");
  EXPECT_EQ(0, Run());
  ASSERT_EQ(1u, runner_.calls.size());
  EXPECT_EQ("NEW.TXT", runner_.calls[0].path);
  EXPECT_EQ("out/NEW.TXT", runner_.calls[0].output_path);
  EXPECT_TRUE(platform_.IsFile("out/NEW.TXT"));
  EXPECT_FALSE(platform_.IsFile("NEW.TXT"));
  // The message names the file that was made.
  EXPECT_EQ(
      "\nNew file created: out/NEW.TXT (String inserted)\n"
      "\nTotals:        Files: 1  Matches: 0\n",
      platform_.output);
  EXPECT_FALSE(platform_.IsDir("out/a"));  // Mirrors of the walk removed.
}

TEST_F(DriverTest, NoCreationWhenTheTreeHoldsAMatchingFile) {
  platform_.AddFile("a/new.txt");
  Parse("NEW.TXT a b -R -T:C");
  EXPECT_EQ(0, Run());
  EXPECT_EQ((Paths{"a/new.txt"}), runner_.Paths());
  EXPECT_EQ(CreateState::CreateRequested, runner_.calls[0].create);
}

TEST_F(DriverTest, RenewsTheNewTextBetweenFiles) {
  platform_.AddFile("a.txt");
  platform_.AddFile("b.txt");
  platform_.AddFile("sub/c.txt");
  Parse("*.TXT a b -R");
  EXPECT_EQ(0, Run());
  EXPECT_EQ(3, runner_.renewals);
}

TEST_F(DriverTest, FailedRenewalEndsTheRunBeforeTheNextFile) {
  platform_.AddFile("a.txt");
  platform_.AddFile("b.txt");
  platform_.AddFile("sub/c.txt");
  platform_.AddFile("new.bin", "b");
  Parse("*.TXT a -L new.bin -R -V:1");
  runner_.fail_renewal = 1;
  EXPECT_EQ(7, Run());
  EXPECT_EQ((Paths{"a.txt"}), runner_.Paths());
  EXPECT_EQ(
      "\nERROR: Could not load file for /L switch into memory\n"
      "       (File new.bin too big - 2147483583 maximum)\n",
      platform_.output);
}

TEST_F(DriverTest, NameTooLongForOneEntryLetsTheOthersRun) {
  std::string dir(200, 'D');                   // as the parser upper-cases it
  std::string long_name(kMaxText - 200, 'n');  // 262 with the separator
  platform_.AddFile(dir + "/" + long_name + ".txt");
  platform_.AddFile(dir + "/short.txt");
  Parse(dir + "/*.TXT a b");
  EXPECT_EQ(4, Run());
  EXPECT_EQ((Paths{dir + "/short.txt"}), runner_.Paths());
  EXPECT_EQ("\nERROR: Filename too long (261 byte maximum):\n" + dir + "/" +
                long_name +
                ".txt\n"
                "\nOK: 1 matches found: " +
                dir +
                "/short.txt\n"
                "\nTotals:        Files: 1  Matches: 1\n"
                "        Files Failed: 1\n",
            platform_.output);
}

TEST_F(DriverTest, OutputPathTooLongEndsOnlyThatFile) {
  std::string out(250, 'o');
  platform_.AddDir(out);
  platform_.AddFile("a.txt");
  platform_.AddFile("abcdefghijk.txt");  // 251 + 15 = 266
  Parse("*.TXT a b -$ " + out + " -V:1");
  EXPECT_EQ(4, Run());
  EXPECT_EQ((Paths{"a.txt"}), runner_.Paths());
  EXPECT_EQ("\nERROR: Filename too long (261 byte maximum):\n" + out +
                "/abcdefghijk.txt\n"
                "\nTotals:        Files: 1  Matches: 1\n"
                "        Files Failed: 1\n",
            platform_.output);
}

TEST_F(DriverTest, RemovesOnlyAnOutputDirectoryThisRunCreated) {
  struct Case {
    const char* name;
    bool exists_before;
    bool file_fails;
    bool exists_after;
  } cases[] = {
      {"made here, nothing written", false, true, false},
      {"made here, result written", false, false, true},
      {"made by the user, nothing written", true, true, true},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    FakeRunner runner(&platform);
    platform.AddFile("a.txt");
    if (c.exists_before) platform.AddDir("out");
    if (c.file_fails) runner.Fail("a.txt", FileError::ReadFailed);
    auto settings = ParseLine("*.TXT a b -$ out", &platform);
    EXPECT_EQ(c.file_fails ? 4 : 0, RunParsed(ParseOutcome(), *settings,
                                              &platform, &random_, &runner))
        << c.name;
    EXPECT_EQ(c.exists_after, platform.IsDir("out")) << c.name;
  }
}

TEST_F(DriverTest, OutputDirectoryGetsEachFileUnderItsName) {
  platform_.AddFile("a.txt");
  platform_.AddFile("sub/b.txt");
  Parse("*.TXT a b -R -$ res/out");
  EXPECT_EQ(0, Run());
  ASSERT_EQ(2u, runner_.calls.size());
  EXPECT_EQ("res/out/a.txt", runner_.calls[0].output_path);
  EXPECT_EQ("res/out/sub/b.txt", runner_.calls[1].output_path);
  EXPECT_TRUE(platform_.IsFile("res/out/sub/b.txt"));
}

TEST_F(DriverTest, SingleOutputFileFormsUseTheNameAsGiven) {
  platform_.AddFile("a.txt");
  platform_.AddFile("b.txt");
  Parse("*.TXT a b -$:A all.out");
  EXPECT_EQ(0, Run());
  ASSERT_EQ(2u, runner_.calls.size());
  EXPECT_EQ("all.out", runner_.calls[1].output_path);
  EXPECT_FALSE(platform_.IsDir("all.out"));
}

TEST_F(DriverTest, MarkerLivesInTheOutputDirectoryDuringTheWalkOnly) {
  platform_.AddFile("a.txt");
  platform_.AddFile("out/old.txt");
  platform_.AddFile("out/deeper/older.txt");
  Parse("*.TXT a b -R -$ out");
  EXPECT_EQ(0, Run());
  EXPECT_EQ((Paths{"a.txt"}), runner_.Paths());
  EXPECT_EQ(
      "\nOK: 1 matches found: a.txt\n"
      "\nWARNING: This directory has been skipped: out\n"
      "\nTotals:        Files: 1  Matches: 1\n",
      platform_.output);
  EXPECT_FALSE(platform_.IsFile(std::string("out/") + kMarker));
  EXPECT_TRUE(platform_.IsFile("out/a.txt"));
}

TEST_F(DriverTest, StartingDirectoryThatIsTheOutputDirectoryIsSkipped) {
  platform_.AddFile("data/a.txt");
  Parse("DATA/*.TXT a b -R -$ data");
  EXPECT_EQ(1, Run());
  EXPECT_TRUE(runner_.calls.empty());
  EXPECT_EQ(
      "\nWARNING: This directory has been skipped: DATA/\n"
      "\nERROR: No files to process: *.TXT\n",
      platform_.output);
  EXPECT_FALSE(platform_.IsFile(std::string("data/") + kMarker));
}

TEST_F(DriverTest, MarkerThatCannotBeWrittenEndsTheRun) {
  platform_.AddFile("a.txt");
  platform_.AddDir("out");
  platform_.fail_open.insert(std::string("out/") + kMarker);
  Parse("*.TXT a b -R -$ out");
  EXPECT_EQ(5, Run());
  EXPECT_TRUE(runner_.calls.empty());
  EXPECT_EQ("\nERROR: Unable to read directory - no files processed\n",
            platform_.output);
}

TEST_F(DriverTest, OutputDirectoryFailureAtSetUp) {
  platform_.AddFile("a.txt");
  platform_.AddFile("blocked");
  Parse("*.TXT a b -$ blocked");
  EXPECT_EQ(6, Run());
  EXPECT_TRUE(runner_.calls.empty());
  EXPECT_EQ(
      "\nTotals:        Files: 0  Matches: 0\n"
      "\nERROR: Unable to find or create output directory: blocked\n",
      platform_.output);
}

TEST_F(DriverTest, OutputDirectoryFailureDuringTheWalkKeepsWhatWasDone) {
  platform_.AddFile("src/a.txt");
  platform_.AddFile("src/b/c.txt");
  platform_.AddFile("src/d/e.txt");
  platform_.AddDir("out");
  platform_.fail_make_directory.insert("out/b");
  platform_.AddFile("out/b");
  Parse("SRC/*.TXT a b -R -$ out");
  EXPECT_EQ(6, Run());
  EXPECT_EQ((Paths{"SRC/a.txt"}), runner_.Paths());
  EXPECT_EQ(
      "\nOK: 1 matches found: SRC/a.txt\n"
      "\nTotals:        Files: 1  Matches: 1\n"
      "\nERROR: Unable to find or create output directory: out/b\n",
      platform_.output);
  EXPECT_FALSE(platform_.IsFile(std::string("out/") + kMarker));
}

TEST_F(DriverTest, ParserFailureGoesStraightToTheEnd) {
  platform_.AddFile("a.txt");
  ParseOutcome parsed;
  auto settings = ParseLine("*.TXT", &platform_, &parsed);
  EXPECT_EQ(2, RunParsed(parsed, *settings, &platform_, &random_, &runner_));
  EXPECT_TRUE(runner_.calls.empty());
  EXPECT_EQ(0, runner_.reserved);
  EXPECT_EQ("\nERROR: Missing command line information: <search> required\n",
            platform_.output);
}

TEST_F(DriverTest, HelpEndsTheRunWithoutTotals) {
  platform_.AddFile("a.txt");
  Parse("*.TXT a b -H");
  EXPECT_EQ(0, Run());
  EXPECT_TRUE(runner_.calls.empty());
  EXPECT_EQ("", platform_.output);
}

TEST_F(DriverTest, PauseWaitsForAKeyAtEveryVerbosity) {
  for (char verbosity : {'0', '2'}) {
    FakePlatform platform;
    FakeRunner runner(&platform);
    platform.AddFile("a.txt");
    auto settings =
        ParseLine(std::string("*.TXT a b -P -V:") + verbosity, &platform);
    RunParsed(ParseOutcome(), *settings, &platform, &random_, &runner);
    EXPECT_EQ(1, platform.keys_read);
    std::string tail = "- Press any key to continue -\n";
    bool prompted =
        platform.output.size() >= tail.size() &&
        platform.output.compare(platform.output.size() - tail.size(),
                                tail.size(), tail) == 0;
    EXPECT_EQ(verbosity != '0', prompted) << verbosity;
    if (verbosity == '0') {
      EXPECT_EQ("", platform.output);
    }
  }
}

TEST_F(DriverTest, ReportOnlyExitsWithTheMatchesFound) {
  platform_.AddFile("a.txt");
  platform_.AddFile("b.txt");
  FileOutcome three;
  three.loaded = true;
  three.acted_on = 3;
  three.matches_found = 3;
  runner_.SetOutcome("a.txt", three);
  runner_.SetOutcome("b.txt", three);
  Parse("*.TXT a b -#:0");
  EXPECT_EQ(6, Run());
}

TEST(ExitCodeTest, MapsTheRunStatus) {
  struct Case {
    const char* name;
    RunStatus status;
    int verbosity;
    Selection select;
    int64_t found;
    int64_t exit;
    int64_t failed = 0;
  } cases[] = {
      {"normal", RunStatus::None, 2, Selection::kAll, 5, 0},
      {"no files", RunStatus::NoFiles, 2, Selection::kAll, 0, 1},
      {"bad command line", RunStatus::BadCommandLine, 2, Selection::kAll, 0, 2},
      {"no memory", RunStatus::NoStartMemory, 2, Selection::kAll, 0, 3},
      {"output directory", RunStatus::OutputDirFailed, 2, Selection::kAll, 0,
       6},
      {"marker", RunStatus::DirUnreadable, 2, Selection::kAll, 0, 5},
      {"-L file", RunStatus::TextFileFailed, 2, Selection::kAll, 0, 7},
      {"bad argument", RunStatus::BadArgument, 1, Selection::kAll, 0, 2},
      {"missing output name", RunStatus::MissingOutputName, 3, Selection::kAll,
       0, 2},
      {"bad argument -V:0", RunStatus::BadArgument, 0, Selection::kAll, 0, 8},
      {"missing filespec -V:0", RunStatus::MissingFilespec, 0, Selection::kAll,
       0, 9},
      {"missing search -V:0", RunStatus::MissingSearch, 0, Selection::kAll, 0,
       10},
      {"missing new -V:0", RunStatus::MissingNew, 0, Selection::kAll, 0, 11},
      {"missing output name -V:0", RunStatus::MissingOutputName, 0,
       Selection::kAll, 0, 12},
      {"bad command line -V:0", RunStatus::BadCommandLine, 0, Selection::kAll,
       0, 2},
      {"-#:R normal", RunStatus::None, 2, Selection::kReportRepeat, 42, 42},
      {"-#:R after an error", RunStatus::OutputDirFailed, 2,
       Selection::kReportRepeat, 42, 6},
      {"-#:0 normal", RunStatus::None, 2, Selection::kReportOnly, 300, 300},
      {"-#:0 after an error", RunStatus::MissingSearch, 2,
       Selection::kReportOnly, 0, 0},
      {"-#:0 output failure", RunStatus::OutputDirFailed, 2,
       Selection::kReportOnly, 7, 7},
      {"-#:L is no count", RunStatus::None, 2, Selection::kLast, 42, 0},
      {"a file failed", RunStatus::None, 2, Selection::kAll, 5, 4, 1},
      {"a file failed -V:0", RunStatus::None, 0, Selection::kAll, 0, 4, 3},
      {"a file failed -#:L", RunStatus::None, 2, Selection::kLast, 2, 4, 1},
      {"output directory wins", RunStatus::OutputDirFailed, 2, Selection::kAll,
       0, 6, 1},
      {"marker wins", RunStatus::DirUnreadable, 2, Selection::kAll, 0, 5, 1},
      {"-L file wins", RunStatus::TextFileFailed, 2, Selection::kAll, 0, 7, 1},
      {"-#:R count", RunStatus::None, 2, Selection::kReportRepeat, 9, 9, 1},
      {"-#:0 count", RunStatus::None, 2, Selection::kReportOnly, 9, 9, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.exit,
              ExitCodeFor(c.status, c.verbosity, c.select, c.found, c.failed))
        << c.name;
  }
}

TEST(ExitCodeTest, ProcessStatusSaturatesAtTheLargestOne) {
  EXPECT_EQ(0, ProcessExitStatus(0, 255));
  EXPECT_EQ(255, ProcessExitStatus(255, 255));
  EXPECT_EQ(255, ProcessExitStatus(256, 255));  // never wraps to 0
  EXPECT_EQ(255, ProcessExitStatus(int64_t{1} << 40, 255));
  EXPECT_EQ(300, ProcessExitStatus(300, INT32_MAX));  // a Windows errorlevel
  EXPECT_EQ(INT32_MAX, ProcessExitStatus(int64_t{1} << 40, INT32_MAX));
}

}  // namespace
}  // namespace swu
