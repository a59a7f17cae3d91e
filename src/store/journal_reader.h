// Reading a rewrite journal back (journal_format.h gives its layout), and
// checking it. A journal may come from a killed run, from a copy, or from
// someone else: every length and offset read is checked against what the
// journal holds before it is used.
//
// Tested by tests/store/journal_test.cc and fuzz/journal_fuzzer.cc

#ifndef SWU_STORE_JOURNAL_READER_H_
#define SWU_STORE_JOURNAL_READER_H_

#include <cstdint>
#include <memory>

#include "platform/file.h"
#include "store/journal_format.h"

namespace swu {

// Reads a journal a window at a time, so that many small records cost one
// read between them.
class JournalWindow {
 public:
  static constexpr int64_t kSize = 1 << 20;

  // |size| is the journal's length: no read goes past it, and a small
  // journal gets a window of its own size.
  JournalWindow(File* journal, int64_t size);

  // The journal's bytes [at, at + n), n <= kSize; null when the journal
  // ends before at + n.
  const char* Get(int64_t at, int64_t n);

 private:
  File* journal_;
  int64_t journal_size_;
  int64_t capacity_;
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

  // Reads from |at|, the start of the first record, in a journal of
  // |journal_size| bytes.
  RecordReader(JournalWindow* window, int64_t at, int64_t journal_size)
      : window_(window), at_(at), journal_size_(journal_size) {}

  // Reads the next record into *record (kRecord), or finds the end record
  // (kEnd: at() is where it starts), or a record that does not fit the
  // journal or breaks the order (kBroken).
  Step Next(Record* record);
  int64_t at() const { return at_; }

 private:
  bool Varint(uint64_t* value);

  JournalWindow* window_;
  int64_t at_;
  int64_t journal_size_;
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
  bool done = false;        // marked done: its rewrite is over
  JournalHeader header;
  JournalEnd end;             // when complete
  int64_t records_begin = 0;  // where the first record starts
};

// Reads the journal open as |journal| and checks it. Stores what it found
// in *info.
void ReadJournal(File* journal, JournalInfo* info);
// Reads only the journal's header, at most kFixedHead + kMaxName bytes,
// into *info (has_header tells whether there was one).
void ReadJournalHeader(File* journal, JournalInfo* info);

}  // namespace swu

#endif  // SWU_STORE_JOURNAL_READER_H_
