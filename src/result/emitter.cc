// The new-text emitter.

#include "result/emitter.h"

#include <cstring>

#include "search/line_break.h"

namespace swu {

namespace {

constexpr int kChunk = 256;  // bytes built up before one write

uint8_t ChangeCase(uint8_t b, AmpCase to) {
  if (to == AmpCase::kUpper && b >= 'a' && b <= 'z') return b - 0x20;
  if (to == AmpCase::kLower && b >= 'A' && b <= 'Z') return b + 0x20;
  return b;
}

}  // namespace

Emitter::Emitter(const Settings& settings, NewText* new_text,
                 const FileBuffer* buffer, OutputBuffer* out,
                 int64_t own_break_length)
    : settings_(settings),
      new_text_(new_text),
      buffer_(buffer),
      out_(out),
      break_length_(WrittenBreakLength(buffer->bytes(), buffer->start,
                                       buffer->end, own_break_length)),
      segments_(settings, out, break_length_) {
  wildcard_ = settings.wildcard();
  line_mode_ = settings.line_mode() != LineMode::kOff;
  line_filter_ = settings.line_filter();
  placement_ = settings.placement();
  add_mode_ = settings.add_mode();
}

Emitter::Emission Emitter::EmitAtMatch(const Match& match) {
  const bool line_mode = line_mode_;
  Emission emission;
  emission.consumed = match.consumed;
  if (line_filter_ == LineFilter::kUnmodifiedOnly) {
    // The dropped line goes with its line break.
    int64_t after = buffer_->position + match.consumed;
    if (!match.line_end_taken) {
      emission.consumed +=
          BreakAt(buffer_->bytes(), buffer_->start, after, buffer_->end);
    }
    return emission;
  }
  const int64_t search_length = settings_.search_length;
  const uint8_t* here = buffer_->bytes() + buffer_->position;
  int64_t& written = emission.written;
  if (placement_ == Placement::kBefore) {
    written += EmitNewText(match, false);
    if (line_mode) {
      written += WriteLineBreak();
      WritePlain(here, match.consumed);
      written += match.consumed;
    } else {
      WritePlain(here, search_length);
      written += search_length;
    }
  } else if (placement_ == Placement::kAfter) {
    int64_t kept = line_mode ? match.consumed : search_length;
    WritePlain(here, kept);
    written += kept;
    if (line_mode) written += WriteLineBreak();
    written += EmitNewText(match, false);
  } else {
    written = EmitNewText(match, false);
    if (!line_mode && settings_.overwrite() && written > search_length) {
      // As many bytes after the match as the new text is longer are
      // overwritten, up to the end of the image.
      int64_t room = buffer_->end - buffer_->position;
      emission.consumed += written - search_length;
      if (emission.consumed > room) emission.consumed = room;
    }
  }
  return emission;
}

int64_t Emitter::EmitInsertion() {
  if (add_mode_ == AddMode::kNone) return 0;
  if (line_filter_ == LineFilter::kUnmodifiedOnly)
    return 0;  // -U never inserts.
  const bool line_mode = line_mode_;
  int64_t written = 0;
  // Text added at the end starts on a line of its own; text added at the
  // start of a file never needs a line break before it.
  if (line_mode && add_mode_ == AddMode::kAtEnd) {
    const uint8_t* data = buffer_->bytes();
    uint8_t last = data[buffer_->end - 1];  // the lead-in LF when empty
    if (last != '\n') written += WriteLineBreak();
  }
  written += EmitNewText(Match(), true);
  if (line_mode) written += WriteLineBreak();
  return written;
}

int64_t Emitter::EmitNewText(const Match& match, bool insertion) {
  const uint8_t* text = new_text_->data();
  const int64_t n = new_text_->size();
  int64_t count = 0;
  int64_t conversions = 0;
  int64_t from = 0;
  while (from < n) {
    int64_t stop = new_text_->FindAmp(from);
    conversions += segments_.Write(text + from, stop - from);
    count += stop - from;
    if (stop == n) break;  // No '&' left.
    ++insert_count_;
    count += WriteExpansion(match, insertion);
    from = stop + 1;
  }
  if (!insertion && settings_.pad() && count < match.consumed) {
    WritePad(match.consumed - count);
    count = match.consumed;
  }
  return count + conversions;
}

int64_t Emitter::WriteExpansion(const Match& match, bool insertion) {
  const uint8_t* data = buffer_->bytes();
  if (insertion) {
    WritePlain(reinterpret_cast<const uint8_t*>(insertion_text_.data()),
               static_cast<int64_t>(insertion_text_.size()));
    return static_cast<int64_t>(insertion_text_.size());
  }
  if (settings_.whole_line_amp()) {
    WritePlain(data + buffer_->position, match.consumed);
    return match.consumed;
  }
  const int64_t search_length = settings_.search_length;
  const AmpCase amp_case = settings_.amp_case();
  if (amp_case == AmpCase::kUpper || amp_case == AmpCase::kLower) {
    return WriteCaseChanged(data + match.start, search_length, amp_case);
  }
  if (amp_case == AmpCase::kAsTyped) return WriteTypedCase(match);
  WritePlain(data + match.start, search_length);
  return search_length;
}

int64_t Emitter::WriteCaseChanged(const uint8_t* data, int64_t n, AmpCase to) {
  uint8_t chunk[kChunk];
  for (int64_t done = 0; done < n;) {
    int64_t size = n - done < kChunk ? n - done : kChunk;
    for (int64_t i = 0; i < size; ++i)
      chunk[i] = ChangeCase(data[done + i], to);
    WritePlain(chunk, size);
    done += size;
  }
  return n;
}

// The search text as it was typed, with the file's bytes where it has
// wildcards.
int64_t Emitter::WriteTypedCase(const Match& match) {
  const uint8_t* typed =
      reinterpret_cast<const uint8_t*>(settings_.search_text());
  const uint8_t* file = buffer_->bytes() + match.start;
  const int64_t n = settings_.search_length;
  uint8_t chunk[kChunk];
  for (int64_t done = 0; done < n;) {
    int64_t size = n - done < kChunk ? n - done : kChunk;
    for (int64_t i = 0; i < size; ++i) {
      uint8_t b = typed[done + i];
      chunk[i] = (wildcard_ != 0 && b == wildcard_) ? file[done + i] : b;
    }
    WritePlain(chunk, size);
    done += size;
  }
  return n;
}

void Emitter::WritePlain(const uint8_t* data, int64_t n) {
  if (n > 0) out_->Write(data, n);
}

int64_t Emitter::WriteLineBreak() {
  out_->Write(BreakBytes(break_length_), break_length_);
  return break_length_;
}

void Emitter::WritePad(int64_t n) {
  uint8_t chunk[kChunk];
  memset(chunk, settings_.pad_byte(), sizeof(chunk));
  while (n > 0) {
    int64_t size = n < kChunk ? n : kChunk;
    WritePlain(chunk, size);
    n -= size;
  }
}

}  // namespace swu
