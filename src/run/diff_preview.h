// The --diff side of a run: once a file's result is gathered (a DiffSink
// holds its changes), shows the change the run would make as a unified
// diff on standard output. In place the old side is the file as loaded;
// under -$ it is the output file as it is on disk, or as earlier files of
// this run would have left it (-$:F, -$:A), or nothing ("/dev/null") when
// it would be created. Paths are named relative to the current directory,
// so that `patch -p1` applies the diff there. A change that the diff
// cannot carry is left out, and the report names it: a binary one, and
// one to a path outside the current directory, which no patch applied in
// a checkout may write.
//
// Tested by tests/e2e/differential.py (the diff applied with patch gives
// the real run's files).

#ifndef SWU_RUN_DIFF_PREVIEW_H_
#define SWU_RUN_DIFF_PREVIEW_H_

#include <cstdint>
#include <map>
#include <string>

#include "base/status.h"
#include "cli/settings.h"
#include "diff/diff_sink.h"
#include "diff/unified_diff.h"
#include "platform/platform.h"
#include "report/diff_report.h"
#include "store/output_file.h"

namespace swu {

class DiffPreview {
 public:
  DiffPreview(const Settings& settings, Platform* platform);

  // Shows what the run would make of the file |path|, written to |target|
  // (|opened| when the file existed) with the |size|-byte image |image|, whose
  // result |sink| holds. Returns why a change is left out of the diff, or
  // kNone when it is shown or there is none.
  DiffOmission Show(const std::string& path, const OutputTarget& target,
                    bool opened, const DiffSink& sink, const char* image,
                    int64_t size);

 private:
  DiffOmission ShowOutput(const OutputTarget& target, const DiffSink& sink,
                          const char* image, int64_t size);
  DiffOmission ShowFile(const std::string& path, bool existed,
                        const char* old_text, int64_t old_size,
                        const RegionSource& regions);
  bool ReadOutput(const std::string& path, std::string* contents);

  const Settings& settings_;
  Platform* platform_;
  DiffReport report_;
  std::string current_;  // the current directory, '/' separated
  bool color_ = false;   // --color, or standard output is a terminal
  // -$:F, -$:A: the output file as the run has left it so far.
  std::map<std::string, std::string> outputs_;
};

}  // namespace swu

#endif  // SWU_RUN_DIFF_PREVIEW_H_
