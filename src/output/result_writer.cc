// Passing unchanged bytes, finishing and committing a file.

#include "output/result_writer.h"

namespace swu {

namespace {

int64_t ErrorState(FileError error) { return static_cast<int64_t>(error); }

}  // namespace

ResultWriter::ResultWriter(const Settings& settings, Platform* platform,
                           FileBuffer* buffer, Emitter* emitter,
                           OutputBuffer* out, const OutputTarget& target,
                           ReplaceState* state)
    : settings_(settings),
      platform_(platform),
      buffer_(buffer),
      emitter_(emitter),
      out_(out),
      stream_(out->stream()),
      target_(target),
      state_(state),
      original_size_(buffer->size()) {}

bool ResultWriter::Intelligent() const {
  return target_.in_place && settings_[kNoIntelligent] != '~' &&
         !settings_.output_mode();
}

void ResultWriter::PassUnchanged(int64_t n) {
  if (n <= 0) return;
  if (Intelligent() && state_->size_change == 0) {
    out_->Flush();
    if (!stream_->Seek(n, Whence::kCurrent)) {
      state_->loop_state = ErrorState(FileError::OpenFailed);
    }
    buffer_->position += n;
  } else {
    emitter_->CopyThrough(n);
  }
  state_->bytes_written += n;
}

void ResultWriter::FinishMatches(Match* match) {
  const char add_mode = static_cast<char>(settings_[kAddMode]);
  const bool add = state_->acted_on == 0 &&
                   (add_mode == 'B' || add_mode == 'T') &&
                   settings_[kLineFilter] != 'U';
  if (add && add_mode == 'B') {
    Insert(match, /*at_start=*/true);  // The content follows the text.
    return;
  }
  int64_t rest = buffer_->end - buffer_->position;
  if (settings_[kLineFilter] == 'M') {
    // -M has written what it keeps. A file without a modified line is
    // left as it is when rewritten in place.
    if (state_->acted_on == 0 && target_.in_place) {
      buffer_->position = buffer_->end;
      state_->bytes_written += rest;
    }
  } else if (Intelligent() && state_->size_change == 0) {
    buffer_->position = buffer_->end;  // Already on disk.
    state_->bytes_written += rest;
  } else {
    emitter_->CopyThrough(rest);
    state_->bytes_written += rest;
  }
  if (add) Insert(match, /*at_start=*/false);
}

void ResultWriter::Insert(Match* match, bool at_start) {
  // '&' in the inserted text stands for the search text; with -W its
  // wildcards are changed in this copy only, so later files are searched
  // with the text as given.
  std::string search(settings_.search_text(), settings_.search_length);
  uint8_t wildcard = settings_[kDisable1] == '1' ? 0 : settings_.special(1);
  if (settings_[kWildcardChange] == 'W' && wildcard != 0) {
    for (char& c : search) {
      if (static_cast<uint8_t>(c) == wildcard)
        c = static_cast<char>(settings_[kWildcardByte]);
    }
  }
  emitter_->set_insertion_text(std::move(search));
  // In an appended output every write lands at its end anyway; there the
  // text still comes first because the content is written after it.
  out_->Flush();
  if (!stream_->Seek(0, at_start ? Whence::kStart : Whence::kEnd)) {
    state_->loop_state = ErrorState(FileError::OpenFailed);
    return;
  }
  match->offset = -1;
  int64_t written = emitter_->EmitAtMatch(match);
  state_->bytes_written += written;
  state_->size_change += written;
  state_->text_added = match->consumed == kInsertedMarker;
  if (at_start) {
    // The whole image follows the inserted text.
    int64_t rest = buffer_->end - buffer_->position;
    emitter_->CopyThrough(rest);
    state_->bytes_written += rest;
  }
}

FileStatus ResultWriter::CommitFile() {
  out_->Flush();
  if (stream_->error()) state_->loop_state = ErrorState(FileError::WriteFault);
  // Closing flushes what is buffered; a failure there is a write fault too.
  if (!stream_->Close() && state_->loop_state >= 0) {
    state_->loop_state = ErrorState(FileError::WriteFault);
  }
  if (state_->loop_state == kLoopFinished && state_->size_change < 0 &&
      target_.in_place) {
    if (!platform_->SetFileLength(target_.path, state_->bytes_written)) {
      state_->loop_state = ErrorState(FileError::TruncateFailed);
    }
  }
  if (state_->loop_state < 0 && target_.writable) PutBack();
  if (state_->loop_state == kLoopFinished) return state_->acted_on;
  return state_->loop_state;
}

// Best effort: the failure is reported whether or not this succeeds. The
// output is as it was, so the file adds no bytes to the run's total.
void ResultWriter::PutBack() {
  state_->size_change = 0;
  if (target_.in_place) {
    std::unique_ptr<Stream> file =
        platform_->Open(target_.path, OpenMode::kUpdate);
    if (file != nullptr) {
      file->Write(buffer_->block() + buffer_->start, original_size_);
      file->Close();
    }
    platform_->SetFileLength(target_.path, original_size_);
  } else if (target_.append_base >= 0) {
    platform_->SetFileLength(target_.path, target_.append_base);
  } else {
    platform_->DeleteFile(target_.path);
  }
}

}  // namespace swu
