// Applying a journal.

#include "output/journal_apply.h"

#include <algorithm>
#include <vector>

#include "output/journal_format.h"

namespace swu {

namespace {

// The records are written in batches of at most this size, and the
// file's length is checked before each.
constexpr int64_t kChunk = 1 << 20;

// True when the file open as |file| is |a| or |b| bytes long.
bool LengthExplained(Stream* file, int64_t a, int64_t b) {
  FileIdentity now;
  return file->Identify(&now) && (now.size == a || now.size == b);
}

// Reads the journal a window at a time, so that many small records cost
// one read between them.
class Window {
 public:
  explicit Window(Stream* journal)
      : journal_(journal), bytes_(static_cast<size_t>(kChunk)) {}

  // The journal's bytes [at, at + n), n <= kChunk, or null past its end.
  const char* Get(int64_t at, int64_t n) {
    if (at < start_ || at + n > start_ + size_) {
      start_ = at;
      size_ = journal_->ReadAt(bytes_.data(), kChunk, at);
      if (size_ < n) return nullptr;
    }
    return bytes_.data() + (at - start_);
  }

 private:
  Stream* journal_;
  std::vector<char> bytes_;
  int64_t start_ = 0;
  int64_t size_ = 0;
};

// Writes the records from |at| on, checking the file's length before each
// batch of kChunk bytes. Returns kDone at the end record.
Applied WriteRecords(Stream* journal, int64_t at, Stream* file,
                     int64_t original_size, int64_t result_size) {
  Window window(journal);
  int64_t since_check = kChunk;
  while (true) {
    const char* fields = window.Get(at, kRecordHead);
    if (fields == nullptr) return Applied::kFailed;
    int64_t offset = GetInt(fields);
    int64_t length = GetInt(fields + 8);
    if (offset == kEndMark) return Applied::kDone;
    at += kRecordHead;
    for (int64_t done = 0; done < length;) {
      if (since_check >= kChunk) {
        if (!LengthExplained(file, original_size, result_size)) {
          return Applied::kFileChanged;
        }
        since_check = 0;
      }
      int64_t n = std::min(kChunk, length - done);
      const char* bytes = window.Get(at + done, n);
      if (bytes == nullptr) return Applied::kFailed;
      file->WriteAt(bytes, n, offset + done);
      if (file->error()) return Applied::kFailed;
      done += n;
      since_check += n;
    }
    at += length;
  }
}

}  // namespace

Applied ApplyJournal(Stream* journal, int64_t records_begin, Stream* file,
                     int64_t original_size, int64_t result_size, bool durable) {
  if (!LengthExplained(file, original_size, result_size)) {
    return Applied::kFileChanged;
  }
  // A longer result gets its room first: without it, nothing is written.
  if (result_size > original_size && !file->Allocate(result_size)) {
    file->SetLength(original_size);
    return Applied::kNotStarted;
  }
  Applied written =
      WriteRecords(journal, records_begin, file, original_size, result_size);
  if (written != Applied::kDone) return written;
  if (!LengthExplained(file, original_size, result_size)) {
    return Applied::kFileChanged;
  }
  if (result_size < original_size && !file->SetLength(result_size)) {
    return Applied::kFailed;
  }
  if (durable && !file->Sync()) return Applied::kFailed;
  return Applied::kDone;
}

}  // namespace swu
