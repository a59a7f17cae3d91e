// Turns the argument vector into Settings, the texts, the filespec
// and the -$ output name, and records the first failure.
// Prints nothing; the driver reports the outcome at the end of the run.

#ifndef SWU_CLI_PARSER_H_
#define SWU_CLI_PARSER_H_

#include <string>

#include "base/status.h"
#include "cli/settings.h"
#include "platform/file_system.h"
#include "platform/system_rules.h"

namespace swu {

struct ParseOutcome {
  RunStatus status = RunStatus::None;
  bool bad_text_marked = false;  // BadArgument names the text below
  std::string bad_text;
};

// Parses |argc| arguments of |argv| (argv[0] is the program name) into
// *settings. The argument strings are read, not changed (the quote fix-up
// and upper-casing work on bounded copies). Loads -L files. On failure the
// outcome's status says what failed; the bad text, when marked, is upper-cased
// if it came from a switch.
ParseOutcome ParseCommandLine(int argc, char** argv, FileSystem* files,
                              SystemRules* rules, Settings* settings);

}  // namespace swu

#endif  // SWU_CLI_PARSER_H_
