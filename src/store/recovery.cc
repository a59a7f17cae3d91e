// Recovering interrupted rewrites.

#include "store/recovery.h"

#include <memory>
#include <vector>

#include "store/journal_apply.h"
#include "store/journal_names.h"
#include "store/journal_proof.h"
#include "store/journal_reader.h"

namespace swu {

namespace {

// How long a file locked by another run is waited for, as a run waits.
constexpr int64_t kLockWaitMs = 5000;

// True when |now| is the file |header| names (the same file number: a
// journal lies beside its file, so on its file system, whose device number
// may differ after a restart), exactly as it was before the rewrite began.
bool Untouched(const JournalHeader& header, const FileIdentity& now) {
  return header.file_number == now.file_number &&
         header.original_size == now.size &&
         header.original_modified == now.modified;
}

// True when the open |journal|, whose identity is |identity|, may be
// trusted as far as its owner and name go: a regular file with one name,
// made by this user, the file's owner or root. Checked on the open
// journal, before any of it is read.
bool Trusted(const SystemRules& rules, File* journal,
             const FileIdentity& identity, uint32_t file_owner) {
  uint32_t owner = 0;
  return identity.regular && identity.links == 1 && journal->GetOwner(&owner) &&
         (owner == rules.CurrentUser() || owner == file_owner || owner == 0);
}

// The owner of |file|, whose journal must be that user's, this user's or
// root's. With no file, or when its owner cannot be had, this user's: a
// journal is then trusted only as this user's or root's.
uint32_t FileOwner(const SystemRules& rules, File* file) {
  uint32_t owner = 0;
  if (file != nullptr && file->GetOwner(&owner)) return owner;
  return rules.CurrentUser();
}

Recovery Remove(FileSystem* files, const std::string& journal_path,
                File* journal, Recovery done) {
  // Deleted while still locked, so no other run takes it meanwhile.
  bool removed = files->DeleteFile(journal_path);
  journal->Close();
  return removed ? done : Recovery::kCannotRemove;
}

// Finishes the rewrite of a file the proof explains.
Recovery Finish(FileSystem* files, const std::string& journal_path,
                File* journal, const JournalInfo& info, File* file,
                FileState state, bool durable) {
  const JournalEnd& end = info.end;
  const int64_t original = info.header.original_size;
  if (state != FileState::kResult) {
    Applied applied = ApplyJournal(journal, info.records_begin, file, original,
                                   end.result_size, durable);
    if (applied == Applied::kFileChanged) return Recovery::kFileChanged;
    if (applied != Applied::kDone) return Recovery::kFailed;
    if (!HoldsResult(file, nullptr, original, end.result_size, end.proof)) {
      return Recovery::kFileChanged;
    }
  }
  return Remove(files, journal_path, journal, Recovery::kFinished);
}

// The decision for a journal that is trusted and locked.
Recovery Decide(FileSystem* files, const std::string& journal_path,
                File* journal, const JournalInfo& info, File* file,
                const FileIdentity& identity, bool durable) {
  // Marked done by a run that ended before it removed the journal: its
  // file is as that run left it, whole, so there is nothing to tell.
  if (info.done) {
    return Remove(files, journal_path, journal, Recovery::kNothing);
  }
  switch (info.state) {
    case JournalState::kIncomplete:
      // Cut short while it was written, so its file was never touched;
      // a file of its that was touched means the journal lost its end.
      if (info.has_header && info.header.file_number == identity.file_number &&
          !Untouched(info.header, identity)) {
        return Recovery::kDamaged;
      }
      return Remove(files, journal_path, journal, Recovery::kOriginalKept);
    case JournalState::kDamaged:
      if (!Untouched(info.header, identity)) return Recovery::kDamaged;
      return Remove(files, journal_path, journal, Recovery::kOriginalKept);
    case JournalState::kComplete:
      break;
  }
  FileState state = CheckFile(file, identity.size, info.header.original_size,
                              info.end.result_size, info.end.proof);
  if (state == FileState::kChanged) return Recovery::kFileChanged;
  return Finish(files, journal_path, journal, info, file, state, durable);
}

// Opens the journal at |journal_path| without following a link, and checks
// it is trusted (for a file owned by |file_owner|) and held by no live
// run. Stores the verdict in *refused when it is not.
std::unique_ptr<File> OpenJournal(FileSystem* files, const SystemRules& rules,
                                  const std::string& journal_path,
                                  uint32_t file_owner, Recovery* refused) {
  std::unique_ptr<File> journal =
      files->Open(journal_path, OpenMode::kReserved);
  FileIdentity identity;
  *refused = Recovery::kForeign;
  if (journal == nullptr) {
    // Gone meanwhile, or not one the program may open.
    if (!files->IdentifyExact(journal_path, &identity)) {
      *refused = Recovery::kNothing;
    }
    return nullptr;
  }
  if (!journal->Identify(&identity) ||
      !Trusted(rules, journal.get(), identity, file_owner)) {
    return nullptr;
  }
  *refused = Recovery::kInUse;
  if (!journal->Lock(0)) return nullptr;
  return journal;
}

// The file a journal found by --recover names in its own directory, open
// and locked, or null. Stores its path in *file_path.
std::unique_ptr<File> OpenNamedFile(FileSystem* files, const SystemRules& rules,
                                    const std::string& journal_path,
                                    const JournalInfo& info,
                                    std::string* file_path,
                                    FileIdentity* identity) {
  if (!info.has_header || !IsPlainName(info.header.name, rules)) {
    return nullptr;
  }
  *file_path = DirectoryPartOf(journal_path, rules) + info.header.name;
  std::unique_ptr<File> file = files->Open(*file_path, OpenMode::kUpdate);
  if (file == nullptr || !file->Lock(kLockWaitMs) ||
      !file->Identify(identity)) {
    return nullptr;
  }
  return file;
}

}  // namespace

Recovery RecoverJournal(FileSystem* files, const SystemRules& rules,
                        const std::string& journal_path, File* file,
                        const FileIdentity& identity, bool durable,
                        RecoveredRewrite* rewrite) {
  Recovery refused;
  std::unique_ptr<File> journal =
      OpenJournal(files, rules, journal_path, FileOwner(rules, file), &refused);
  if (journal == nullptr) return refused;
  JournalInfo info;
  ReadJournal(journal.get(), &info);
  Recovery r =
      Decide(files, journal_path, journal.get(), info, file, identity, durable);
  if (r == Recovery::kFinished && rewrite != nullptr) {
    rewrite->digest = info.header.digest;
    rewrite->acted_on = info.end.acted_on;
    rewrite->found = info.end.found;
    rewrite->original_size = info.header.original_size;
    rewrite->result_size = info.end.result_size;
  }
  return r;
}

Recovery RecoverFile(FileSystem* files, const SystemRules& rules,
                     const std::string& path, bool durable,
                     RecoveredRewrite* rewrite) {
  std::unique_ptr<File> file = files->Open(path, OpenMode::kUpdate);
  FileIdentity identity;
  if (file == nullptr || !file->Identify(&identity)) return Recovery::kNothing;
  const std::string dir = DirectoryPartOf(path, rules);
  std::string journal_path = JournalPathIn(dir, identity.file_number);
  FileIdentity journal;
  if (!files->IdentifyExact(journal_path, &journal)) {
    return Recovery::kNothing;
  }
  // Identified again once locked: the file as the lock holds it.
  if (!file->Lock(kLockWaitMs)) return Recovery::kInUse;
  if (!file->Identify(&identity)) return Recovery::kNoFile;
  Recovery r = RecoverJournal(files, rules, journal_path, file.get(), identity,
                              durable, rewrite);
  if (r != Recovery::kForeign) return r;
  // The name is taken by what this run may not use, and is left alone: a
  // journal of this file's own is under one of the other names.
  if (rewrite != nullptr) rewrite->name_taken = true;
  r = Recovery::kNothing;
  for (int alternate = 1; alternate <= kJournalAlternates; ++alternate) {
    journal_path = JournalPathIn(dir, identity.file_number, alternate);
    if (!files->IdentifyExact(journal_path, &journal)) continue;
    Recovery other = RecoverJournal(files, rules, journal_path, file.get(),
                                    identity, durable, rewrite);
    if (!Recovered(other) && other != Recovery::kForeign) return other;
    if (other != Recovery::kForeign) r = other;
  }
  return r;
}

namespace {

// The journal |file| notes, when the note names one: the name must be a
// journal's, so that a note never makes a run remove another file.
bool NotedJournal(File* file, const SystemRules& rules,
                  std::string* journal_path) {
  if (!file->GetNote(journal_path)) return false;
  std::string dir = DirectoryPartOf(*journal_path, rules);
  return ParseJournalName(journal_path->substr(dir.size())) ==
         JournalName::kJournal;
}

}  // namespace

bool HasNotedJournal(FileSystem* files, const std::string& path) {
  std::unique_ptr<File> file = files->Open(path, OpenMode::kRead);
  std::string journal_path;
  return file != nullptr && file->GetNote(&journal_path);
}

bool HasPendingJournal(FileSystem* files, const SystemRules& rules,
                       const std::string& path, const FileIdentity& file,
                       bool* noted) {
  *noted = file.links > 1 && HasNotedJournal(files, path);
  FileIdentity journal;
  return *noted ||
         files->IdentifyExact(JournalPathFor(path, file, rules), &journal);
}

Recovery RecoverNoted(FileSystem* files, const SystemRules& rules,
                      const std::string& path, bool durable,
                      RecoveredRewrite* rewrite) {
  std::unique_ptr<File> file = files->Open(path, OpenMode::kUpdate);
  FileIdentity identity;
  std::string journal_path;
  if (file == nullptr || !file->Lock(kLockWaitMs) ||
      !file->Identify(&identity)) {
    return Recovery::kInUse;
  }
  FileIdentity journal;
  if (!NotedJournal(file.get(), rules, &journal_path) ||
      !files->IdentifyExact(journal_path, &journal)) {
    file->ClearNote();  // Left by a run that ended once the journal went.
    return Recovery::kNothing;
  }
  Recovery r = RecoverJournal(files, rules, journal_path, file.get(), identity,
                              durable, rewrite);
  if (Recovered(r)) file->ClearNote();
  return r;
}

Recovery RecoverJournalAt(FileSystem* files, const SystemRules& rules,
                          const std::string& journal_path, bool durable,
                          bool discard, std::string* file_path) {
  *file_path = journal_path;
  Recovery refused;
  // Only the header is read before the owner rule is checked against the
  // file it names.
  std::unique_ptr<File> journal =
      files->Open(journal_path, OpenMode::kReserved);
  FileIdentity own;
  if (journal == nullptr || !journal->Identify(&own)) {
    return files->IdentifyExact(journal_path, &own) ? Recovery::kForeign
                                                    : Recovery::kNothing;
  }
  JournalInfo info;
  ReadJournalHeader(journal.get(), &info);
  FileIdentity identity;
  std::unique_ptr<File> file =
      OpenNamedFile(files, rules, journal_path, info, file_path, &identity);
  journal.reset();
  journal = OpenJournal(files, rules, journal_path,
                        FileOwner(rules, file.get()), &refused);
  if (journal == nullptr) return refused;
  if (discard) {
    return Remove(files, journal_path, journal.get(), Recovery::kDiscarded);
  }
  ReadJournal(journal.get(), &info);
  if (file != nullptr) {
    return Decide(files, journal_path, journal.get(), info, file.get(),
                  identity, durable);
  }
  if (info.state != JournalState::kIncomplete) {
    return info.has_header && IsPlainName(info.header.name, rules)
               ? Recovery::kNoFile
               : Recovery::kDamaged;
  }
  // An incomplete journal wrote nothing: it goes, whatever its file is.
  return Remove(files, journal_path, journal.get(),
                info.done ? Recovery::kNothing : Recovery::kOriginalKept);
}

void ClearDeadSpares(FileSystem* files, const SystemRules& rules,
                     const std::string& directory) {
  std::vector<std::string> names;
  files->ListNamesStartingWith(directory, kJournalPrefix, &names);
  for (const std::string& name : names) {
    JournalName kind = ParseJournalName(name);
    if (kind != JournalName::kSpare && kind != JournalName::kPrivate) continue;
    Recovery refused;
    std::unique_ptr<File> spare = OpenJournal(files, rules, directory + name,
                                              rules.CurrentUser(), &refused);
    if (spare != nullptr) files->DeleteFile(directory + name);
  }
}

}  // namespace swu
