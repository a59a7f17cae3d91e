// Reads one switch argument (one that starts with '-' or '/') into the
// settings: letters, letters with a ':' value, and several of them in one
// argument (-RC, -D:PS, -GE).
//
// Tested by tests/cli/switch_argument_test.cc.

#ifndef SWU_CLI_SWITCH_ARGUMENT_H_
#define SWU_CLI_SWITCH_ARGUMENT_H_

#include <cstdint>

#include "cli/parse_state.h"

namespace swu {

// Reads the switch argument |text|, whose length before the quote fix-up
// was |length| (at most kMaxText; |text| has room up to that length plus
// its terminator). Upper-cases |text| in place. A switch that is unknown
// or incomplete records BadArgument, usually with the rest of the argument
// as bad text.
void ReadSwitchArgument(char* text, int64_t length, ParseState* state);

}  // namespace swu

#endif  // SWU_CLI_SWITCH_ARGUMENT_H_
