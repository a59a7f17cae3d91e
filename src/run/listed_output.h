// Where the output of a listed file (--files-from, --files0-from) goes in
// the -$ output directory: under the path the list gives, taken relative
// to the current directory, so that "src/a.c" is written to
// "out/src/a.c".
//
// Tested by the run_lists.cases end-to-end cases.

#ifndef SWU_RUN_LISTED_OUTPUT_H_
#define SWU_RUN_LISTED_OUTPUT_H_

#include <string>

#include "platform/platform.h"

namespace swu {

// Stores in *relative the listed |path| relative to the current directory
// |current|: without "." components, and without |current| itself in
// front of an absolute path; the separators between the components ('/',
// and '\' on Windows) are the platform's. Returns false when |path| leaves
// |current| (a ".." component, or an absolute path outside it) or names no
// file: it has no place in the output directory.
bool ListedOutputName(const std::string& path, const std::string& current,
                      const Platform& platform, std::string* relative);

}  // namespace swu

#endif  // SWU_RUN_LISTED_OUTPUT_H_
