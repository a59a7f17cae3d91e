// The exit mapping.

#include "run/exit_code.h"

namespace swu {

namespace {

// True for the parser's own codes, BadArgument to MissingOutputName; they
// read as BadCommandLine except under -V:0.
bool IsParserCode(RunStatus status) {
  int32_t code = static_cast<int32_t>(status);
  return code <= static_cast<int32_t>(RunStatus::BadArgument) &&
         code >= static_cast<int32_t>(RunStatus::MissingOutputName);
}

}  // namespace

int64_t ExitCodeFor(RunStatus status, int verbosity, Selection selection,
                    int64_t found, int64_t files_failed) {
  if (verbosity >= 1 && IsParserCode(status)) {
    status = RunStatus::BadCommandLine;
  }
  int64_t code = static_cast<int64_t>(status);
  if (status == RunStatus::OutputDirFailed) code = -6;
  if (selection == Selection::kReportRepeat && code == 0) {
    code = found;
  } else if (code == 0 && files_failed > 0) {
    code = kFilesFailedExit;
  }
  if (selection == Selection::kReportOnly) code = found;
  return code < 0 ? -code : code;
}

int ProcessExitStatus(int64_t exit_code, int64_t largest) {
  if (exit_code > largest) return static_cast<int>(largest);
  if (exit_code < 0) return static_cast<int>(largest);  // Never produced.
  return static_cast<int>(exit_code);
}

}  // namespace swu
