// Tests of the run-level report: the totals block at each verbosity, the
// messages no end-to-end case can bring about, and the verbosity gates of
// the warnings and the pause prompt.

#include "report/run_report.h"

#include <gtest/gtest.h>

#include "fakes/parse_line.h"
#include "fakes/recording_console.h"
#include "run/fake_platform.h"

namespace swu {
namespace {

using run_test::FakePlatform;

// A RunTotals with each field named where it is set.
struct TotalsOf {
  RunTotals totals;
  TotalsOf& files(int64_t n) { return Set(&totals.files, n); }
  TotalsOf& matches(int64_t n) { return Set(&totals.matches, n); }
  TotalsOf& failed(int64_t n) { return Set(&totals.failed, n); }
  TotalsOf& found(int64_t n) { return Set(&totals.found, n); }
  TotalsOf& bytes_added(int64_t n) { return Set(&totals.bytes_added, n); }
  TotalsOf& stopped_with_files_left() {
    totals.stopped_with_files_left = true;
    return *this;
  }

 private:
  TotalsOf& Set(int64_t* field, int64_t n) {
    *field = n;
    return *this;
  }
};

class RunReportTest : public ::testing::Test {
 protected:
  RunReportTest() { disk_.AddFile("n.txt", "new"); }

  // The run's settings from "swu *.TXT a b <switches>".
  void Parse(const std::string& switches) {
    settings_ = ParseLine("*.TXT a b " + switches, &disk_);
  }
  std::string Totals(const RunTotals& totals) {
    RecordingConsole console;
    ReportTotals(totals, *settings_, &console);
    return console.output;
  }
  std::string Error(RunStatus status,
                    const RunErrorNames& names = RunErrorNames()) {
    RecordingConsole console;
    ReportRunError(status, names, *settings_, &console);
    return console.output;
  }

  FakePlatform disk_;  // where the parser finds the -L files
  std::unique_ptr<Settings> settings_;
};

// The verbosity gates of the totals block, and what it derives from the
// counts (skipped matches, the sign of the bytes added).
TEST_F(RunReportTest, TotalsBlock) {
  struct Case {
    const char* name;
    const char* switches;
    RunTotals totals;
    const char* text;
  } cases[] = {
      {"plain", "-V:2", TotalsOf().files(3).matches(7).found(7).totals,
       "\nTotals:        Files: 3  Matches: 7\n"},
      {"quiet prints it too", "-V:1",
       TotalsOf().files(3).matches(7).found(7).totals,
       "\nTotals:        Files: 3  Matches: 7\n"},
      {"silent", "-V:0",
       TotalsOf().files(3).matches(7).failed(1).found(7).totals, ""},
      {"failed", "-V:2",
       TotalsOf().files(1).matches(1).failed(2).found(1).totals,
       "\nTotals:        Files: 1  Matches: 1\n        Files Failed: 2\n"},
      {"skipped with -#", "-V:2 -#:O",
       TotalsOf().files(1).matches(1).found(3).totals,
       "\nTotals:        Files: 1  Matches: 1\n    (Skipped matches: 2)\n"},
      {"skipped without -#", "-V:2",
       TotalsOf().files(1).matches(1).found(3).totals,
       "\nTotals:        Files: 1  Matches: 1\n"},
      {"bytes added zero", "-V:3", TotalsOf().files(1).totals,
       "\nTotals:        Files: 1  Matches: 0\n         Bytes added: +0\n"},
      {"bytes lost", "-V:3",
       TotalsOf().files(1).matches(1).found(1).bytes_added(-5).totals,
       "\nTotals:        Files: 1  Matches: 1\n         Bytes added: -5\n"},
      {"-S, nothing waiting", "-V:2 -S", TotalsOf().failed(1).totals,
       "\nTotals:        Files: 0  Matches: 0\n        Files Failed: 1\n"
       "MESSAGE: SWU has stopped on the first error\n"},
      {"-S, another file waiting", "-V:2 -S",
       TotalsOf().failed(1).stopped_with_files_left().totals,
       "\nTotals:        Files: 0  Matches: 0\n        Files Failed: 1\n"
       "MESSAGE: SWU has stopped on the first error\n"
       "         There was at least one more file to process\n"},
      {"-S without a failure", "-V:2 -S",
       TotalsOf().files(2).matches(2).found(2).totals,
       "\nTotals:        Files: 2  Matches: 2\n"},
  };
  for (const Case& c : cases) {
    Parse(c.switches);
    EXPECT_EQ(c.text, Totals(c.totals)) << c.name;
  }
}

// The run-level messages that no end-to-end case can bring about; the
// others are pinned once, in tests/e2e/cases/.
TEST_F(RunReportTest, MessagesNoRunCanBringAbout) {
  Parse("");
  EXPECT_EQ("\nERROR: Not enough memory to start\n",
            Error(RunStatus::NoStartMemory));
  settings_ = ParseLine("*.TXT a -L n.txt", &disk_);
  const std::string kLoad =
      "\nERROR: Could not load file for /L switch into memory\n";
  RunErrorNames names;
  names.new_reload = LoadStatus::kNoMemory;
  EXPECT_EQ(kLoad + "       (Could not allocate memory for file: n.txt)\n",
            Error(RunStatus::TextFileFailed, names));
  names.new_reload = LoadStatus::kUnreadable;
  EXPECT_EQ(kLoad + "       (Could not read file: n.txt)\n",
            Error(RunStatus::TextFileFailed, names));
}

TEST_F(RunReportTest, WarningsAndPromptFollowTheVerbosity) {
  RecordingConsole console;
  ReportDirectorySkipped("out", 0, &console);
  ReportTreeSkipped("a/", "b", 0, &console);
  ReportPausePrompt(0, &console);
  ReportPauseEnd(0, &console);
  EXPECT_EQ("", console.output);
  ReportDirectorySkipped("out", 1, &console);
  ReportTreeSkipped("a/", "b", 1, &console);
  ReportPausePrompt(1, &console);
  ReportPauseEnd(1, &console);
  EXPECT_EQ(
      "\nWARNING: This directory has been skipped: out\n"
      "\nWARNING: This directory and all subdirectories have been skipped: "
      "a/b\n"
      "- Press any key to continue -\n",
      console.output);
}

}  // namespace
}  // namespace swu
