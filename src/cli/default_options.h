// Default switches from the environment: SWU_OPTIONS holds switches,
// separated by blanks, that are read before the command line's own, by
// the same rules; a later switch of the command line therefore wins
// wherever a switch can be given again with another value. --no-options
// (before any "--") leaves SWU_OPTIONS out.
//
// SWU_OPTIONS holds switches only: a word that does not start a switch
// (a text, a "--", a list option's name as a word of its own) would take a
// place of the command line's texts, so the command line is refused as a
// bad argument that names the word.
//
// Tested by tests/cli/default_options_test.cc.

#ifndef SWU_CLI_DEFAULT_OPTIONS_H_
#define SWU_CLI_DEFAULT_OPTIONS_H_

#include <string>
#include <vector>

#include "cli/parser.h"

namespace swu {

// The name of the variable.
extern const char kOptionsVariable[];

// Splits |value| into its words at blanks (space, tab, CR, LF).
std::vector<std::string> SplitOptions(const std::string& value);

// ParseCommandLine over the switches of SWU_OPTIONS followed by the
// command line |argc|, |argv|. Stores the words it added, joined by one
// space, in settings->added_options. On failure the outcome says what
// failed, as ParseCommandLine's does; a word that is not a switch fails
// the command line as a bad argument naming it.
ParseOutcome ParseWithDefaultOptions(int argc, char** argv, FileSystem* files,
                                     SystemRules* rules, Settings* settings);

}  // namespace swu

#endif  // SWU_CLI_DEFAULT_OPTIONS_H_
