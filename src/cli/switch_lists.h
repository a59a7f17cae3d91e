// Readers for the switch values that are more than one character: the
// match list of -#:a,a,a, the special function list of -K:mC,mC and the
// decimal byte value of -N:x and -W:x.
//
// Tested by tests/cli/switch_lists_test.cc and tests/cli/parser_test.cc.

#ifndef SWU_CLI_SWITCH_LISTS_H_
#define SWU_CLI_SWITCH_LISTS_H_

#include <cstdint>

#include "cli/parse_state.h"
#include "cli/settings.h"

namespace swu {

// Reads the numbers after "#:" (the value at arg->pos + 2 is a digit 1-9)
// into the match list and leaves arg->pos after them. An eleventh number
// or one above 999999989 leaves the switch begun and marks the bad text.
void ReadMatchList(SwitchArg* arg, ParseState* state);

// Reads the entries after "K:" into the special function list and the
// -K:RM / -K:RF reset choice; leaves arg->pos where the list ends. An
// eleventh entry is skipped without being taken.
void ReadFunctionList(SwitchArg* arg, ParseState* state);

// Reads the decimal byte after "N:" or "W:" into |*byte| and leaves
// arg->pos after it. A number that would pass 255 ends before the digit
// that passes it; that digit is left for the next pass when it is 1-4,
// otherwise the command line is bad and the digit is marked.
void ReadByteValue(SwitchArg* arg, ParseState* state, uint8_t* byte);

// Adds |entry| to |list|, keeping every mode-6 entry ahead of the others:
// a mode-6 entry given after other modes takes the place right after the
// last mode-6 entry, and the entry that stood there moves to the end.
// The caller makes sure the list has room.
void StoreFunction(const SpecialFunction& entry, SpecialFunctionList* list);

}  // namespace swu

#endif  // SWU_CLI_SWITCH_LISTS_H_
