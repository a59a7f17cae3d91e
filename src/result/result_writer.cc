// Passing unchanged bytes, finishing and committing a file.

#include "result/result_writer.h"

#include <algorithm>
#include <cassert>

#include "store/journal_apply.h"
#include "store/journal_names.h"
#include "store/journal_proof.h"
#include "store/size_limit.h"

namespace swu {

ResultWriter::ResultWriter(const Settings& settings, Platform* platform,
                           FileBuffer* buffer, Emitter* emitter,
                           OutputBuffer* out, Stream* file,
                           JournalWriter* journal, const OutputTarget& target,
                           ReplaceState* state)
    : settings_(settings),
      platform_(platform),
      buffer_(buffer),
      emitter_(emitter),
      out_(out),
      file_(file),
      journal_(journal),
      target_(target),
      state_(state),
      original_size_(buffer->size()) {
  // An incomplete temporary output means nothing: an interruption that
  // ends the run at once takes it along.
  if (!target_.temp_path.empty())
    platform_->DeleteOnInterrupt(target_.temp_path);
  // In place the stream stands at the start of the file.
  if (PassesOverUnchanged()) out_->StartPositioned(0);
}

// True when the file is still the one loaded, as it was: nothing else has
// written it, cut it or been renamed over its name since.
bool ResultWriter::StillAsLoaded() {
  FileIdentity now, named;
  return file_->Identify(&now) && Unchanged(target_.loaded_as, now) &&
         platform_->Identify(target_.path, &named) && SameFile(named, now);
}

// True when the file's name still stands for the file the stream has open.
bool ResultWriter::NamesTheFile() {
  FileIdentity now, named;
  return file_->Identify(&now) && platform_->Identify(target_.path, &named) &&
         SameFile(named, now);
}

// True when intelligent writing applies: in place, unchanged bytes may be
// passed over instead of written while the size change is 0.
bool ResultWriter::PassesOverUnchanged() const {
  return target_.in_place && settings_.intelligent_writing() &&
         !settings_.output_mode();
}

void ResultWriter::PassUnchanged(int64_t n) {
  if (n <= 0) return;
  if (!PassesOverUnchanged() || state_->size_change != 0 || diff_ != nullptr) {
    CopyThrough(n);
    return;
  }
  out_->Skip(n);
  buffer_->position += n;
  state_->bytes_written += n;
  if (journal_ != nullptr) journal_->Passed(buffer_->position - buffer_->start);
  CheckCounts();
}

void ResultWriter::CopyThrough(int64_t n) {
  if (n <= 0) return;
  KeepImageBytes(n);
  buffer_->position += n;
  state_->bytes_written += n;
  CheckCounts();
}

void ResultWriter::Drop(int64_t n) {
  assert(n >= 0);
  if (diff_ != nullptr) diff_->Replaced(n);
  buffer_->position += n;
  state_->size_change -= n;
  CheckCounts();
}

void ResultWriter::DropRest() { Drop(buffer_->end - buffer_->position); }

int64_t ResultWriter::WriteAtMatch(const Match& match) {
  Emitter::Emission emission = emitter_->EmitAtMatch(match);
  assert(emission.consumed >= 0 && emission.written >= 0);
  if (diff_ != nullptr) diff_->Replaced(emission.consumed);
  buffer_->position += emission.consumed;
  state_->bytes_written += emission.written;
  state_->size_change += emission.written - emission.consumed;
  CheckCounts();
  return emission.consumed;
}

void ResultWriter::FinishMatches() {
  const AddMode add_mode = settings_.add_mode();
  const bool add = state_->acted_on == 0 && add_mode != AddMode::kNone &&
                   settings_.line_filter() != LineFilter::kUnmodifiedOnly;
  if (add && add_mode == AddMode::kAtStart) {
    Insert(/*at_start=*/true);  // The content follows the text.
    return;
  }
  int64_t rest = buffer_->end - buffer_->position;
  if (settings_.line_filter() == LineFilter::kModifiedOnly) {
    // -M has written what it keeps. A file without a modified line is
    // left as it is when rewritten in place.
    if (state_->acted_on == 0 && target_.in_place) PassOver(rest);
  } else if (PassesOverUnchanged() && state_->size_change == 0) {
    PassOver(rest);  // Already on disk.
  } else {
    CopyThrough(rest);
  }
  if (add) Insert(/*at_start=*/false);
}

// Passes the rest of the image that is on disk already, with nothing left
// to write after it.
void ResultWriter::PassOver(int64_t n) {
  passed_over_ = true;
  if (diff_ != nullptr) KeepImageBytes(n);
  buffer_->position += n;
  state_->bytes_written += n;
  CheckCounts();
}

void ResultWriter::Insert(bool at_start) {
  // '&' in the inserted text stands for the search text; with -W its
  // wildcards are changed in this copy only, so later files are searched
  // with the text as given.
  std::string search(settings_.search_text(), settings_.search_length);
  uint8_t wildcard = settings_.wildcard();
  if (settings_.wildcard_change() && wildcard != 0) {
    for (char& c : search) {
      if (static_cast<uint8_t>(c) == wildcard)
        c = static_cast<char>(settings_.wildcard_byte());
    }
  }
  emitter_->set_insertion_text(std::move(search));
  // In an appended output every write lands at its end anyway; there the
  // text still comes first because the content is written after it.
  if (!out_->MoveTo(0, at_start ? Whence::kStart : Whence::kEnd)) {
    state_->Fail(FileError::OpenFailed);
    return;
  }
  int64_t written = emitter_->EmitInsertion();
  state_->bytes_written += written;
  state_->size_change += written;
  state_->text_added = true;
  CheckCounts();
  // The whole image follows text inserted at the start.
  if (at_start) CopyThrough(buffer_->end - buffer_->position);
}

// The image's next |n| bytes belong to the result as they are: written,
// or under --diff told to the sink after what was written before them.
void ResultWriter::KeepImageBytes(int64_t n) {
  if (diff_ == nullptr) {
    out_->Write(buffer_->bytes() + buffer_->position, n);
    return;
  }
  // The kept bytes are not written, but a positioned output still moves
  // past them, as it would over bytes on disk.
  if (out_->positioned()) {
    out_->Skip(n);
  } else {
    out_->Flush();
  }
  diff_->Unchanged(n);
}

void ResultWriter::CheckCounts() const {
  // Invariant: the size change is what was written minus what was used.
  assert(state_->size_change ==
         state_->bytes_written - (buffer_->position - buffer_->start));
  // Invariant: the position stays within the image.
  assert(buffer_->start <= buffer_->position &&
         buffer_->position <= buffer_->end);
  // Invariant: positioned, the next byte lands where the result has got
  // to. The one exception is PassOver, which counts the rest of the image
  // as written (it is on disk already) without moving the output; only an
  // insertion at the end can follow, and it moves the output itself.
  assert(passed_over_ || !out_->positioned() ||
         out_->next_offset() == state_->bytes_written);
}

FileError ResultWriter::CommitFile() {
  out_->Flush();
  if (out_->stream()->error()) state_->Fail(FileError::WriteFault);
  // Part of the image read as zeros: the file was shortened under the run.
  if (!buffer_->Intact()) state_->Fail(FileError::ReadFailed);
  if (diff_ != nullptr) {
    diff_->Finish(original_size_);  // Nothing is written under --diff.
    if (!diff_->consistent()) state_->Fail(FileError::ReadFailed);
  } else if (journal_ != nullptr) {
    CommitInPlace();
  } else {
    CommitOutput();
  }
  return state_->error;
}

// The result is in the journal; the file has not been touched. Now it is
// written in place, from the journal, and the journal goes once the
// file's final length is set.
void ResultWriter::CommitInPlace() {
  if (!WithinSizeLimit()) state_->Fail(FileError::WriteFault);
  int64_t result_size = original_size_ + state_->size_change;
  bool changes = !journal_->empty() || result_size != original_size_;
  if (state_->succeeded() && changes) {
    // While the file is written, an interruption waits until it is done.
    platform_->DeferInterrupts(true);
    if (journal_->empty()) {
      Shorten(result_size);
    } else {
      Rewrite(result_size);
    }
    platform_->DeferInterrupts(false);
  }
  if (state_->failed()) state_->size_change = 0;  // Nothing for the totals.
  journal_->Remove();  // Unless Rewrite() kept it to finish the file.
  if (!file_->Close() && !state_->failed() && !reapplied_) {
    state_->Fail(FileError::WriteFault);
  }
}

// A result that is the file cut short: one length change, which is
// atomic, needs no journal.
void ResultWriter::Shorten(int64_t result_size) {
  if (!journal_->MayWriteFile() || !StillAsLoaded()) {
    state_->Fail(FileError::ReadFailed);
  } else if (!file_->SetLength(result_size)) {
    state_->Fail(FileError::TruncateFailed);
  } else if (settings_.durable() && !file_->Sync()) {
    state_->Fail(FileError::WriteFault);
  }
}

void ResultWriter::Rewrite(int64_t result_size) {
  bool durable = settings_.durable();
  // A result that is the original byte for byte leaves the file as it is,
  // its times included.
  if (journal_->ChangesNothing(result_size)) return;
  JournalEnd end;
  end.result_size = result_size;
  end.acted_on = state_->acted_on;
  end.found = state_->found;
  if (!journal_->Finish(std::move(end), durable)) {
    state_->Fail(FileError::WriteFault);  // The file is untouched.
    return;
  }
  if (!StillAsLoaded()) {
    state_->Fail(FileError::ReadFailed);
    return;
  }
  // A file with more names notes on itself where its journal is, so that
  // a run that reaches it by another name finds the rewrite to finish.
  bool noted = target_.loaded_as.links > 1 && journal_->on_disk() &&
               file_->SetNote(AbsolutePathOf(journal_->path(), platform_));
  // The gaps between records come from the image, which holds the file as
  // loaded where the journal changes nothing.
  const char* image =
      reinterpret_cast<const char*>(buffer_->bytes()) + buffer_->start;
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
      if (!HoldsResult(file_, original_size_, result_size, journal_->proof())) {
        state_->Fail(FileError::ChangedDuringRewrite);
        journal_->LeaveForRecovery();
        return;
      }
      if (noted) file_->ClearNote();
      // Renamed over meanwhile: the result went to a file no longer named.
      if (!NamesTheFile()) state_->Fail(FileError::ReadFailed);
      return;
    case Applied::kNotStarted:
      state_->Fail(FileError::WriteFault);
      return;
    case Applied::kFileChanged:
      // Another program cut or lengthened the file part way: the journal
      // stays for when the file is explained again.
      state_->Fail(FileError::ChangedDuringRewrite);
      journal_->LeaveForRecovery();
      return;
    case Applied::kFailed:
      // Half written: the journal stays beside the file, and the next run
      // over it (or --recover) finishes the rewrite.
      state_->Fail(FileError::WriteFault);
      journal_->LeaveForRecovery();
      return;
  }
}

// A write that failed part way is tried once more from the journal,
// through a stream of its own: the failed one keeps its error. The file
// stays locked through the first stream meanwhile.
Applied ResultWriter::ApplyAgain(int64_t result_size) {
  std::unique_ptr<Stream> again =
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
void ResultWriter::CommitOutput() {
  if (state_->succeeded() && target_.writable && !WithinSizeLimit()) {
    state_->Fail(FileError::WriteFault);
  }
  // --sync: the output's bytes are on the disk before it takes its name.
  if (state_->succeeded() && target_.writable && settings_.durable() &&
      !file_->Sync()) {
    state_->Fail(FileError::WriteFault);
  }
  if (state_->failed() && target_.writable) PutBack();
  if (!file_->Close() && !state_->failed()) {
    state_->Fail(FileError::WriteFault);
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
bool ResultWriter::WithinSizeLimit() {
  int64_t largest = state_->bytes_written;
  if (target_.append_base >= 0) largest += target_.append_base;
  if (journal_ != nullptr) {
    if (journal_->empty()) return true;  // Only cut short, or unchanged.
    largest = std::max(largest, original_size_);
  }
  return WithinFileSizeLimit(platform_, largest);
}

// Best effort, through the stream that was written: the failure is
// reported whether or not this succeeds. The output is as it was, so the
// file adds no bytes to the run's total.
void ResultWriter::PutBack() {
  state_->size_change = 0;
  if (target_.append_base >= 0 && !file_->SetLength(target_.append_base)) {
    keep_note_ = true;
  }
  // A temporary output is removed by Publish().
}

// The same once the stream is closed: only when closing it failed.
void ResultWriter::PutBackByName() {
  state_->size_change = 0;
  if (target_.append_base < 0) return;
  std::unique_ptr<Stream> file =
      platform_->Open(target_.path, OpenMode::kUpdate);
  if (file == nullptr || !file->SetLength(target_.append_base)) {
    keep_note_ = true;
  }
}

// A complete temporary output takes its name; a failed one is removed,
// leaving the output file as it was (a created file missing).
void ResultWriter::Publish() {
  if (target_.temp_path.empty()) return;
  platform_->DeleteOnInterrupt("");
  if (state_->succeeded() && TakeName()) {
    if (settings_.durable()) platform_->SyncDirectoryOf(target_.path);
    return;
  }
  if (!state_->failed()) {
    // A file created meanwhile under the name of one to create is left
    // as it is, as one that was there already.
    FileIdentity now;
    bool taken = target_.create_new && platform_->Identify(target_.path, &now);
    state_->Fail(taken ? FileError::OpenFailed : FileError::WriteFault);
    state_->size_change = 0;
  }
  platform_->DeleteFile(target_.temp_path);
}

// Gives the temporary its permissions through its stream, never by name
// (in a directory others may write, the name may lead elsewhere by now),
// checks that its name still stands for it, and renames it: over the
// output file, or, for a created file, only where no file has the name.
bool ResultWriter::TakeName() {
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
