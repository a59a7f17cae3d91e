// Tests of the per-file messages, the -V:3 detail block and the counting
// of a file into the run's totals.

#include "report/file_report.h"

#include <gtest/gtest.h>

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
    CopyBounded(settings_.new_file, "new.bin");
  }
  std::string Report(const FileOutcome& outcome,
                     CreateState create = CreateState::None) {
    FakePlatform platform;
    ReportFile(outcome, names_, settings_, create, &platform, &totals_);
    return platform.output;
  }
  void Set(Slot slot, char value) {
    settings_[slot] = static_cast<uint8_t>(value);
  }

  Settings settings_;
  FileNames names_;
  RunTotals totals_;
};

TEST_F(FileReportTest, ErrorMessages) {
  names_.long_directory = "dir/";
  names_.long_name = "long.txt";
  struct Case {
    const char* name;
    FileError error;
    const char* text;
  } cases[] = {
      {"open", FileError::OpenFailed,
       "Cannot open file or file is Read Only: dir/a.txt\n"},
      {"memory", FileError::LoadNoMemory,
       "Not enough memory to load file: dir/a.txt\n"},
      {"size", FileError::BadSize,
       "File too big or 0 bytes (2147483583 byte maximum): dir/a.txt\n"},
      {"read", FileError::ReadFailed, "Bad file - Could not read: dir/a.txt\n"},
      {"write open", FileError::WriteOpenFailed,
       "Could not write file or directory: dir/a.txt\n"},
      {"too long", FileError::NameTooLong,
       "Filename too long (261 byte maximum):\ndir/long.txt\n"},
      {"write fault", FileError::WriteFault,
       "Write fault encountered: dir/a.txt\n"},
      {"truncate", FileError::TruncateFailed,
       "Extended error: -20 on file: \n"},
      {"read only", FileError::ReadOnly, "File is Read Only - dir/a.txt\n"},
      {"reload", FileError::ReloadFailed,
       "Could not read file for /L switch again: new.bin\n"},
  };
  for (const Case& c : cases) {
    for (char verbosity : {'1', '3'}) {
      Set(kVerbosity, verbosity);
      EXPECT_EQ(std::string("\nERROR: ") + c.text, Report(Failed(c.error)))
          << c.name << " at " << verbosity;
    }
  }
  EXPECT_EQ(20, totals_.failed);
  EXPECT_EQ(0, totals_.files);
}

TEST_F(FileReportTest, WriteOpenFailedNamesTheOutput) {
  struct Case {
    const char* name;
    char mode;
    const char* target;
    const char* text;
  } cases[] = {
      {"-$", '$', "out/", "out/*.TXT"},
      {"-$:B", 'B', "out/", "out/*.TXT"},
      {"-$:F", 'F', "one.out", "one.out"},
      {"-$:A", 'A', "one.out", "one.out"},
  };
  for (const Case& c : cases) {
    Set(kOutputPending, '$');
    Set(kOutputMode, c.mode);
    names_.output_target = c.target;
    EXPECT_EQ(std::string("\nERROR: Could not write file or directory: ") +
                  c.text + "\n",
              Report(Failed(FileError::WriteOpenFailed)))
        << c.name;
  }
}

TEST_F(FileReportTest, ResultLines) {
  struct Case {
    const char* name;
    FileOutcome outcome;
    char select;  // -# given
    char add;     // -B / -T
    bool added;
    CreateState create;
    const char* text;
  } cases[] = {
      {"one match keeps the plural", Outcome(1, 1), 0, 0, false,
       CreateState::None, "\nOK: 1 matches found: dir/a.txt\n"},
      {"none", Outcome(0), 0, 0, false, CreateState::None,
       "\nNo matches found: dir/a.txt\n"},
      {"skipped with -#", Outcome(1, 3), '#', 0, false, CreateState::None,
       "\n(Skipped 2 matches)\nOK: 1 matches found: dir/a.txt\n"},
      {"all skipped with -#", Outcome(0, 2), '#', 0, false, CreateState::None,
       "\n(Skipped 2 matches)\nNo matches found: dir/a.txt\n"},
      {"no skipped line without -#", Outcome(1, 3), 0, 0, false,
       CreateState::None, "\nOK: 1 matches found: dir/a.txt\n"},
      {"appended", Outcome(0), 0, 'T', true, CreateState::None,
       "\nNo matches found: dir/a.txt\n(String appended)\n"},
      {"inserted", Outcome(0), 0, 'B', true, CreateState::CreateRequested,
       "\nNo matches found: dir/a.txt\n(String inserted)\n"},
      {"created", Outcome(0), 0, 'T', true, CreateState::Created,
       "\nNew file created: dir/a.txt (String appended)\n"},
  };
  for (const Case& c : cases) {
    Set(kSelect, c.select);
    Set(kAddMode, c.add);
    FileOutcome outcome = c.outcome;
    outcome.text_added = c.added;
    EXPECT_EQ(c.text, Report(outcome, c.create)) << c.name;
  }
}

TEST_F(FileReportTest, CreatedFileUnderOutputNamesTheOutputFile) {
  Set(kOutputPending, '$');
  Set(kOutputMode, '$');
  Set(kAddMode, 'B');
  FileOutcome outcome = Outcome(0);
  outcome.text_added = true;
  EXPECT_EQ("\nNew file created: out/a.txt (String inserted)\n",
            Report(outcome, CreateState::Created));
}

TEST_F(FileReportTest, VerbosityGatesTheLinesButNotTheCount) {
  Set(kVerbosity, '1');
  EXPECT_EQ("", Report(Outcome(2, 2)));
  Set(kVerbosity, '0');
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

TEST_F(FileReportTest, DetailBlock) {
  FileOutcome outcome = Outcome(2, 2);
  outcome.original_size = 100;
  outcome.size_change = -5;
  outcome.bytes_written = 95;
  outcome.insert_count = 2;
  FakePlatform platform;
  Set(kVerbosity, '2');
  ReportDetail(outcome, names_, settings_, &platform);
  EXPECT_EQ("", platform.output);
  Set(kVerbosity, '3');
  ReportDetail(outcome, names_, settings_, &platform);
  EXPECT_EQ(
      "\nOriginal filesize : 100\n"
      "Bytes lost        : -5\n"
      "Bytes written     : 95\n"
      "Number times text inserted at & : 2\n",
      platform.output);

  platform.output.clear();
  Set(kOutputPending, '$');
  outcome.size_change = 0;
  settings_.specials[2] = '%';
  ReportDetail(outcome, names_, settings_, &platform);
  EXPECT_EQ(
      "\nOutput filename       : out/a.txt\n"
      "Original filesize : 100\n"
      "Bytes gained      : 0\n"
      "Bytes written     : 95\n"
      "Number times text inserted at % : 2\n",
      platform.output);
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
