// The --recover command.

#include "run/recover_command.h"

#include <memory>

#include "base/reserved_names.h"
#include "report/recovery_report.h"
#include "run/file_set.h"
#include "store/append_note.h"
#include "store/journal_names.h"
#include "store/recovery.h"

namespace swu {

namespace {

// The verbosity of the result lines of a plain run.
constexpr int kVerbosity = 2;

class Recoverer {
 public:
  Recoverer(bool durable, bool discard, Platform* platform)
      : durable_(durable), discard_(discard), platform_(platform) {}

  void Path(const std::string& typed) {
    std::string path = platform_->FromTypedPath(typed);
    FileIdentity identity;
    if (!platform_->Identify(path, &identity)) {
      ReportNoSuchPath(typed, platform_);
      failed_ = true;
    } else if (identity.regular) {
      OneFile(path, identity);
    } else {
      Tree(WithSeparator(path, *platform_));
    }
  }

  bool failed() const { return failed_; }

 private:
  // The journal of the file |path|.
  void OneFile(const std::string& path, const FileIdentity& identity) {
    if (!discard_) {
      Note(RecoverFile(platform_, *platform_, path, durable_), path);
      return;
    }
    std::string file_path;
    std::string journal = JournalPathFor(path, identity, *platform_);
    FileIdentity found;
    if (!platform_->IdentifyExact(journal, &found)) return;
    Note(RecoverJournalAt(platform_, *platform_, journal, durable_, true,
                          &file_path),
         path);
  }

  // Every journal and append note in |dir| (ending in a separator) and
  // below it, hidden directories included; spares and journals not yet
  // named are removed when dead and never reported as files.
  void Tree(const std::string& dir) {
    std::vector<std::string> journals;
    platform_->ListNamesStartingWith(dir, kJournalPrefix, &journals);
    for (const std::string& name : journals) {
      if (ParseJournalName(name) != JournalName::kJournal) continue;
      std::string file_path;
      Recovery r = RecoverJournalAt(platform_, *platform_, dir + name, durable_,
                                    discard_, &file_path);
      Note(r, file_path);
    }
    ClearDeadSpares(platform_, *platform_, dir);
    std::vector<std::string> notes;
    platform_->ListNamesStartingWith(dir, kAppendNotePrefix, &notes);
    for (const std::string& name : notes) {
      std::string output_path;
      Recovery r =
          RecoverAppendNote(platform_, *platform_, dir + name, &output_path);
      Note(r, output_path);
    }
    std::vector<std::string> subdirectories;
    platform_->ListSubdirectories(dir, &subdirectories);
    for (const std::string& name : subdirectories) {
      Tree(WithSeparator(dir + name, *platform_));
    }
  }

  void Note(Recovery r, const std::string& path) {
    ReportRecovery(r, path, kVerbosity, platform_);
    if (!Recovered(r)) failed_ = true;
  }

  bool durable_;
  bool discard_;
  Platform* platform_;
  bool failed_ = false;
};

}  // namespace

int64_t RunRecover(const std::vector<std::string>& paths, bool durable,
                   bool discard, Platform* platform) {
  if (paths.empty()) {
    ReportRecoverUsage(platform);
    return 2;
  }
  Recoverer recoverer(durable, discard, platform);
  for (const std::string& path : paths) recoverer.Path(path);
  return recoverer.failed() ? 4 : 0;
}

}  // namespace swu
