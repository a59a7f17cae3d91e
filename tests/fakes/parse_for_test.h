// Builds a Settings record with the real parser, from what a user would
// type: "swu F <search> <new> <switches>", so that an engine test can only
// run a configuration the command line can produce. The two texts reach the
// parser through -L files, so any bytes arrive as given (NUL, '"', a
// leading '-' or '/', more than 261 bytes); an empty new text is typed as
// an empty argument.

#ifndef SWU_TESTS_FAKES_PARSE_FOR_TEST_H_
#define SWU_TESTS_FAKES_PARSE_FOR_TEST_H_

#include <gtest/gtest.h>

#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "cli/parser.h"
#include "cli/settings.h"
#include "fakes/temp_dir.h"
#include "platform/platform.h"

namespace swu {

namespace parse_for_test {

// A file holding |bytes|, in a directory removed when the tests end (a -K
// reset reads a large -L text again during the run, so the files must last).
inline std::string TextFile(const std::string& bytes) {
  static TempDir dir;
  static int count = 0;
  return dir.Write("t" + std::to_string(++count), bytes);
}

}  // namespace parse_for_test

// Parses the texts and |switches| (separated by spaces) into *settings,
// which starts afresh as every run's record does. Fails the test when the
// parser refuses the line.
inline void ParseForTest(const std::string& search, const std::string& new_text,
                         const std::string& switches, Settings* settings) {
  settings->~Settings();
  new (settings) Settings();
  std::vector<std::string> args = {"swu", "F", "-L",
                                   parse_for_test::TextFile(search)};
  if (new_text.empty()) {
    args.push_back("");
  } else {
    args.push_back("-L");
    args.push_back(parse_for_test::TextFile(new_text));
  }
  std::stringstream words(switches);
  for (std::string word; words >> word;) args.push_back(word);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  ParseOutcome outcome =
      ParseCommandLine(static_cast<int>(args.size()), argv.data(),
                       Platform::Default(), Platform::Default(), settings);
  ASSERT_EQ(outcome.status, RunStatus::None)
      << "refused: " << switches << " (" << outcome.bad_text << ")";
}

}  // namespace swu

#endif  // SWU_TESTS_FAKES_PARSE_FOR_TEST_H_
