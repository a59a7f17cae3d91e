// Applying a journal.
//
// Records close together (a same-length rewrite journals each change
// apart) are gathered into one piece of at most kPiece bytes and written
// with one call. The unchanged bytes between them are read from the file
// first, once per piece: they are the same in the original and the
// result, however much of the journal an earlier attempt applied.

#include "store/journal_apply.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <memory>

#include "store/journal_proof.h"
#include "store/journal_reader.h"

namespace swu {

namespace {

// The largest piece written in one call, the largest part of a record
// taken at once, and the largest gap of unchanged bytes between two
// records that is written again rather than costing a call of its own.
constexpr int64_t kPiece = 1 << 20;
constexpr int64_t kRecordPart = kPiece / 2;
constexpr int64_t kMergeGap = 4096;
// A piece grown past this is written up to its last block: what follows
// still fits the buffer.
constexpr int64_t kFullPiece = kPiece - 2 * (kMergeGap + kProofBlock);
static_assert(kRecordPart + kMergeGap + kProofBlock <= kPiece &&
                  kFullPiece - kRecordPart > kMergeGap + kProofBlock,
              "a cut leaves whole blocks and room for the next part");

// True when the file open as |file| is |a| or |b| bytes long.
bool LengthExplained(File* file, int64_t a, int64_t b) {
  FileIdentity now;
  return file->Identify(&now) && (now.size == a || now.size == b);
}

int64_t BlockStart(int64_t offset) {
  return offset / kProofBlock * kProofBlock;
}

// Gathers records into pieces and writes each. Two writes never share a
// proof block: a piece too large for the buffer is written up to the
// block where the next record begins, and the rest of that block stays
// for the next write. So a process that dies between two writes leaves
// each block as the original or the result has it.
class PieceWriter {
 public:
  PieceWriter(File* file, int64_t original_size, int64_t result_size,
              const char* original)
      : file_(file),
        original_size_(original_size),
        result_size_(result_size),
        original_(original),
        // A file smaller than a piece needs no more room than its bytes:
        // every offset lies below the larger of its two lengths.
        capacity_(std::min(kPiece, std::max(original_size, result_size))),
        bytes_(new char[static_cast<size_t>(capacity_)]) {}

  // Adds |n| bytes for the file's offset |offset| (n <= kRecordPart).
  Applied Add(int64_t offset, const char* data, int64_t n) {
    assert(n > 0 && n <= kRecordPart);
    if (!Fits(offset)) {
      Applied flushed = Flush();
      if (flushed != Applied::kDone) return flushed;
      start_ = end_ = filled_ = offset;
    } else if (offset + n - start_ > kFullPiece) {
      int64_t cut = BlockStart(offset);
      if (cut > filled_ && !Fill(cut)) return Applied::kFailed;
      Applied written = WriteBefore(cut);
      if (written != Applied::kDone) return written;
    }
    assert(offset + n - start_ <= capacity_);
    if (offset > filled_ && !Fill(offset)) return Applied::kFailed;
    memcpy(bytes_.get() + (offset - start_), data, static_cast<size_t>(n));
    end_ = offset + n;
    filled_ = std::max(filled_, end_);
    return Applied::kDone;
  }

  // Writes the piece gathered so far.
  Applied Flush() {
    if (end_ == start_) return Applied::kDone;
    Applied written = Write(bytes_.get(), end_ - start_, start_);
    start_ = end_;
    return written;
  }

 private:
  // A record joins the piece when it follows it closely, and always when
  // it begins in the block where the piece ends.
  bool Fits(int64_t offset) const {
    return end_ > start_ && offset >= end_ &&
           (offset - end_ <= kMergeGap ||
            BlockStart(offset) == BlockStart(end_ - 1));
  }

  // Writes the piece's bytes before |cut| (a block's start) and keeps the
  // rest at the front of the buffer.
  Applied WriteBefore(int64_t cut) {
    assert(cut > start_ && cut <= filled_);
    Applied written = Write(bytes_.get(), cut - start_, start_);
    int64_t kept = std::max<int64_t>(0, filled_ - cut);
    memmove(bytes_.get(), bytes_.get() + (cut - start_),
            static_cast<size_t>(kept));
    start_ = cut;
    end_ = std::max(end_, cut);
    filled_ = cut + kept;
    return written;
  }

  // Writes |n| bytes at |offset| at once, once the file's length is known
  // to be one the rewrite explains: a file another program cut or
  // lengthened is not written further.
  Applied Write(const char* data, int64_t n, int64_t offset) {
    // The first write follows the apply's own check with nothing between.
    if (!length_checked_ &&
        !LengthExplained(file_, original_size_, result_size_)) {
      return Applied::kFileChanged;
    }
    length_checked_ = false;
    file_->WriteAt(data, n, offset);
    return file_->error() ? Applied::kFailed : Applied::kDone;
  }

  // Reads the file's bytes from |filled_| on, up to the piece's room, so
  // that the gap before |offset| holds them.
  bool Fill(int64_t offset) {
    int64_t want = start_ + capacity_ - filled_;
    char* to = bytes_.get() + (filled_ - start_);
    int64_t got;
    if (original_ != nullptr) {
      got = std::max<int64_t>(0, std::min(want, original_size_ - filled_));
      memcpy(to, original_ + filled_, static_cast<size_t>(got));
    } else {
      got = std::max<int64_t>(0, file_->ReadAt(to, want, filled_));
    }
    filled_ += got;
    return filled_ >= offset;
  }

  File* file_;
  int64_t original_size_;
  int64_t result_size_;
  const char* original_;           // the file as loaded, or null
  int64_t capacity_;               // the bytes |bytes_| holds
  std::unique_ptr<char[]> bytes_;  // not cleared: see JournalWindow
  int64_t start_ = 0;              // the file offset of the piece's first byte
  int64_t end_ = 0;                // one past the last record byte in the piece
  int64_t filled_ = 0;             // one past the last byte the piece holds
  bool length_checked_ = true;     // no write since the file's length was
                                   // last found explained
};

// Writes the records from |at| on. Returns kDone at the end record.
Applied WriteRecords(File* journal, int64_t at, File* file,
                     int64_t original_size, int64_t result_size,
                     const char* original) {
  FileIdentity identity;
  if (!journal->Identify(&identity)) return Applied::kFailed;
  JournalWindow window(journal, identity.size);
  RecordReader reader(&window, at, identity.size);
  PieceWriter pieces(file, original_size, result_size, original);
  Record record;
  while (true) {
    RecordReader::Step step = reader.Next(&record);
    if (step == RecordReader::Step::kBroken) return Applied::kFailed;
    if (step == RecordReader::Step::kEnd) return pieces.Flush();
    for (int64_t done = 0; done < record.length;) {
      int64_t n = std::min(kRecordPart, record.length - done);
      const char* bytes = window.Get(record.data_at + done, n);
      if (bytes == nullptr) return Applied::kFailed;
      Applied added = pieces.Add(record.offset + done, bytes, n);
      if (added != Applied::kDone) return added;
      done += n;
    }
  }
}

}  // namespace

Applied ApplyJournal(File* journal, int64_t records_begin, File* file,
                     int64_t original_size, int64_t result_size, bool durable,
                     const char* original) {
  if (!LengthExplained(file, original_size, result_size)) {
    return Applied::kFileChanged;
  }
  // A longer result gets its room first: without it, nothing is written.
  if (result_size > original_size && !file->Allocate(result_size)) {
    file->SetLength(original_size);
    return Applied::kNotStarted;
  }
  Applied written = WriteRecords(journal, records_begin, file, original_size,
                                 result_size, original);
  if (written != Applied::kDone) return written;
  // Before the length is cut, it must still be one the rewrite explains.
  // (A result as long or longer sets no length; its reader checks it.)
  if (result_size < original_size) {
    if (!LengthExplained(file, original_size, result_size)) {
      return Applied::kFileChanged;
    }
    if (!file->SetLength(result_size)) return Applied::kFailed;
  }
  if (durable && !file->Sync()) return Applied::kFailed;
  return Applied::kDone;
}

}  // namespace swu
