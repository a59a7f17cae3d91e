// The file list of --files-from and --files0-from: checked against the
// rest of the command line, read (from a file, or from standard input for
// "-") and split into the names of the files to process, which then stand
// for <filespec>.
//
// Names are bytes as given. --files0-from ends each name with a NUL byte
// and takes every other byte, a line break included, as part of a name.
// --files-from ends each name with an LF, and a CR just before the LF (or
// at the very end) is dropped with it: a list written with CR LF line
// breaks names the same files as one with LF, and a name that ends in a
// CR can still be given through --files0-from. In both lists an empty
// name (an empty line, two NULs in a row) is skipped, and the last name
// needs no separator after it.
//
// Tested by tests/cli/file_list_test.cc.

#ifndef SWU_CLI_FILE_LIST_H_
#define SWU_CLI_FILE_LIST_H_

#include <string>
#include <vector>

#include "cli/parse_state.h"

namespace swu {

// Splits |bytes| into *names by the rules above; |separator| is '\n' for
// --files-from and '\0' for --files0-from.
void SplitFileList(const std::string& bytes, char separator,
                   std::vector<std::string>* names);

// After the validation step: refuses a list together with -R (a bad
// argument naming both), or a list option that the parser did not take
// as one (after -G), and reads the list into the settings. A list that
// cannot be read fails the run as a text file that cannot be loaded. Does
// nothing once something has failed, or without a list.
void TakeFileList(ParseState* state);

}  // namespace swu

#endif  // SWU_CLI_FILE_LIST_H_
