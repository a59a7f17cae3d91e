// Tests of the per-file messages, the -V:3 detail block and the counting
// of a file into the run's totals.

#include "report/file_report.h"

#include <gtest/gtest.h>

#include "fakes/parse_line.h"
#include "fakes/recording_console.h"
#include "run/fake_platform.h"

namespace swu {
namespace {

using run_test::FakePlatform;

FileOutcome Outcome(int64_t acted_on, int64_t found = 0) {
  FileOutcome outcome;
  outcome.acted_on = acted_on;
  outcome.matches_found = found;
  outcome.loaded = true;
  return outcome;
}

FileOutcome Failed(FileError error) {
  FileOutcome outcome;
  outcome.error = error;
  return outcome;
}

class FileReportTest : public ::testing::Test {
 protected:
  FileReportTest() {
    names_.path = "dir/a.txt";
    names_.pattern = "*.TXT";
    names_.output_target = "out/";
    names_.output_file = "out/a.txt";
    disk_.AddFile("new.bin", "b");
    Parse("");
  }
  // The run's settings from "swu *.TXT a -L new.bin <switches>".
  void Parse(const std::string& switches) {
    settings_ = ParseLine("*.TXT a -L new.bin " + switches, &disk_);
  }
  std::string Report(const FileOutcome& outcome,
                     CreateState create = CreateState::None) {
    RecordingConsole console;
    ReportFile(outcome, names_, *settings_, create, &console, &totals_);
    return console.output;
  }

  FakePlatform disk_;  // where the parser finds the -L file
  std::unique_ptr<Settings> settings_;
  FileNames names_;
  RunTotals totals_;
};

// The file errors that no end-to-end case can bring about; the others are
// pinned once, in tests/e2e/cases/. Each is printed from -V:1 on and
// counts as a failed file.
TEST_F(FileReportTest, MessagesNoRunCanBringAbout) {
  struct Case {
    const char* name;
    FileError error;
    const char* text;
  } cases[] = {
      {"memory", FileError::LoadNoMemory,
       "Not enough memory to load file: dir/a.txt\n"},
      {"size", FileError::BadSize,
       "File too big or 0 bytes (2147483583 byte maximum): dir/a.txt\n"},
      {"read", FileError::ReadFailed, "Bad file - Could not read: dir/a.txt\n"},
      // The extended error names no file, as it always has.
      {"truncate", FileError::TruncateFailed,
       "Extended error: -20 on file: \n"},
      {"reload", FileError::ReloadFailed,
       "Could not read file for /L switch again: new.bin\n"},
  };
  for (const Case& c : cases) {
    for (const char* verbosity : {"-V:1", "-V:3"}) {
      Parse(verbosity);
      EXPECT_EQ(std::string("\nERROR: ") + c.text, Report(Failed(c.error)))
          << c.name << " at " << verbosity;
    }
  }
  EXPECT_EQ(10, totals_.failed);
  EXPECT_EQ(0, totals_.files);
}

// Which name a failed output names: the directory and pattern of -$ and
// -$:B, the file of -$:F and -$:A.
TEST_F(FileReportTest, WriteOpenFailedNamesTheOutput) {
  struct Case {
    const char* switches;
    const char* target;
    const char* text;
  } cases[] = {
      {"-$ out", "out/", "out/*.TXT"},
      {"-$:B out", "out/", "out/*.TXT"},
      {"-$:F one.out", "one.out", "one.out"},
      {"-$:A one.out", "one.out", "one.out"},
  };
  for (const Case& c : cases) {
    Parse(c.switches);
    names_.output_target = c.target;
    EXPECT_EQ(std::string("\nERROR: Could not write file or directory: ") +
                  c.text + "\n",
              Report(Failed(FileError::WriteOpenFailed)))
        << c.switches;
  }
}

TEST_F(FileReportTest, VerbosityGatesTheLinesButNotTheCount) {
  Parse("-V:1");
  EXPECT_EQ("", Report(Outcome(2, 2)));
  Parse("-V:0");
  EXPECT_EQ("", Report(Outcome(3, 4)));
  EXPECT_EQ("", Report(Failed(FileError::OpenFailed)));
  EXPECT_EQ(2, totals_.files);
  EXPECT_EQ(5, totals_.matches);
  EXPECT_EQ(6, totals_.found);
  EXPECT_EQ(1, totals_.failed);
}

TEST_F(FileReportTest, BytesAddedCountEveryLoadedFile) {
  FileOutcome grew = Outcome(1, 1);
  grew.size_change = 7;
  FileOutcome failed_after_load = Failed(FileError::WriteFault);
  failed_after_load.loaded = true;
  failed_after_load.size_change = -2;
  failed_after_load.matches_found = 9;
  Report(grew);
  Report(failed_after_load);
  EXPECT_EQ(5, totals_.bytes_added);
  EXPECT_EQ(1, totals_.found);  // Only successful files count their finds.
}

// The detail block shows from -V:3 on, names the output file under -$ and
// the -2 character as it is set.
TEST_F(FileReportTest, DetailBlock) {
  FileOutcome outcome = Outcome(2, 2);
  outcome.original_size = 100;
  outcome.size_change = -5;
  outcome.bytes_written = 95;
  outcome.insert_count = 2;
  RecordingConsole console;
  Parse("-V:2");
  ReportDetail(outcome, names_, *settings_, &console);
  EXPECT_EQ("", console.output);
  Parse("-V:3 -$ out -2:%");
  outcome.size_change = 0;
  ReportDetail(outcome, names_, *settings_, &console);
  EXPECT_EQ(
      "\nOutput filename       : out/a.txt\n"
      "Original filesize : 100\n"
      "Bytes gained      : 0\n"
      "Bytes written     : 95\n"
      "Number times text inserted at % : 2\n",
      console.output);
}

TEST_F(FileReportTest, CountersAreWideEnoughForLargeRuns) {
  FileOutcome big = Outcome(2000000000, 2000000000);
  big.size_change = 2000000000;
  Report(big);
  Report(big);
  EXPECT_EQ(4000000000, totals_.matches);
  EXPECT_EQ(4000000000, totals_.bytes_added);
}

}  // namespace
}  // namespace swu
