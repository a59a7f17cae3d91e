// Applying a journal.

#include "output/journal_apply.h"

#include <algorithm>
#include <vector>

#include "output/journal_format.h"

namespace swu {

namespace {

constexpr int64_t kChunk = 4 << 20;
// Bytes written between two checks of the file's length.
constexpr int64_t kCheckEvery = 16 << 20;

// True when the file open as |file| is |a| or |b| bytes long.
bool LengthExplained(Stream* file, int64_t a, int64_t b) {
  FileIdentity now;
  return file->Identify(&now) && (now.size == a || now.size == b);
}

// Writes the records from |at| on. Returns kDone at the end record.
Applied WriteRecords(Stream* journal, int64_t at, Stream* file,
                     int64_t original_size, int64_t result_size) {
  std::vector<char> chunk(static_cast<size_t>(kChunk));
  int64_t since_check = 0;
  while (true) {
    char fields[kRecordHead];
    if (journal->ReadAt(fields, kRecordHead, at) != kRecordHead) {
      return Applied::kFailed;
    }
    int64_t offset = GetInt(fields);
    int64_t length = GetInt(fields + 8);
    if (offset == kEndMark) return Applied::kDone;
    at += kRecordHead;
    for (int64_t done = 0; done < length;) {
      if (since_check >= kCheckEvery) {
        if (!LengthExplained(file, original_size, result_size)) {
          return Applied::kFileChanged;
        }
        since_check = 0;
      }
      int64_t n = std::min(kChunk, length - done);
      if (journal->ReadAt(chunk.data(), n, at + done) != n) {
        return Applied::kFailed;
      }
      file->WriteAt(chunk.data(), n, offset + done);
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
