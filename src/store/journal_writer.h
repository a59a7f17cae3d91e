// The journal of one in-place rewrite, as the stream the rewrite's output
// goes to. Each write becomes a record of the result's bytes at their
// offset in the file; the file itself is not touched. Beside the records
// the writer builds the proof of what the file may hold (journal_proof.h)
// from the file's image. The journal file is created only when the first
// record comes, so a file without a change costs nothing: under a private
// name, readable by its owner only, and locked before it takes its name,
// so that no other run ever sees it unlocked. Finish() closes it with the
// result's length; until then an interruption that ends the process deletes it,
// and so does destroying the writer. Where no journal can be created beside the
// file (a directory the user may not write to, or a name that is taken), it is
// kept in memory: the file is
// still untouched until the result is complete, but a process killed
// while the file is written cannot be recovered.
//
// Tested by tests/store/journal_test.cc

#ifndef SWU_STORE_JOURNAL_WRITER_H_
#define SWU_STORE_JOURNAL_WRITER_H_

#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "store/checksum.h"
#include "store/journal_format.h"
#include "store/journal_proof.h"
#include "store/late_lock.h"

namespace swu {

// A journal file kept from one file to the next under a name of its own,
// so that a run over many files of a directory creates and deletes one
// journal file there rather than one per file: many files created right
// after as many were deleted get slow on some file systems (ext4 searches
// past every inode deleted lately). Open, locked and empty while kept.
struct SpareJournal {
  std::unique_ptr<File> file;  // null while there is none
  std::string path;
};

// Deletes the spare journal, if there is one.
void DropSpare(Platform* platform, SpareJournal* spare);

class JournalWriter : public ByteSink {
 public:
  // |header| names the file and its original size, whose bytes |image|
  // holds (it must outlive the writer): a seek to the end of the result's
  // file lands there or after the last byte written. |owner| owns the
  // file; a journal that root makes is given to it. |spare|, when not
  // null, is taken as the journal file where it lies in the same
  // directory, and given the journal file once it is done.
  JournalWriter(Platform* platform, std::string path, JournalHeader header,
                const char* image, uint32_t owner,
                SpareJournal* spare = nullptr);
  ~JournalWriter() override;
  JournalWriter(const JournalWriter&) = delete;
  JournalWriter& operator=(const JournalWriter&) = delete;

  // ByteSink: the file as the result has it.
  bool Seek(int64_t offset, Whence whence) override;
  int64_t Tell() override { return position_; }
  void Write(const void* data, int64_t n) override;
  void WriteAt(const void* data, int64_t n, int64_t offset) override;
  bool error() const override { return failed_; }

  // True while no record has been written: the result equals the file up
  // to its length.
  bool empty() const { return records_ == 0; }
  // True when a result of |result_size| bytes is the original byte for
  // byte: every record wrote what was there.
  bool ChangesNothing(int64_t result_size) const {
    return same_ && result_size == header_.original_size;
  }

  // Ends the journal with |end|'s result length and counts, and the proof;
  // with |durable| flushes it and its directory entry to the disk. From
  // then on the journal is kept until Remove(). Returns false on failure
  // (the journal is then deleted by Remove() or the destructor).
  bool Finish(JournalEnd end, bool durable);
  // The proof, once finished.
  const JournalProof& proof() const { return proof_; }

  // True when the journal's own name was taken (by another user's file, a
  // link, a FIFO), so that it went under another name or, with none
  // free, into memory.
  bool name_taken() const { return name_taken_; }

  // Tells that the rewrite has passed the file's bytes below |position|
  // unchanged: no record will come below it.
  void Passed(int64_t position) { builder_.Advance(position); }

  // Has the journal take |lock| (when not null) before its first record:
  // the file was loaded unlocked. Where the lock refuses, no journal is
  // made and the writer fails.
  void LockFirstWith(LateLock* lock) { late_lock_ = lock; }
  // Takes the file's late lock, if it has one. Returns true when the file
  // may be written.
  bool MayWriteFile() { return late_lock_ == nullptr || late_lock_->Acquire(); }

  // True when the journal is a file beside its file, not held in memory.
  bool on_disk() const { return file_ != nullptr && !in_memory_; }

  // The journal file and where its records start, once finished.
  File* file() { return file_.get(); }
  // The finished journal to apply: the file, or the bytes written to it
  // when they went in one batch.
  File* records();
  int64_t records_begin() const { return records_begin_; }
  const std::string& path() const { return path_; }

  // Deletes the journal file (or keeps it as the spare), if there is one
  // and LeaveForRecovery() was not called.
  void Remove();
  // Leaves a finished journal for a later recovery.
  void LeaveForRecovery();

 private:
  class BatchReader;

  void Create();
  std::unique_ptr<File> CreateNamed();
  bool TakeSpare();
  bool ParkAsSpare();
  void AddRecord(int64_t offset, const void* data, int64_t n);
  void Put(const void* data, int64_t n);
  void FlushBuffer();
  void WriteOut(const void* data, int64_t n);

  Platform* platform_;
  SpareJournal* spare_;
  LateLock* late_lock_ = nullptr;  // taken before the first record
  std::string path_;
  JournalHeader header_;
  const char* image_;
  uint32_t owner_;
  ProofBuilder builder_;
  JournalProof proof_;
  bool same_ = true;            // every record so far wrote what was there
  std::unique_ptr<File> file_;  // null until the first record
  std::string buffer_;          // small records collected for one write
  int64_t written_ = 0;         // the journal's bytes written to its file
  // The journal as written, when one batch held it all.
  std::unique_ptr<File> written_batch_;
  Checksum sum_;  // of every byte written out so far
  int64_t records_ = 0;
  int64_t previous_end_ = 0;  // where the last record's bytes ended
  int64_t records_begin_ = 0;
  int64_t position_ = 0;  // where Write() puts the next bytes
  int64_t end_;           // the result's file length so far
  bool failed_ = false;
  bool finished_ = false;
  bool left_for_recovery_ = false;
  bool in_memory_ = false;  // no journal could be created beside the file
  bool name_taken_ = false;
};

}  // namespace swu

#endif  // SWU_STORE_JOURNAL_WRITER_H_
