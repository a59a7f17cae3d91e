// Reading and checking a rewrite journal.

#include "store/journal_format.h"

#include <algorithm>
#include <cstring>

#include "store/checksum.h"

namespace swu {

namespace {

constexpr char kHeadMagic[] = "SWUJRNL1";
constexpr int64_t kFixedHead = 56;  // the header without the name
constexpr int64_t kMaxName = 4096;
constexpr int kMaxVarint = 10;

void PutVarint(std::string* out, uint64_t value) {
  while (value >= 0x80) {
    out->push_back(static_cast<char>((value & 0x7f) | 0x80));
    value >>= 7;
  }
  out->push_back(static_cast<char>(value));
}

bool ReadHeader(JournalWindow* window, JournalInfo* info) {
  const char* fixed = window->Get(0, kFixedHead);
  if (fixed == nullptr || memcmp(fixed, kHeadMagic, 8) != 0) return false;
  JournalHeader& h = info->header;
  h.device = static_cast<uint64_t>(GetInt(fixed + 8));
  h.file_number = static_cast<uint64_t>(GetInt(fixed + 16));
  h.original_size = GetInt(fixed + 24);
  h.original_modified = GetInt(fixed + 32);
  int64_t name_length = GetInt(fixed + 40);
  if (name_length < 0 || name_length > kMaxName) return false;
  const char* name = window->Get(kFixedHead, name_length);
  if (name == nullptr) return false;
  h.name.assign(name, static_cast<size_t>(name_length));
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

}  // namespace

std::string DirectoryPartOf(const std::string& path, const Platform& platform) {
  char separator = platform.PathSeparator();
  for (size_t i = path.size(); i > 0; --i) {
    char c = path[i - 1];
    // A '\' read from a directory is part of a name where '/' separates.
    if (c == separator ||
        (separator == '\\' && platform.EndsDirectoryPart(c)) || c == '/') {
      return path.substr(0, i);
    }
  }
  return std::string();
}

std::string JournalPathFor(const std::string& path,
                           const FileIdentity& identity,
                           const Platform& platform) {
  static const char kDigits[] = "0123456789abcdef";
  std::string name = kJournalPrefix;
  for (int shift = 60; shift >= 0; shift -= 4) {
    name += kDigits[(identity.file_number >> shift) & 15];
  }
  return DirectoryPartOf(path, platform) + name;
}

void PutInt(std::string* out, int64_t value) {
  uint64_t v = static_cast<uint64_t>(value);
  for (int i = 0; i < 8; ++i) {
    out->push_back(static_cast<char>(v & 0xff));
    v >>= 8;
  }
}

int64_t GetInt(const char* p) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(p[i]);
  return static_cast<int64_t>(v);
}

void PutRecordHead(std::string* out, int64_t offset, int64_t length,
                   int64_t previous_end) {
  PutVarint(out, static_cast<uint64_t>(length) + 1);
  int64_t delta = offset - previous_end;
  // Zigzag: small steps back cost as little as small steps forward.
  PutVarint(out, (static_cast<uint64_t>(delta) << 1) ^
                     static_cast<uint64_t>(delta >> 63));
}

std::string EncodeHeader(const JournalHeader& header) {
  std::string out(kHeadMagic, 8);
  PutInt(&out, static_cast<int64_t>(header.device));
  PutInt(&out, static_cast<int64_t>(header.file_number));
  PutInt(&out, header.original_size);
  PutInt(&out, header.original_modified);
  PutInt(&out, static_cast<int64_t>(header.name.size()));
  PutInt(&out, 0);  // reserved
  out += header.name;
  return out;
}

JournalWindow::JournalWindow(Stream* journal)
    : journal_(journal), bytes_(new char[kSize]) {}

const char* JournalWindow::Get(int64_t at, int64_t n) {
  if (at < start_ || at + n > start_ + size_) {
    start_ = at;
    size_ = journal_->ReadAt(bytes_.get(), kSize, at);
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
  uint64_t length_plus_one, zigzag;
  if (!Varint(&length_plus_one)) return Step::kBroken;
  if (length_plus_one == 0) {
    at_ = start;
    return Step::kEnd;
  }
  if (!Varint(&zigzag)) return Step::kBroken;
  int64_t delta =
      static_cast<int64_t>(zigzag >> 1) ^ -static_cast<int64_t>(zigzag & 1);
  record->length = static_cast<int64_t>(length_plus_one - 1);
  record->offset = previous_end_ + delta;
  record->data_at = at_;
  if (record->length < 0 || record->offset < 0) return Step::kBroken;
  previous_end_ = record->offset + record->length;
  at_ += record->length;
  return Step::kRecord;
}

namespace {

// True when the journal's last bytes are an end record's: it was
// completed, so anything that does not check now is damage, not a cut.
bool EndsComplete(Stream* journal, int64_t records_begin) {
  FileIdentity identity;
  char tail[8];
  return journal->Identify(&identity) &&
         identity.size >= records_begin + kEndRecord &&
         journal->ReadAt(tail, 8, identity.size - 8) == 8 &&
         memcmp(tail, kEndMagic, 8) == 0;
}

}  // namespace

void ReadJournal(Stream* journal, JournalInfo* info) {
  *info = JournalInfo();
  JournalWindow window(journal);
  if (!ReadHeader(&window, info)) return;
  if (!EndsComplete(journal, info->records_begin)) return;
  info->state = JournalState::kDamaged;
  RecordReader reader(&window, info->records_begin);
  Record record;
  int64_t count = 0;
  RecordReader::Step step;
  while ((step = reader.Next(&record)) == RecordReader::Step::kRecord) ++count;
  if (step == RecordReader::Step::kBroken) return;
  int64_t end_at = reader.at();
  const char* end = window.Get(end_at, kEndRecord);
  char probe;
  if (end == nullptr || memcmp(end + 25, kEndMagic, 8) != 0 ||
      journal->ReadAt(&probe, 1, end_at + kEndRecord) != 0) {
    return;
  }
  int64_t result_size = GetInt(end + 1);
  int64_t written_count = GetInt(end + 9);
  uint64_t written_sum = static_cast<uint64_t>(GetInt(end + 17));
  uint64_t sum = 0;
  if (!ChecksumOfJournal(&window, end_at + 17, &sum) || sum != written_sum ||
      written_count != count || result_size < 0) {
    return;
  }
  info->result_size = result_size;
  info->state = JournalState::kComplete;
}

}  // namespace swu
