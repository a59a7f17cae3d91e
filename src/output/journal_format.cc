// Reading and checking a rewrite journal.

#include "output/journal_format.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "output/checksum.h"

namespace swu {

namespace {

constexpr char kHeadMagic[] = "SWUJRNL1";
constexpr char kEndMagic[] = "SWUJEND1";
constexpr int64_t kFixedHead = 56;  // the header without the name
constexpr int64_t kMaxName = 4096;
constexpr int64_t kChunk = 4 << 20;

// Reads exactly |n| bytes at |offset|. Returns false at the end.
bool ReadExactly(Stream* journal, char* data, int64_t n, int64_t offset) {
  return journal->ReadAt(data, n, offset) == n;
}

bool ReadHeader(Stream* journal, JournalInfo* info) {
  char fixed[kFixedHead];
  if (!ReadExactly(journal, fixed, kFixedHead, 0)) return false;
  if (memcmp(fixed, kHeadMagic, 8) != 0) return false;
  JournalHeader& h = info->header;
  h.device = static_cast<uint64_t>(GetInt(fixed + 8));
  h.file_number = static_cast<uint64_t>(GetInt(fixed + 16));
  h.original_size = GetInt(fixed + 24);
  h.original_modified = GetInt(fixed + 32);
  int64_t name_length = GetInt(fixed + 40);
  if (name_length < 0 || name_length > kMaxName) return false;
  h.name.resize(static_cast<size_t>(name_length));
  if (name_length > 0 &&
      !ReadExactly(journal, &h.name[0], name_length, kFixedHead)) {
    return false;
  }
  info->records_begin = kFixedHead + name_length;
  info->has_header = true;
  return true;
}

// Checks the bytes of one record against its checksum.
bool RecordChecks(Stream* journal, int64_t at, int64_t length, uint64_t sum,
                  std::vector<char>* chunk) {
  Checksum check;
  for (int64_t done = 0; done < length;) {
    int64_t n = std::min<int64_t>(kChunk, length - done);
    if (!ReadExactly(journal, chunk->data(), n, at + done)) return false;
    check.Add(chunk->data(), n);
    done += n;
  }
  return check.value() == sum;
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

void ReadJournal(Stream* journal, JournalInfo* info) {
  *info = JournalInfo();
  if (!ReadHeader(journal, info)) return;
  std::string head = EncodeHeader(info->header);
  uint64_t head_sum =
      ChecksumOf(head.data(), static_cast<int64_t>(head.size()));
  // The end record's checksum covers the header's and every record's.
  std::string sums;
  PutInt(&sums, static_cast<int64_t>(head_sum));
  std::vector<char> chunk(static_cast<size_t>(kChunk));
  bool damaged = false;
  int64_t count = 0;
  for (int64_t at = info->records_begin;;) {
    char fields[kRecordHead];
    if (!ReadExactly(journal, fields, kRecordHead, at)) return;
    int64_t offset = GetInt(fields);
    int64_t length = GetInt(fields + 8);
    if (offset == kEndMark) {
      char end[kEndRecord];
      char probe;
      if (!ReadExactly(journal, end, kEndRecord, at)) return;
      if (memcmp(end + 32, kEndMagic, 8) != 0) return;
      if (journal->ReadAt(&probe, 1, at + kEndRecord) != 0) return;
      uint64_t all = ChecksumOf(sums.data(), static_cast<int64_t>(sums.size()));
      if (GetInt(end + 16) != count ||
          static_cast<uint64_t>(GetInt(end + 24)) != all || length < 0) {
        info->state = JournalState::kDamaged;
        return;
      }
      info->result_size = length;
      info->state = damaged ? JournalState::kDamaged : JournalState::kComplete;
      return;
    }
    if (offset < 0 || length < 0) return;
    uint64_t sum = static_cast<uint64_t>(GetInt(fields + 16));
    if (!RecordChecks(journal, at + kRecordHead, length, sum, &chunk)) {
      damaged = true;  // Or cut short: the end record decides which.
    }
    PutInt(&sums, static_cast<int64_t>(sum));
    ++count;
    at += kRecordHead + length;
  }
}

}  // namespace swu
