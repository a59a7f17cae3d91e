// The finishing steps after validation: the search text's anchors, the
// special characters, the -K checks and characters, -B/-T and their :C under
// report-only, the copy of the filespec for the driver, and -'.
//
// Tested by tests/cli/parser_test.cc.

#ifndef SWU_CLI_FINISHING_H_
#define SWU_CLI_FINISHING_H_

#include "cli/parse_state.h"

namespace swu {

// Runs the finishing steps in order. A -K character equal to the active
// -2 special character records BadCommandLine.
void FinishCommandLine(ParseState* state);

}  // namespace swu

#endif  // SWU_CLI_FINISHING_H_
