// The rewrite journal's layout: every field's place, and encoding its
// header and end record.
//
// A journal is a redo log for one in-place rewrite: a header naming the
// file, then records (a place in the file and the result's bytes there),
// then an end record with the result's length and the proof of what the
// file may hold (journal_proof.h). Fixed integers are 8 bytes,
// little-endian; the records' own fields are varints, so that a dense
// same-length rewrite (a few bytes changed on every line) journals little
// more than the bytes that change.
//
//   header, at its offset:
//     0  "SWUJRNL2"              32  original modification time (ns)
//     8  device                  40  digest of what shaped the result
//    16  file number             48  name length (at most kMaxName)
//    24  original size           56  0 (reserved)
//    64  the name's bytes: the file's name in the journal's directory
//   record: varint (length + 1), varint (offset - end of the previous
//           record), the bytes. Records ascend and never overlap, and
//           each lies within the result.
//   end, from the 0 byte that ends the records:
//     0  0                       33  proof: stable sum
//     1  result length           41  proof: tail sum
//     9  record count            49  proof: short tail sum
//    17  matches acted on        57  proof: block count N
//    25  matches found           65  N blocks: index, old sum, new sum
//    then the checksum of every byte before it, and "SWUJEND2".
//
// A journal is complete only when its end record checks and closes the
// file; one cut short anywhere was still being written.
//
// Tested by tests/store/journal_test.cc

#ifndef SWU_STORE_JOURNAL_FORMAT_H_
#define SWU_STORE_JOURNAL_FORMAT_H_

#include <cstdint>
#include <string>

#include "store/journal_proof.h"

namespace swu {

constexpr char kHeadMagic[] = "SWUJRNL2";
// What a journal holds once its rewrite is done, before it leaves its
// name: its file is whole, and the journal is never applied again.
constexpr char kDoneMagic[] = "SWUJDONE";
constexpr int64_t kHeadDeviceAt = 8;
constexpr int64_t kHeadFileNumberAt = 16;
constexpr int64_t kHeadOriginalSizeAt = 24;
constexpr int64_t kHeadModifiedAt = 32;
constexpr int64_t kHeadDigestAt = 40;
constexpr int64_t kHeadNameLengthAt = 48;
constexpr int64_t kFixedHead = 64;
static_assert(kFixedHead == 8 + 7 * 8, "magic and seven integers");
constexpr int64_t kMaxName = 4096;

constexpr int64_t kEndResultSizeAt = 1;
constexpr int64_t kEndRecordCountAt = 9;
constexpr int64_t kEndActedOnAt = 17;
constexpr int64_t kEndFoundAt = 25;
constexpr int64_t kEndStableSumAt = 33;
constexpr int64_t kEndTailSumAt = 41;
constexpr int64_t kEndShortTailSumAt = 49;
constexpr int64_t kEndBlockCountAt = 57;
constexpr int64_t kEndBlocksAt = 65;
constexpr int64_t kProofBlockBytes = 3 * 8;
constexpr int64_t kEndTrailer = 8 + 8;  // checksum, magic
constexpr char kEndMagic[] = "SWUJEND2";
static_assert(kEndBlocksAt == 1 + 8 * 8, "the 0 byte and eight integers");

// The bytes of an end record with |blocks| proof blocks.
constexpr int64_t EndRecordSize(int64_t blocks) {
  return kEndBlocksAt + blocks * kProofBlockBytes + kEndTrailer;
}

struct JournalHeader {
  uint64_t device = 0;
  uint64_t file_number = 0;
  int64_t original_size = 0;
  int64_t original_modified = 0;
  uint64_t digest = 0;  // of the texts and switches that shaped the result
  std::string name;     // the file's name in its directory
};

// What the end record holds besides the proof.
struct JournalEnd {
  int64_t result_size = 0;
  int64_t record_count = 0;
  int64_t acted_on = 0;  // the rewrite's matches acted on and found, so
  int64_t found = 0;     // that a run finishing it can report them
  JournalProof proof;
};

// Appends the 8 bytes of |value| to *out.
void PutInt(std::string* out, int64_t value);
// The 8-byte integer at |p|.
int64_t GetInt(const char* p);
// The most bytes a record's fields take: two varints of 64 bits.
constexpr int kMaxRecordHead = 20;
// Writes a record's fields (not its bytes) to |out|, which has room for
// kMaxRecordHead bytes, and returns how many it wrote; |offset| is at or
// after |previous_end|.
int PutRecordHead(char* out, int64_t offset, int64_t length,
                  int64_t previous_end);

// The header's bytes.
std::string EncodeHeader(const JournalHeader& header);
// Reads the fixed header at |p| (kFixedHead bytes) into *header, all but
// the name, and its name's length into *name_length. Returns false when
// it is not a journal's header.
bool DecodeHeader(const char* p, JournalHeader* header, int64_t* name_length);

// The end record's bytes up to its checksum (which covers them and every
// byte before them).
std::string EncodeEnd(const JournalEnd& end);
// Reads the end record at |p|, |n| bytes with its trailer, into *end.
// Returns false when it is malformed.
bool DecodeEnd(const char* p, int64_t n, JournalEnd* end);

}  // namespace swu

#endif  // SWU_STORE_JOURNAL_FORMAT_H_
