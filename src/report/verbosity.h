// Which output each verbosity level (-V:0 to -V:3) prints. One table, so
// every module asks the same question the same way.

#ifndef SWU_REPORT_VERBOSITY_H_
#define SWU_REPORT_VERBOSITY_H_

namespace swu {

enum class Output {
  kBanner,        // the banner line and the help pages
  kWarning,       // directory-skipped and left-out-of-the-diff warnings
  kFileError,     // per-file error messages
  kFileResult,    // OK, no matches, skipped, new file, appended, inserted
  kDetail,        // the per-file detail block
  kSkipped,       // a file --skip-binary passed over
  kAddedOptions,  // the switches SWU_OPTIONS added
  kTotals,        // the totals block and its -S lines
  kBytesAdded,    // the "Bytes added" line of the totals
  kRunError,      // end-of-run error messages
  kPausePrompt,   // the -P prompt
};

// True when |output| is printed at |verbosity| (0 to 3).
bool Shows(Output output, int verbosity);

}  // namespace swu

#endif  // SWU_REPORT_VERBOSITY_H_
