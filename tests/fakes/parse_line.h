// Builds a Settings record with the real parser from a command line typed
// as one string, "*.TXT a b -R -V:1" for "swu *.TXT a b -R -V:1": the way
// tests of the run and of the report set up a run, so that they, too, only
// see configurations a user can type. Words are separated by spaces; a
// test that needs other bytes in its texts uses ParseForTest.

#ifndef SWU_TESTS_FAKES_PARSE_LINE_H_
#define SWU_TESTS_FAKES_PARSE_LINE_H_

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/parser.h"
#include "cli/settings.h"
#include "platform/platform.h"

namespace swu {

// Parses |line| on |platform| (which resolves the typed names and reads
// the -L files) into a fresh record. Stores the parser's outcome in
// *outcome when one is asked for; otherwise fails the test when the parser
// refuses the line.
inline std::unique_ptr<Settings> ParseLine(const std::string& line,
                                           Platform* platform,
                                           ParseOutcome* outcome = nullptr) {
  std::vector<std::string> args = {"swu"};
  std::stringstream words(line);
  for (std::string word; words >> word;) args.push_back(word);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  auto settings = std::make_unique<Settings>();
  ParseOutcome parsed =
      ParseCommandLine(static_cast<int>(args.size()), argv.data(), platform,
                       platform, settings.get());
  if (outcome != nullptr) {
    *outcome = parsed;
  } else {
    EXPECT_EQ(parsed.status, RunStatus::None)
        << "refused: " << line << " (" << parsed.bad_text << ")";
  }
  return settings;
}

}  // namespace swu

#endif  // SWU_TESTS_FAKES_PARSE_LINE_H_
