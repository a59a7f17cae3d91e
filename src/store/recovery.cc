// Recovering interrupted rewrites.

#include "store/recovery.h"

#include <memory>
#include <vector>

#include "store/journal_apply.h"
#include "store/journal_format.h"

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

// True when |now| is a state that applying |info|'s journal, completed at
// |journal_time|, can have left: the same file, with the original's or the
// result's length, and last written before the rewrite or after the
// journal was complete. (After a power cut the file's time may not have
// reached the disk while its length and bytes did, so both times count.)
bool Explained(const JournalInfo& info, const FileIdentity& now,
               int64_t journal_time) {
  const JournalHeader& h = info.header;
  if (h.file_number != now.file_number) return false;
  bool length = now.size == h.original_size || now.size == info.result_size;
  bool time =
      now.modified == h.original_modified || now.modified >= journal_time;
  return length && time;
}

void Delete(Platform* platform, const std::string& journal_path,
            Stream* journal) {
  // Deleted while still locked, so no other run takes it meanwhile.
  platform->DeleteFile(journal_path);
  journal->Close();
}

Recovery Finish(Platform* platform, const std::string& journal_path,
                Stream* journal, const JournalInfo& info, Stream* file,
                bool durable) {
  Applied applied =
      ApplyJournal(journal, info.records_begin, file, info.header.original_size,
                   info.result_size, durable);
  if (applied == Applied::kFileChanged) return Recovery::kFileChanged;
  if (applied != Applied::kDone) return Recovery::kFailed;
  Delete(platform, journal_path, journal);
  return Recovery::kFinished;
}

}  // namespace

Recovery RecoverJournal(Platform* platform, const std::string& journal_path,
                        Stream* file, const FileIdentity& identity,
                        bool durable) {
  std::unique_ptr<Stream> journal =
      platform->Open(journal_path, OpenMode::kUpdate);
  if (journal == nullptr) return Recovery::kNothing;
  if (!journal->Lock(0)) return Recovery::kInUse;
  JournalInfo info;
  ReadJournal(journal.get(), &info);
  FileIdentity written;
  if (!journal->Identify(&written)) return Recovery::kFailed;
  // A journal says what to write into its file: only one its file's owner
  // or this user made is taken, so that nobody can have another user's
  // run (root's, say) write into a file through a journal of their own.
  if (written.owner != identity.owner &&
      written.owner != platform->CurrentUser()) {
    return Recovery::kForeign;
  }
  switch (info.state) {
    case JournalState::kIncomplete:
      // Cut short while it was written, so its file was never touched;
      // a file of its that was touched means the journal lost its end.
      if (info.has_header && info.header.file_number == identity.file_number &&
          !Untouched(info.header, identity)) {
        return Recovery::kDamaged;
      }
      Delete(platform, journal_path, journal.get());
      return Recovery::kOriginalKept;
    case JournalState::kDamaged:
      if (!info.has_header || !Untouched(info.header, identity)) {
        return Recovery::kDamaged;
      }
      Delete(platform, journal_path, journal.get());
      return Recovery::kOriginalKept;
    case JournalState::kComplete:
      break;
  }
  if (!Explained(info, identity, written.modified)) {
    return Recovery::kFileChanged;
  }
  return Finish(platform, journal_path, journal.get(), info, file, durable);
}

Recovery RecoverFile(Platform* platform, const std::string& path,
                     bool durable) {
  std::unique_ptr<Stream> file = platform->Open(path, OpenMode::kUpdate);
  FileIdentity identity;
  if (file == nullptr || !file->Identify(&identity)) return Recovery::kNothing;
  std::string journal_path = JournalPathFor(path, identity, *platform);
  FileIdentity journal;
  if (!platform->IdentifyExact(journal_path, &journal)) {
    return Recovery::kNothing;
  }
  // Identified again once locked: the file as the lock holds it.
  if (!file->Lock(kLockWaitMs)) return Recovery::kInUse;
  if (!file->Identify(&identity)) return Recovery::kNoFile;
  return RecoverJournal(platform, journal_path, file.get(), identity, durable);
}

Recovery RecoverJournalAt(Platform* platform, const std::string& journal_path,
                          bool durable, std::string* file_path) {
  *file_path = journal_path;
  std::unique_ptr<Stream> journal =
      platform->Open(journal_path, OpenMode::kRead);
  if (journal == nullptr) return Recovery::kNothing;
  JournalInfo info;
  ReadJournal(journal.get(), &info);
  journal.reset();
  if (info.has_header) {
    *file_path = DirectoryPartOf(journal_path, *platform) + info.header.name;
  }
  // Without a header the journal names no file, and wrote nothing.
  std::unique_ptr<Stream> file;
  if (info.has_header) file = platform->Open(*file_path, OpenMode::kUpdate);
  FileIdentity identity;
  if (file != nullptr && file->Lock(kLockWaitMs) && file->Identify(&identity)) {
    return RecoverJournal(platform, journal_path, file.get(), identity,
                          durable);
  }
  if (info.state != JournalState::kIncomplete) {
    return file == nullptr ? Recovery::kNoFile : Recovery::kInUse;
  }
  // An incomplete journal wrote nothing: it goes, whatever its file is.
  std::unique_ptr<Stream> own = platform->Open(journal_path, OpenMode::kUpdate);
  if (own == nullptr || !own->Lock(0)) return Recovery::kInUse;
  Delete(platform, journal_path, own.get());
  return Recovery::kOriginalKept;
}

void ClearDeadSpares(Platform* platform, const std::string& directory) {
  std::vector<std::string> names;
  platform->ListNamesStartingWith(
      directory, std::string(kJournalPrefix) + kSpareMark, &names);
  for (const std::string& name : names) {
    std::string file_path;
    RecoverJournalAt(platform, directory + name, /*durable=*/false, &file_path);
  }
}

}  // namespace swu
