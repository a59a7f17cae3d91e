// The rewrite journal's layout, and reading a journal back.
//
// A journal is a redo log for one in-place rewrite: a header naming the
// file, then records (an offset in the file and the bytes the result has
// there), then an end record with the result's length. Integers are 8
// bytes, little-endian:
//
//   header:  "SWUJRNL1", device, file number, original size, original
//            modification time (ns), name length, the name's bytes
//   record:  offset, length, checksum of the bytes, the bytes
//   end:     -1, result length, record count, checksum over the header
//            and every record's checksum, "SWUJEND1"
//
// A journal is complete only when its end record checks and closes the
// file; one cut short anywhere was still being written.
//
// Tested by tests/output/journal_test.cc

#ifndef SWU_OUTPUT_JOURNAL_FORMAT_H_
#define SWU_OUTPUT_JOURNAL_FORMAT_H_

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace swu {

// The reserved name a journal has beside its file: this prefix and the
// file's number in 16 hexadecimal digits. The leading '.' keeps journals
// out of every file enumeration.
constexpr char kJournalPrefix[] = ".swu-journal-";

// The journal's path for the file |path| that is |identity|.
std::string JournalPathFor(const std::string& path,
                           const FileIdentity& identity,
                           const Platform& platform);

// The directory part of |path| with its separator ("" for none).
std::string DirectoryPartOf(const std::string& path, const Platform& platform);

struct JournalHeader {
  uint64_t device = 0;
  uint64_t file_number = 0;
  int64_t original_size = 0;
  int64_t original_modified = 0;
  std::string name;  // the file's name in its directory, for messages
};

constexpr int64_t kRecordHead = 24;  // offset, length, checksum
constexpr int64_t kEndRecord = 40;
constexpr int64_t kEndMark = -1;  // the offset field of the end record

// Appends the 8 bytes of |value| to *out.
void PutInt(std::string* out, int64_t value);
// The 8-byte integer at |p|.
int64_t GetInt(const char* p);

// The header's bytes.
std::string EncodeHeader(const JournalHeader& header);

enum class JournalState {
  kComplete,    // every record checks: the rewrite can be finished
  kIncomplete,  // cut short: its file was never written
  kDamaged      // complete once, but a record no longer checks
};

struct JournalInfo {
  JournalState state = JournalState::kIncomplete;
  bool has_header = false;  // the header could be read
  JournalHeader header;
  int64_t result_size = 0;
  int64_t records_begin = 0;  // where the first record starts
};

// Reads the journal open as |journal| and checks every record. Stores
// what it found in *info.
void ReadJournal(Stream* journal, JournalInfo* info);

}  // namespace swu

#endif  // SWU_OUTPUT_JOURNAL_FORMAT_H_
