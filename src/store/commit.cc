// Committing a file whose result is complete.

#include "store/commit.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "store/journal_names.h"
#include "store/journal_proof.h"
#include "store/size_limit.h"

namespace swu {

FileCommit::FileCommit(const Settings& settings, Platform* platform, File* file,
                       JournalWriter* journal, const OutputTarget& target,
                       const FileBuffer& buffer, int64_t original_size,
                       CommitCounts counts)
    : settings_(settings),
      platform_(platform),
      file_(file),
      journal_(journal),
      target_(target),
      image_(buffer.image() + buffer.start),
      live_(buffer.live_image()),
      original_size_(original_size),
      counts_(counts) {}

CommitCounts FileCommit::Run() {
  if (journal_ != nullptr) {
    CommitInPlace();
  } else {
    CommitOutput();
  }
  return counts_;
}

// True when the file is still the one loaded, as it was: nothing else has
// written it, cut it or been renamed over its name since.
bool FileCommit::StillAsLoaded() {
  FileIdentity now, named;
  return file_->Identify(&now) && Unchanged(target_.loaded_as, now) &&
         platform_->Identify(target_.path, &named) && SameFile(named, now);
}

// True when the file's name still stands for the file the stream has open.
bool FileCommit::NamesTheFile() {
  FileIdentity now, named;
  return file_->Identify(&now) && platform_->Identify(target_.path, &named) &&
         SameFile(named, now);
}

// The result is in the journal; the file has not been touched. Now it is
// written in place, from the journal, and the journal goes once the
// file's final length is set.
void FileCommit::CommitInPlace() {
  if (!WithinSizeLimit()) Fail(FileError::WriteFault);
  int64_t result_size = original_size_ + counts_.size_change;
  bool changes = !journal_->empty() || result_size != original_size_;
  if (succeeded() && changes) {
    // While the file is written, an interruption waits until it is done.
    platform_->DeferInterrupts(true);
    if (journal_->empty()) {
      Shorten(result_size);
    } else {
      Rewrite(result_size);
    }
    platform_->DeferInterrupts(false);
  }
  if (failed()) counts_.size_change = 0;  // Nothing for the totals.
  journal_->Remove();  // Unless Rewrite() kept it to finish the file.
  if (!file_->Close() && !failed() && !reapplied_) {
    Fail(FileError::WriteFault);
  }
}

// A result that is the file cut short: one length change, which is
// atomic, needs no journal.
void FileCommit::Shorten(int64_t result_size) {
  if (!journal_->MayWriteFile() || !StillAsLoaded()) {
    Fail(FileError::ReadFailed);
  } else if (!file_->SetLength(result_size)) {
    Fail(FileError::TruncateFailed);
  } else if (settings_.durable() && !file_->Sync()) {
    Fail(FileError::WriteFault);
  }
}

void FileCommit::Rewrite(int64_t result_size) {
  bool durable = settings_.durable();
  // A result that is the original byte for byte leaves the file as it is,
  // its times included.
  if (journal_->ChangesNothing(result_size)) return;
  JournalEnd end;
  end.result_size = result_size;
  end.acted_on = counts_.acted_on;
  end.found = counts_.found;
  if (!journal_->Finish(std::move(end), durable)) {
    Fail(FileError::WriteFault);  // The file is untouched.
    return;
  }
  if (!StillAsLoaded()) {
    Fail(FileError::ReadFailed);
    return;
  }
  // A file with more names notes on itself where its journal is, so that
  // a run that reaches it by another name finds the rewrite to finish.
  bool noted =
      target_.loaded_as.links > 1 && journal_->on_disk() &&
      file_->SetNote(AbsolutePathOf(journal_->path(), platform_, *platform_));
  // The gaps between records come from the image, which holds the file as
  // loaded where the journal changes nothing.
  const char* image = image_;
  Applied applied =
      ApplyJournal(journal_->records(), journal_->records_begin(), file_,
                   original_size_, result_size, durable, image);
  if (applied == Applied::kFailed) {
    applied = ApplyAgain(result_size);
    // The first stream keeps the error it had, which the second one mended.
    reapplied_ = applied == Applied::kDone;
  }
  switch (applied) {
    case Applied::kDone:
      // Read back: a program that wrote the file meanwhile leaves it
      // failed, with its journal.
      if (!HoldsResult(file_, live_, original_size_, result_size,
                       journal_->proof())) {
        Fail(FileError::ChangedDuringRewrite);
        journal_->LeaveForRecovery();
        return;
      }
      if (noted) file_->ClearNote();
      // Renamed over meanwhile: the result went to a file no longer named.
      if (!NamesTheFile()) Fail(FileError::ReadFailed);
      return;
    case Applied::kNotStarted:
      Fail(FileError::WriteFault);
      return;
    case Applied::kFileChanged:
      // Another program cut or lengthened the file part way: the journal
      // stays for when the file is explained again.
      Fail(FileError::ChangedDuringRewrite);
      journal_->LeaveForRecovery();
      return;
    case Applied::kFailed:
      // Half written: the journal stays beside the file, and the next run
      // over it (or --recover) finishes the rewrite.
      Fail(FileError::WriteFault);
      journal_->LeaveForRecovery();
      return;
  }
}

// A write that failed part way is tried once more from the journal,
// through a stream of its own: the failed one keeps its error. The file
// stays locked through the first stream meanwhile.
Applied FileCommit::ApplyAgain(int64_t result_size) {
  std::unique_ptr<File> again =
      platform_->Open(target_.path, OpenMode::kUpdate);
  FileIdentity first, second;
  if (again == nullptr || !file_->Identify(&first) ||
      !again->Identify(&second) || !SameFile(first, second)) {
    return Applied::kFailed;
  }
  return ApplyJournal(journal_->records(), journal_->records_begin(),
                      again.get(), original_size_, result_size,
                      settings_.durable());
}

// The result went to a -$ output file (appended, or a temporary beside
// it): check it, cut an appended output back on a failure, give a
// temporary its name, and close it.
void FileCommit::CommitOutput() {
  if (succeeded() && target_.writable && !WithinSizeLimit()) {
    Fail(FileError::WriteFault);
  }
  // --sync: the output's bytes are on the disk before it takes its name.
  if (succeeded() && target_.writable && settings_.durable() &&
      !file_->Sync()) {
    Fail(FileError::WriteFault);
  }
  if (failed() && target_.writable) PutBack();
  if (!file_->Close() && !failed()) {
    Fail(FileError::WriteFault);
    if (target_.writable) PutBackByName();
  }
  // A temporary stays locked until its stream is destroyed, after it has
  // its name: another run takes an unlocked one for a killed run's.
  Publish();
  // The append is whole, or cut back: its note has done its work. One that
  // could not be cut back keeps it, for the next append or --recover.
  if (!target_.append_note.empty() && !keep_note_) {
    platform_->DeleteFile(target_.append_note);
  }
}

// True when the largest offset the file's writes reach is within the
// file-size limit: past an appended output's length before this file; in
// place, the result's length or the original's, whichever is more.
bool FileCommit::WithinSizeLimit() {
  int64_t largest = counts_.bytes_written;
  if (target_.append_base >= 0) largest += target_.append_base;
  if (journal_ != nullptr) {
    if (journal_->empty()) return true;  // Only cut short, or unchanged.
    largest = std::max(largest, original_size_);
  }
  return WithinFileSizeLimit(*platform_, largest);
}

// Best effort, through the stream that was written: the failure is
// reported whether or not this succeeds. The output is as it was, so the
// file adds no bytes to the run's total.
void FileCommit::PutBack() {
  counts_.size_change = 0;
  if (target_.append_base >= 0 && !file_->SetLength(target_.append_base)) {
    keep_note_ = true;
  }
  // A temporary output is removed by Publish().
}

// The same once the stream is closed: only when closing it failed.
void FileCommit::PutBackByName() {
  counts_.size_change = 0;
  if (target_.append_base < 0) return;
  std::unique_ptr<File> file = platform_->Open(target_.path, OpenMode::kUpdate);
  if (file == nullptr || !file->SetLength(target_.append_base)) {
    keep_note_ = true;
  }
}

// A complete temporary output takes its name; a failed one is removed,
// leaving the output file as it was (a created file missing).
void FileCommit::Publish() {
  if (target_.temp_path.empty()) return;
  platform_->DeleteOnInterrupt("");
  if (succeeded() && TakeName()) {
    if (settings_.durable()) platform_->SyncDirectoryOf(target_.path);
    return;
  }
  if (!failed()) {
    // A file created meanwhile under the name of one to create is left
    // as it is, as one that was there already.
    FileIdentity now;
    bool taken = target_.create_new && platform_->Identify(target_.path, &now);
    Fail(taken ? FileError::OpenFailed : FileError::WriteFault);
    counts_.size_change = 0;
  }
  platform_->DeleteFile(target_.temp_path);
}

// Gives the temporary its permissions through its stream, never by name
// (in a directory others may write, the name may lead elsewhere by now),
// checks that its name still stands for it, and renames it: over the
// output file, or, for a created file, only where no file has the name.
bool FileCommit::TakeName() {
  FileIdentity held, named, replaced;
  if (!file_->Identify(&held) ||
      !platform_->IdentifyExact(target_.temp_path, &named) ||
      !SameFile(held, named)) {
    return false;
  }
  if (target_.create_new) {
    file_->SetPermissions(nullptr);  // Best effort: a file system may
                                     // keep no permission bits.
    return platform_->RenameNew(target_.temp_path, target_.path);
  }
  bool exists = platform_->Identify(target_.path, &replaced);
  file_->SetPermissions(exists ? &replaced : nullptr);
  return platform_->RenameOver(target_.temp_path, target_.path);
}

}  // namespace swu
