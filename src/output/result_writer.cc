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
      original_size_(buffer->size()) {
  if (target_.check_unchanged) {
    out_->set_first_write_check([this] { return StillAsLoaded(); });
  }
}

// True when the file is still the one loaded, as it was: nothing else has
// written it, cut it or been renamed over its name since.
bool ResultWriter::StillAsLoaded() {
  FileIdentity now, named;
  return stream_->Identify(&now) && Unchanged(target_.loaded_as, now) &&
         platform_->Identify(target_.path, &named) && SameFile(named, now);
}

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
  if (out_->blocked()) {
    // Another program changed the file after it was loaded. Nothing was
    // written, and nothing may be written over its bytes now.
    stream_->Close();
    return ErrorState(FileError::ReadFailed);
  }
  if (stream_->error()) Fail(FileError::WriteFault);
  if (state_->loop_state == kLoopFinished && state_->size_change < 0 &&
      target_.in_place) {
    // Through the descriptor that was written: the name may stand for
    // another file by now.
    if (!stream_->SetLength(state_->bytes_written)) {
      Fail(FileError::TruncateFailed);
    }
  }
  if (state_->loop_state < 0 && target_.writable) PutBack();
  if (!stream_->Close() && state_->loop_state >= 0) {
    Fail(FileError::WriteFault);
    if (target_.writable) PutBackByName();
  }
  Publish();
  if (state_->loop_state == kLoopFinished) return state_->acted_on;
  return state_->loop_state;
}

void ResultWriter::Fail(FileError error) {
  if (state_->loop_state >= 0) state_->loop_state = ErrorState(error);
}

// Best effort, through the stream that was written: the failure is
// reported whether or not this succeeds. The output is as it was, so the
// file adds no bytes to the run's total.
void ResultWriter::PutBack() {
  state_->size_change = 0;
  if (target_.in_place) {
    if (!out_->wrote()) return;  // Nothing reached the file.
    stream_->WriteAt(buffer_->block() + buffer_->start, original_size_, 0);
    stream_->SetLength(original_size_);
  } else if (target_.append_base >= 0) {
    stream_->SetLength(target_.append_base);
  }
  // A temporary output is removed by Publish().
}

// The same once the stream is closed: only when closing it failed.
void ResultWriter::PutBackByName() {
  state_->size_change = 0;
  if (!target_.in_place && target_.append_base < 0) return;
  std::unique_ptr<Stream> file =
      platform_->Open(target_.path, OpenMode::kUpdate);
  if (file == nullptr) return;
  if (target_.in_place) {
    file->WriteAt(buffer_->block() + buffer_->start, original_size_, 0);
    file->SetLength(original_size_);
  } else {
    file->SetLength(target_.append_base);
  }
  file->Close();
}

// A complete temporary output replaces the output file; a failed one is
// removed, leaving the output file as it was.
void ResultWriter::Publish() {
  if (target_.temp_path.empty()) return;
  if (state_->loop_state == kLoopFinished &&
      platform_->RenameOver(target_.temp_path, target_.path)) {
    return;
  }
  if (state_->loop_state >= 0) {
    state_->loop_state = ErrorState(FileError::WriteFault);
    state_->size_change = 0;
  }
  platform_->DeleteFile(target_.temp_path);
}

}  // namespace swu
