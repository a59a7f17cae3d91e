// What a journal knows of its file's bytes, so that it is applied only to
// a file it explains: the file as loaded, the result, or a state that a
// partial apply of this very journal leaves between the two. Anything
// else (the file rewritten by someone since, a new file under the same
// number, a file cut or lengthened by another program) is "changed".
//
// The file is seen in blocks of kProofBlock bytes, in two views as long as
// the longer of the original and the result (M):
//   old view: the original, then zeros (the room a longer result gets
//             before its bytes are written);
//   new view: the old view with every record written over it, that is
//             the result, then (for a shorter result) the original's
//             bytes that the final cut removes.
// The apply writes whole blocks from a block's first changed byte on
// (journal_apply.cc), and a write cut short stops at a page boundary, so
// each block of a file that an apply left part way holds the old view's
// or the new view's bytes there.
//
// The proof lists every block a record touches, and the block holding the
// shorter length's end, with the checksums of both views' bytes there.
// The other blocks are the same in both views; their bytes are summed in
// order, those wholly below the shorter length (stable_sum) apart from
// those beyond it (tail_sum). short_tail_sum is the sum of the shorter
// state's last, partial block: the original's where the result is longer,
// the result's where it is shorter.
//
// Tested by tests/store/journal_test.cc

#ifndef SWU_STORE_JOURNAL_PROOF_H_
#define SWU_STORE_JOURNAL_PROOF_H_

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/file.h"
#include "store/checksum.h"

namespace swu {

constexpr int64_t kProofBlock = 4096;

struct ProofBlock {
  int64_t index = 0;  // the block [index * kProofBlock, + kProofBlock)
  uint64_t old_sum = 0;
  uint64_t new_sum = 0;
};

struct JournalProof {
  uint64_t stable_sum = 0;
  uint64_t tail_sum = 0;
  uint64_t short_tail_sum = 0;
  std::vector<ProofBlock> blocks;  // ascending, no index twice
};

// What a file is, measured against a journal's proof.
enum class FileState {
  kOriginal,  // as loaded: the rewrite never touched it
  kResult,    // the rewrite's result
  kPartial,   // part way between the two, as an apply left it
  kChanged,   // none of these: someone else has written it
};

// Builds the proof of a rewrite from the original's bytes and the records
// as they are journalled.
class ProofBuilder {
 public:
  // |image| holds the original's |original_size| bytes; it must outlive
  // the builder.
  ProofBuilder(const char* image, int64_t original_size);

  // Takes the record of |n| bytes at |offset|. Records come in ascending
  // order and never overlap; a record that breaks this spoils the proof.
  void Record(int64_t offset, const char* data, int64_t n);

  // Tells that no record will come below |position|, once records have
  // begun: the blocks before it that no record touched are summed now,
  // while their bytes are still in the cache from the search.
  void Advance(int64_t position);

  // Completes the proof for a result of |result_size| bytes. Returns false
  // when the records cannot be proved (out of order): the journal must
  // then not be applied.
  bool Finish(int64_t result_size, JournalProof* proof);

 private:
  void OpenBlock(int64_t index);
  void CloseBlock(int64_t view_size);
  void AddUntouched(int64_t index, int64_t view_size);
  uint64_t OldSum(int64_t at, int64_t n) const;

  const char* image_;
  int64_t original_size_;
  std::unique_ptr<char[]> block_;  // the open block's new view
  int64_t open_ = -1;              // the open block's index, or -1
  int64_t next_ = 0;               // blocks below this one are dealt with
  int64_t last_end_ = 0;           // where the last record ended
  bool ordered_ = true;
  Checksum stable_;
  std::vector<ProofBlock> blocks_;
};

// Reads the file open as |file| (|length| bytes long now) and tells which
// state of the rewrite from |original_size| to |result_size| bytes it is.
FileState CheckFile(File* file, int64_t length, int64_t original_size,
                    int64_t result_size, const JournalProof& proof);

// After an apply: true when the file is |result_size| bytes long and each
// block the rewrite changed reads back as the result has it. |live|, when
// not null, shows the file's first |original_size| bytes as they are now
// (a mapped image that sees writes): those are checked there, without a
// copy; the rest is read.
bool HoldsResult(File* file, const char* live, int64_t original_size,
                 int64_t result_size, const JournalProof& proof);

}  // namespace swu

#endif  // SWU_STORE_JOURNAL_PROOF_H_
