// Takes one text argument (anything that is not a switch argument): the
// text itself, or with -E the value of the environment variable it names,
// goes into the next free place: the -$ output name, the
// filespec, the search text or the new text.
//
// Tested by tests/cli/parser_test.cc.

#ifndef SWU_CLI_TEXT_ARGUMENT_H_
#define SWU_CLI_TEXT_ARGUMENT_H_

#include "cli/parse_state.h"

namespace swu {

// Stores the text of |text|. An unset -E variable without -G records
// BadCommandLine; a text with no free place left records BadArgument and
// marks the text.
void TakeTextArgument(const char* text, ParseState* state);

}  // namespace swu

#endif  // SWU_CLI_TEXT_ARGUMENT_H_
