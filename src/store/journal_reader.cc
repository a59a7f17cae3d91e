// Reading and checking a rewrite journal.

#include "store/journal_reader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "store/checksum.h"

namespace swu {

namespace {

constexpr int kMaxVarint = 10;
constexpr int64_t kMaxInt = std::numeric_limits<int64_t>::max();

bool ReadHeader(JournalWindow* window, JournalInfo* info) {
  const char* mark = window->Get(0, 8);
  if (mark != nullptr && memcmp(mark, kDoneMagic, 8) == 0) {
    info->done = true;
    return false;
  }
  const char* fixed = window->Get(0, kFixedHead);
  int64_t name_length = 0;
  if (fixed == nullptr || !DecodeHeader(fixed, &info->header, &name_length)) {
    return false;
  }
  const char* name = window->Get(kFixedHead, name_length);
  if (name == nullptr) return false;
  info->header.name.assign(name, static_cast<size_t>(name_length));
  info->records_begin = kFixedHead + name_length;
  info->has_header = true;
  return true;
}

// The checksum of the journal's first |n| bytes.
bool ChecksumOfJournal(JournalWindow* window, int64_t n, uint64_t* sum) {
  Checksum check;
  for (int64_t at = 0; at < n;) {
    int64_t piece = std::min(JournalWindow::kSize, n - at);
    const char* bytes = window->Get(at, piece);
    if (bytes == nullptr) return false;
    check.Add(bytes, piece);
    at += piece;
  }
  *sum = check.value();
  return true;
}

// Reads the end record, |n| bytes from |at|, into *end. Its length is
// checked against the proof's most blocks before anything is allocated.
bool ReadEnd(File* journal, const JournalHeader& header, int64_t at, int64_t n,
             JournalEnd* end) {
  char fixed[kEndBlocksAt];
  if (n < EndRecordSize(0) ||
      journal->ReadAt(fixed, kEndBlocksAt, at) != kEndBlocksAt) {
    return false;
  }
  int64_t result_size = GetInt(fixed + kEndResultSizeAt);
  int64_t view = std::max(header.original_size, result_size);
  int64_t most_blocks = view / kProofBlock + 1;
  if (result_size < 0 ||
      (n - EndRecordSize(0)) / kProofBlockBytes > most_blocks) {
    return false;
  }
  std::string bytes(static_cast<size_t>(n), '\0');
  if (journal->ReadAt(&bytes[0], n, at) != n ||
      !DecodeEnd(bytes.data(), n, end)) {
    return false;
  }
  return end->proof.blocks.empty() ||
         end->proof.blocks.back().index < most_blocks;
}

// True when the journal of |size| bytes ends in an end record's magic: it
// was completed, so anything that does not check now is damage, not a cut.
bool EndsComplete(File* journal, int64_t size, int64_t records_begin) {
  char tail[8];
  return size >= records_begin + EndRecordSize(0) &&
         journal->ReadAt(tail, 8, size - 8) == 8 &&
         memcmp(tail, kEndMagic, 8) == 0;
}

}  // namespace

JournalWindow::JournalWindow(File* journal, int64_t size)
    : journal_(journal),
      journal_size_(std::max<int64_t>(0, size)),
      capacity_(std::min(kSize, journal_size_)),
      bytes_(new char[static_cast<size_t>(capacity_)]) {}

const char* JournalWindow::Get(int64_t at, int64_t n) {
  if (n < 0 || n > capacity_ || at < 0 || at > journal_size_ - n) {
    return nullptr;
  }
  if (at < start_ || at + n > start_ + size_) {
    start_ = at;
    size_ = journal_->ReadAt(bytes_.get(),
                             std::min(capacity_, journal_size_ - at), at);
    if (size_ < n) return nullptr;
  }
  return bytes_.get() + (at - start_);
}

bool RecordReader::Varint(uint64_t* value) {
  *value = 0;
  for (int i = 0; i < kMaxVarint; ++i) {
    const char* byte = window_->Get(at_, 1);
    if (byte == nullptr) return false;
    ++at_;
    uint8_t b = static_cast<uint8_t>(*byte);
    *value |= static_cast<uint64_t>(b & 0x7f) << (7 * i);
    if ((b & 0x80) == 0) return true;
  }
  return false;
}

RecordReader::Step RecordReader::Next(Record* record) {
  int64_t start = at_;
  uint64_t length_plus_one, step;
  if (!Varint(&length_plus_one)) return Step::kBroken;
  if (length_plus_one == 0) {
    at_ = start;
    return Step::kEnd;
  }
  if (!Varint(&step)) return Step::kBroken;
  // Every length and step is bounded before it is added: the bytes must
  // lie within the journal, the record at or after the previous one.
  uint64_t length = length_plus_one - 1;
  if (length == 0 || length > static_cast<uint64_t>(journal_size_ - at_) ||
      step > static_cast<uint64_t>(kMaxInt - previous_end_) ||
      length > static_cast<uint64_t>(kMaxInt - previous_end_) - step) {
    return Step::kBroken;
  }
  record->length = static_cast<int64_t>(length);
  record->offset = previous_end_ + static_cast<int64_t>(step);
  record->data_at = at_;
  previous_end_ = record->offset + record->length;
  at_ += record->length;
  return Step::kRecord;
}

void ReadJournalHeader(File* journal, JournalInfo* info) {
  *info = JournalInfo();
  FileIdentity identity;
  if (!journal->Identify(&identity)) return;
  JournalWindow window(journal, identity.size);
  ReadHeader(&window, info);
}

void ReadJournal(File* journal, JournalInfo* info) {
  *info = JournalInfo();
  FileIdentity identity;
  if (!journal->Identify(&identity)) return;
  JournalWindow window(journal, identity.size);
  if (!ReadHeader(&window, info) ||
      !EndsComplete(journal, identity.size, info->records_begin)) {
    return;
  }
  info->state = JournalState::kDamaged;
  RecordReader reader(&window, info->records_begin, identity.size);
  Record record;
  int64_t count = 0;
  int64_t last_end = 0;
  RecordReader::Step step;
  while ((step = reader.Next(&record)) == RecordReader::Step::kRecord) {
    ++count;
    last_end = record.offset + record.length;
  }
  if (step == RecordReader::Step::kBroken) return;
  int64_t end_at = reader.at();
  int64_t end_size = identity.size - end_at;
  JournalEnd& end = info->end;
  char trailer[kEndTrailer];
  uint64_t sum = 0;
  if (!ReadEnd(journal, info->header, end_at, end_size, &end) ||
      journal->ReadAt(trailer, kEndTrailer, identity.size - kEndTrailer) !=
          kEndTrailer ||
      !ChecksumOfJournal(&window, identity.size - kEndTrailer, &sum) ||
      sum != static_cast<uint64_t>(GetInt(trailer)) ||
      end.record_count != count || last_end > end.result_size) {
    return;
  }
  info->state = JournalState::kComplete;
}

}  // namespace swu
