// Encoding the rewrite journal's header and end record.

#include "store/journal_format.h"

#include <cassert>
#include <cstring>

namespace swu {

namespace {

int PutVarint(char* out, uint64_t value) {
  int n = 0;
  while (value >= 0x80) {
    out[n++] = static_cast<char>((value & 0x7f) | 0x80);
    value >>= 7;
  }
  out[n++] = static_cast<char>(value);
  return n;
}

}  // namespace

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

int PutRecordHead(char* out, int64_t offset, int64_t length,
                  int64_t previous_end) {
  assert(length > 0 && offset >= previous_end);
  int n = PutVarint(out, static_cast<uint64_t>(length) + 1);
  return n + PutVarint(out + n, static_cast<uint64_t>(offset - previous_end));
}

std::string EncodeHeader(const JournalHeader& header) {
  std::string out(kHeadMagic, 8);
  PutInt(&out, static_cast<int64_t>(header.device));
  PutInt(&out, static_cast<int64_t>(header.file_number));
  PutInt(&out, header.original_size);
  PutInt(&out, header.original_modified);
  PutInt(&out, static_cast<int64_t>(header.digest));
  PutInt(&out, static_cast<int64_t>(header.name.size()));
  PutInt(&out, 0);  // reserved
  assert(static_cast<int64_t>(out.size()) == kFixedHead);
  out += header.name;
  return out;
}

bool DecodeHeader(const char* p, JournalHeader* header, int64_t* name_length) {
  if (memcmp(p, kHeadMagic, 8) != 0) return false;
  header->device = static_cast<uint64_t>(GetInt(p + kHeadDeviceAt));
  header->file_number = static_cast<uint64_t>(GetInt(p + kHeadFileNumberAt));
  header->original_size = GetInt(p + kHeadOriginalSizeAt);
  header->original_modified = GetInt(p + kHeadModifiedAt);
  header->digest = static_cast<uint64_t>(GetInt(p + kHeadDigestAt));
  *name_length = GetInt(p + kHeadNameLengthAt);
  return header->original_size >= 0 && *name_length >= 0 &&
         *name_length <= kMaxName;
}

std::string EncodeEnd(const JournalEnd& end) {
  std::string out(1, '\0');
  PutInt(&out, end.result_size);
  PutInt(&out, end.record_count);
  PutInt(&out, end.acted_on);
  PutInt(&out, end.found);
  PutInt(&out, static_cast<int64_t>(end.proof.stable_sum));
  PutInt(&out, static_cast<int64_t>(end.proof.tail_sum));
  PutInt(&out, static_cast<int64_t>(end.proof.short_tail_sum));
  PutInt(&out, static_cast<int64_t>(end.proof.blocks.size()));
  assert(static_cast<int64_t>(out.size()) == kEndBlocksAt);
  for (const ProofBlock& block : end.proof.blocks) {
    PutInt(&out, block.index);
    PutInt(&out, static_cast<int64_t>(block.old_sum));
    PutInt(&out, static_cast<int64_t>(block.new_sum));
  }
  return out;
}

bool DecodeEnd(const char* p, int64_t n, JournalEnd* end) {
  if (n < EndRecordSize(0) || p[0] != 0) return false;
  end->result_size = GetInt(p + kEndResultSizeAt);
  end->record_count = GetInt(p + kEndRecordCountAt);
  end->acted_on = GetInt(p + kEndActedOnAt);
  end->found = GetInt(p + kEndFoundAt);
  JournalProof& proof = end->proof;
  proof.stable_sum = static_cast<uint64_t>(GetInt(p + kEndStableSumAt));
  proof.tail_sum = static_cast<uint64_t>(GetInt(p + kEndTailSumAt));
  proof.short_tail_sum = static_cast<uint64_t>(GetInt(p + kEndShortTailSumAt));
  int64_t count = GetInt(p + kEndBlockCountAt);
  // The count must account for the record's length exactly, which also
  // bounds it by what was read.
  if (count < 0 || count > (n - EndRecordSize(0)) / kProofBlockBytes ||
      EndRecordSize(count) != n || end->result_size < 0) {
    return false;
  }
  proof.blocks.resize(static_cast<size_t>(count));
  int64_t previous = -1;
  for (int64_t i = 0; i < count; ++i) {
    const char* b = p + kEndBlocksAt + i * kProofBlockBytes;
    ProofBlock& block = proof.blocks[static_cast<size_t>(i)];
    block.index = GetInt(b);
    block.old_sum = static_cast<uint64_t>(GetInt(b + 8));
    block.new_sum = static_cast<uint64_t>(GetInt(b + 16));
    if (block.index <= previous) return false;  // ascending, once each
    previous = block.index;
  }
  return true;
}

}  // namespace swu
