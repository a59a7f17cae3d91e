// The checks after the argument loop: is the command line complete, does
// -$ have its output name, and the loading of the -L files.
//
// Tested by tests/cli/parser_test.cc and tests/cli/text_file_test.cc.

#ifndef SWU_CLI_VALIDATION_H_
#define SWU_CLI_VALIDATION_H_

#include "cli/parse_state.h"

namespace swu {

// Runs the checks in order; the first failure wins, except that a -$:F or
// -$:A without a name replaces any earlier one. Then loads the -L files
// while nothing has failed and sets the texts' lengths.
void ValidateCommandLine(ParseState* state);

}  // namespace swu

#endif  // SWU_CLI_VALIDATION_H_
