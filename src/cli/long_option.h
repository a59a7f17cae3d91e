// The long options: the arguments that start with "--" and name a setting
// of their own (--sync, --diff, --color=..., --skip-binary, --word,
// --files-from, --files0-from, --no-options) or stand for a switch
// (--help, --version), and the "--" that ends the switches.

#ifndef SWU_CLI_LONG_OPTION_H_
#define SWU_CLI_LONG_OPTION_H_

#include "cli/parse_state.h"

namespace swu {

// True when the argument at hand is a text whatever it looks like: right
// after -G, and after "--".
bool ArgumentIsText(const ParseState& state);

// The switch that --help (-H) or --version (-H:V) stands for; any other
// argument as it is.
const char* LongOptionSwitch(const char* argument, const ParseState& state);

// Takes argv[*i] when it is a long option the parser handles itself, with
// the list's name from argv[*i + 1] for "--files-from NAME" (*i then moves
// onto it), and returns true. Returns false for any other argument, and
// for every argument after -G or "--". A list option without its name
// fails the command line as a bad argument that names the option.
bool TakeLongOption(int argc, char** argv, int* i, ParseState* state);

// True when an argument before the first "--" asks for a file list
// (--files-from or --files0-from, with its name after it or after '='):
// the command line then has no <filespec>, and its first text is
// <search>.
bool FileListAsked(int argc, char** argv);

}  // namespace swu

#endif  // SWU_CLI_LONG_OPTION_H_
