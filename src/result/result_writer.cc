// Passing unchanged bytes, finishing and committing a file.

#include "result/result_writer.h"

#include <algorithm>
#include <cassert>

#include "store/commit.h"

namespace swu {

ResultWriter::ResultWriter(const Settings& settings, Platform* platform,
                           FileBuffer* buffer, Emitter* emitter,
                           OutputBuffer* out, File* file,
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
  } else {
    CommitCounts counts;
    counts.finished = state_->finished;
    counts.error = state_->error;
    counts.size_change = state_->size_change;
    counts.bytes_written = state_->bytes_written;
    counts.acted_on = state_->acted_on;
    counts.found = state_->found;
    counts = FileCommit(settings_, platform_, file_, journal_, target_,
                        *buffer_, original_size_, counts)
                 .Run();
    state_->Fail(counts.error);
    state_->size_change = counts.size_change;
  }
  return state_->error;
}

}  // namespace swu
