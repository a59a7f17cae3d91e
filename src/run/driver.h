// The run driver: owns one run from the parsed command line to the exit
// status. The set-up phase splits <filespec>, starts the -R walk, finds or
// creates the -$ output directory and writes the marker file; the
// directory loop processes the files; the end phase deletes the marker,
// prints the totals and the run's error, computes the exit status and,
// with -P, waits for a key.
//
// Tested by tests/run/driver_test.cc.

#ifndef SWU_RUN_DRIVER_H_
#define SWU_RUN_DRIVER_H_

#include <cstdint>

#include "base/random.h"
#include "cli/parser.h"
#include "cli/settings.h"
#include "platform/platform.h"
#include "run/file_runner.h"

namespace swu {

// Runs the whole command: parses |argv|, prints the banner and help, and
// processes the files. Returns the exit status before it is cut to 8
// bits.
int64_t RunCommand(int argc, char** argv, Platform* platform);

// Everything after the start phase. |parsed| holds the start phase's
// status (the parser's, cleared when help was shown). The run goes
// straight to the end phase when that status is not none or -H was given.
int64_t RunParsed(const ParseOutcome& parsed, const Settings& settings,
                  Platform* platform, Random* random, FileRunner* runner);

}  // namespace swu

#endif  // SWU_RUN_DRIVER_H_
