// The rewrite journal's layout, and reading a journal back.
//
// A journal is a redo log for one in-place rewrite: a header naming the
// file, then records (a place in the file and the bytes the result has
// there), then an end record with the result's length. Fixed integers are
// 8 bytes, little-endian; the records' own fields are varints, so that a
// dense same-length rewrite (a few bytes changed on every line) journals
// little more than the bytes that change:
//
//   header:  "SWUJRNL1", device, file number, original size, original
//            modification time (ns), name length, 0, the name's bytes
//   record:  varint (length + 1), zigzag varint (offset - end of the
//            previous record), the bytes
//   end:     one 0 byte, result length, record count, checksum of every
//            byte before it, "SWUJEND1"
//
// A journal is complete only when its end record checks and closes the
// file; one cut short anywhere was still being written.
//
// Tested by tests/store/journal_test.cc

#ifndef SWU_STORE_JOURNAL_FORMAT_H_
#define SWU_STORE_JOURNAL_FORMAT_H_

#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace swu {

// The reserved name a journal has beside its file: this prefix and the
// file's number in 16 hexadecimal digits. The leading '.' keeps journals
// out of every file enumeration.
constexpr char kJournalPrefix[] = ".swu-journal-";

// A spare journal file (journal_writer.h) has this after the prefix, and
// then its own number: no file's journal has that name.
constexpr char kSpareMark[] = "s";

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

constexpr int64_t kEndRecord = 33;  // 0, length, count, checksum, magic
constexpr char kEndMagic[] = "SWUJEND1";

// Appends the 8 bytes of |value| to *out.
void PutInt(std::string* out, int64_t value);
// The 8-byte integer at |p|.
int64_t GetInt(const char* p);
// Appends a record's fields (not its bytes) to *out.
void PutRecordHead(std::string* out, int64_t offset, int64_t length,
                   int64_t previous_end);

// The header's bytes.
std::string EncodeHeader(const JournalHeader& header);

// Reads a journal a window at a time, so that many small records cost one
// read between them.
class JournalWindow {
 public:
  static constexpr int64_t kSize = 1 << 20;

  explicit JournalWindow(Stream* journal);

  // The journal's bytes [at, at + n), n <= kSize; null when the journal
  // ends before at + n.
  const char* Get(int64_t at, int64_t n);

 private:
  Stream* journal_;
  // Not cleared: only the pages a read fills are ever touched.
  std::unique_ptr<char[]> bytes_;
  int64_t start_ = 0;
  int64_t size_ = 0;
};

// One record, as RecordReader finds it.
struct Record {
  int64_t offset = 0;   // where its bytes go in the file
  int64_t length = 0;   // how many
  int64_t data_at = 0;  // where they are in the journal
};

// The records of a journal in order.
class RecordReader {
 public:
  enum class Step { kRecord, kEnd, kBroken };

  // Reads from |at|, the start of the first record.
  RecordReader(JournalWindow* window, int64_t at) : window_(window), at_(at) {}

  // Reads the next record into *record (kRecord), or finds the end record
  // (kEnd: at() is where it starts), or a journal cut short (kBroken).
  Step Next(Record* record);
  int64_t at() const { return at_; }

 private:
  bool Varint(uint64_t* value);

  JournalWindow* window_;
  int64_t at_;
  int64_t previous_end_ = 0;
};

enum class JournalState {
  kComplete,    // it checks: the rewrite can be finished
  kIncomplete,  // cut short: its file was never written
  kDamaged      // complete once, but it no longer checks
};

struct JournalInfo {
  JournalState state = JournalState::kIncomplete;
  bool has_header = false;  // the header could be read
  JournalHeader header;
  int64_t result_size = 0;
  int64_t records_begin = 0;  // where the first record starts
};

// Reads the journal open as |journal| and checks it. Stores what it found
// in *info.
void ReadJournal(Stream* journal, JournalInfo* info);

}  // namespace swu

#endif  // SWU_STORE_JOURNAL_FORMAT_H_
