// The --recover command.

#include "run/recover_command.h"

#include <memory>

#include "base/reserved_names.h"
#include "report/recovery_report.h"
#include "run/file_set.h"
#include "store/append_note.h"
#include "store/journal_format.h"
#include "store/recovery.h"

namespace swu {

namespace {

// The verbosity of the result lines of a plain run.
constexpr int kVerbosity = 2;

class Recoverer {
 public:
  Recoverer(bool durable, Platform* platform)
      : durable_(durable), platform_(platform) {}

  void Path(const std::string& typed) {
    std::string path = platform_->FromTypedPath(typed);
    FileIdentity identity;
    if (!platform_->Identify(path, &identity)) {
      ReportNoSuchPath(typed, platform_);
      failed_ = true;
    } else if (identity.regular) {
      Note(RecoverFile(platform_, path, durable_), path);
    } else {
      Tree(WithSeparator(path, *platform_));
    }
  }

  bool failed() const { return failed_; }

 private:
  // Every journal and append note in |dir| (ending in a separator) and
  // below it.
  void Tree(const std::string& dir) {
    std::vector<std::string> journals;
    platform_->ListNamesStartingWith(dir, kJournalPrefix, &journals);
    for (const std::string& name : journals) {
      std::string file_path;
      Recovery r =
          RecoverJournalAt(platform_, dir + name, durable_, &file_path);
      Note(r, file_path);
    }
    std::vector<std::string> notes;
    platform_->ListNamesStartingWith(dir, kAppendNotePrefix, &notes);
    for (const std::string& name : notes) {
      std::string output_path;
      Recovery r = RecoverAppendNote(platform_, dir + name, &output_path);
      Note(r, output_path);
    }
    DirEntry entry;
    std::unique_ptr<DirEnum> sub =
        platform_->FindFirst(dir + "*.*", /*include_directories=*/true, &entry);
    if (sub == nullptr) return;
    do {
      if (entry.attributes & kAttrDirectory) {
        Tree(WithSeparator(dir + entry.name, *platform_));
      }
    } while (sub->Next(&entry));
  }

  void Note(Recovery r, const std::string& path) {
    ReportRecovery(r, path, kVerbosity, platform_);
    if (!Recovered(r)) failed_ = true;
  }

  bool durable_;
  Platform* platform_;
  bool failed_ = false;
};

}  // namespace

int64_t RunRecover(const std::vector<std::string>& paths, bool durable,
                   Platform* platform) {
  if (paths.empty()) {
    ReportRecoverUsage(platform);
    return 2;
  }
  Recoverer recoverer(durable, platform);
  for (const std::string& path : paths) recoverer.Path(path);
  return recoverer.failed() ? 4 : 0;
}

}  // namespace swu
