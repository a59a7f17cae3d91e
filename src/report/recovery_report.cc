// Recovery lines.

#include "report/recovery_report.h"

#include "report/printer.h"
#include "report/verbosity.h"

namespace swu {

namespace {

struct RecoveryText {
  Recovery recovery;
  const char* verdict;
  const char* why;
};

constexpr RecoveryText kTexts[] = {
    {Recovery::kFinished, "Recovered", "rewrite finished"},
    {Recovery::kOriginalKept, "Recovered", "original kept"},
    {Recovery::kFileChanged, "Not recovered",
     "file changed since the interrupted rewrite; journal kept"},
    {Recovery::kDamaged, "Not recovered", "journal damaged; journal kept"},
    {Recovery::kInUse, "Not recovered", "in use by another run"},
    {Recovery::kFailed, "Not recovered",
     "could not write the file; journal kept"},
    {Recovery::kNoFile, "Not recovered", "cannot open the file; journal kept"},
    {Recovery::kForeign, "Not recovered",
     "journal belongs to another user; journal kept"},
    {Recovery::kCannotRemove, "Not recovered", "cannot remove the journal"},
    {Recovery::kDiscarded, "Discarded", "journal removed without applying it"},
};

}  // namespace

void ReportRecovery(Recovery recovery, const std::string& path, int verbosity,
                    Console* console) {
  if (!Shows(Output::kFileError, verbosity)) return;
  for (const RecoveryText& text : kTexts) {
    if (text.recovery == recovery) {
      Printf(console, "%s: %s (%s)\n", text.verdict,
             console->DisplayPath(path).c_str(), text.why);
    }
  }
}

void ReportNoSuchPath(const std::string& path, Console* console) {
  Printf(console, "Not recovered: %s (no such file or directory)\n",
         console->DisplayPath(path).c_str());
}

void ReportRecoverUsage(Console* console) {
  Printf(console,
         "Missing command line information: --recover needs a file or "
         "directory\n");
}

}  // namespace swu
