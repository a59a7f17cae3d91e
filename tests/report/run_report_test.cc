// Tests of the run-level messages: the totals block at each verbosity,
// the end-of-run errors with the -L failure lines, the warnings and the
// pause prompt.

#include "report/run_report.h"

#include <gtest/gtest.h>

#include "run/fake_platform.h"

namespace swu {
namespace {

using run_test::FakePlatform;

class RunReportTest : public ::testing::Test {
 protected:
  void Set(Slot slot, char value) {
    settings_[slot] = static_cast<uint8_t>(value);
  }
  std::string Totals(const RunTotals& totals) {
    FakePlatform platform;
    ReportTotals(totals, settings_, &platform);
    return platform.output;
  }
  std::string Error(RunStatus status,
                    const RunErrorNames& names = RunErrorNames()) {
    FakePlatform platform;
    ReportRunError(status, names, settings_, &platform);
    return platform.output;
  }

  Settings settings_;
};

TEST_F(RunReportTest, TotalsBlock) {
  struct Case {
    const char* name;
    char verbosity;
    char select;
    char stop;
    RunTotals totals;
    const char* text;
  } cases[] = {
      {"plain",
       '2',
       0,
       0,
       {3, 7, 0, 7, 0},
       "\nTotals:        Files: 3  Matches: 7\n"},
      {"quiet prints it too",
       '1',
       0,
       0,
       {3, 7, 0, 7, 0},
       "\nTotals:        Files: 3  Matches: 7\n"},
      {"silent", '0', 0, 0, {3, 7, 1, 7, 0}, ""},
      {"failed",
       '2',
       0,
       0,
       {1, 1, 2, 1, 0},
       "\nTotals:        Files: 1  Matches: 1\n        Files Failed: 2\n"},
      {"skipped with -#",
       '2',
       '#',
       0,
       {1, 1, 0, 3, 0},
       "\nTotals:        Files: 1  Matches: 1\n    (Skipped matches: 2)\n"},
      {"skipped without -#",
       '2',
       0,
       0,
       {1, 1, 0, 3, 0},
       "\nTotals:        Files: 1  Matches: 1\n"},
      {"bytes added zero",
       '3',
       0,
       0,
       {1, 0, 0, 0, 0},
       "\nTotals:        Files: 1  Matches: 0\n         Bytes added: +0\n"},
      {"bytes lost",
       '3',
       0,
       0,
       {1, 1, 0, 1, -5},
       "\nTotals:        Files: 1  Matches: 1\n         Bytes added: -5\n"},
      {"-S, nothing waiting",
       '2',
       0,
       'S',
       {0, 0, 1, 0, 0},
       "\nTotals:        Files: 0  Matches: 0\n        Files Failed: 1\n"
       "MESSAGE: SWU has stopped on the first error\n"},
      {"-S, another file waiting",
       '2',
       0,
       'S',
       {0, 0, 1, 0, 0, /*stopped_with_files_left=*/true},
       "\nTotals:        Files: 0  Matches: 0\n        Files Failed: 1\n"
       "MESSAGE: SWU has stopped on the first error\n"
       "         There was at least one more file to process\n"},
      {"-S without a failure",
       '2',
       0,
       'S',
       {2, 2, 0, 2, 0},
       "\nTotals:        Files: 2  Matches: 2\n"},
  };
  for (const Case& c : cases) {
    Set(kVerbosity, c.verbosity);
    Set(kSelect, c.select);
    Set(kStopOnError, c.stop);
    EXPECT_EQ(c.text, Totals(c.totals)) << c.name;
  }
}

TEST_F(RunReportTest, RunErrorMessages) {
  RunErrorNames names;
  names.pattern = "*.TXT";
  names.output_directory = "out/sub";
  Set(kInsertAppend, 'A');
  Set(kOutputMode, 'F');
  struct Case {
    const char* name;
    RunStatus status;
    const char* text;
  } cases[] = {
      {"no files", RunStatus::NoFiles, "No files to process: *.TXT\n"},
      {"bad command line", RunStatus::BadCommandLine,
       "Bad or missing command line information\n"},
      {"no memory", RunStatus::NoStartMemory, "Not enough memory to start\n"},
      {"output directory", RunStatus::OutputDirFailed,
       "Unable to find or create output directory: out/sub\n"},
      {"marker", RunStatus::DirUnreadable,
       "Unable to read directory - no files processed\n"},
      {"bad argument, no text", RunStatus::BadArgument,
       "Bad or missing command line information\n"},
      {"filespec", RunStatus::MissingFilespec,
       "Missing command line information: <filespec> required\n"},
      {"search", RunStatus::MissingSearch,
       "Missing command line information: <search> required\n"},
      {"new", RunStatus::MissingNew,
       "Missing command line information: -A requires <new>\n"},
      {"output name", RunStatus::MissingOutputName,
       "Missing command line information: -$:F requires output filename\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(std::string("\nERROR: ") + c.text, Error(c.status, names))
        << c.name;
  }
  names.bad_text_marked = true;
  names.bad_text = "-Q";
  EXPECT_EQ("\nERROR: Bad command line information: -Q\n",
            Error(RunStatus::BadArgument, names));
}

TEST_F(RunReportTest, TextFileFailureLines) {
  CopyBounded(settings_.search_file, "s.txt");
  CopyBounded(settings_.new_file, "n.txt");
  const std::string kLoad =
      "\nERROR: Could not load file for /L switch into memory\n";
  struct Case {
    const char* name;
    char search;
    char replacement;
    std::string text;
  } cases[] = {
      {"search name missing", '6', 0,
       "\nERROR: Missing filename specified for /L switch: <search>\n"},
      {"new name missing", 'L', '6',
       "\nERROR: Missing filename specified for /L switch: <new>\n"},
      {"search too big", '4', 0,
       kLoad + "       (File s.txt too big - 2147483583 maximum)\n"},
      {"search not found", '1', 'L',
       kLoad + "       (File: s.txt not found)\n"},
      {"new no memory", 0, '3',
       kLoad + "       (Could not allocate memory for file: n.txt)\n"},
      {"new unreadable", 'L', '5',
       kLoad + "       (Could not read file: n.txt)\n"},
  };
  for (const Case& c : cases) {
    Set(kLoadSearch, c.search);
    Set(kLoadNew, c.replacement);
    EXPECT_EQ(c.text, Error(RunStatus::TextFileFailed)) << c.name;
  }
}

TEST_F(RunReportTest, WarningsAndPromptFollowTheVerbosity) {
  FakePlatform platform;
  ReportDirectorySkipped("out", 0, &platform);
  ReportTreeSkipped("a/", "b", 0, &platform);
  ReportPausePrompt(0, &platform);
  ReportPauseEnd(0, &platform);
  EXPECT_EQ("", platform.output);
  ReportDirectorySkipped("out", 1, &platform);
  ReportTreeSkipped("a/", "b", 1, &platform);
  ReportPausePrompt(1, &platform);
  ReportPauseEnd(1, &platform);
  EXPECT_EQ(
      "\nWARNING: This directory has been skipped: out\n"
      "\nWARNING: This directory and all subdirectories have been skipped: "
      "a/b\n"
      "- Press any key to continue -\n",
      platform.output);
}

}  // namespace
}  // namespace swu
