// Building a journal's proof, and checking a file against it.

#include "store/journal_proof.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace swu {

namespace {

constexpr char kZeros[kProofBlock] = {};
constexpr int64_t kReadChunk = 256 * kProofBlock;  // 1 MiB

int64_t BlockCount(int64_t size) {
  return (size + kProofBlock - 1) / kProofBlock;
}

// The room to read a file of |size| bytes a chunk at a time: a small file
// needs no more than its blocks.
size_t ChunkFor(int64_t size) {
  return static_cast<size_t>(
      std::min(kReadChunk,
               std::max<int64_t>(kProofBlock, BlockCount(size) * kProofBlock)));
}

// The bytes of block |index| in a view of |view_size| bytes.
int64_t BlockLength(int64_t index, int64_t view_size) {
  return std::min(kProofBlock, view_size - index * kProofBlock);
}

}  // namespace

ProofBuilder::ProofBuilder(const char* image, int64_t original_size)
    : image_(image),
      original_size_(original_size),
      block_(new char[kProofBlock]) {}

// The checksum of the old view's |n| bytes at |at|: the original's, then
// zeros.
uint64_t ProofBuilder::OldSum(int64_t at, int64_t n) const {
  Checksum sum;
  int64_t from_image = std::max<int64_t>(0, std::min(n, original_size_ - at));
  if (from_image > 0) sum.Add(image_ + at, from_image);
  for (int64_t zeros = n - from_image; zeros > 0;) {
    int64_t piece = std::min(zeros, kProofBlock);
    sum.Add(kZeros, piece);
    zeros -= piece;
  }
  return sum.value();
}

void ProofBuilder::OpenBlock(int64_t index) {
  int64_t at = index * kProofBlock;
  int64_t from_image =
      std::max<int64_t>(0, std::min(kProofBlock, original_size_ - at));
  if (from_image > 0) memcpy(block_.get(), image_ + at, from_image);
  memset(block_.get() + from_image, 0, kProofBlock - from_image);
  open_ = index;
}

void ProofBuilder::CloseBlock(int64_t view_size) {
  int64_t n = BlockLength(open_, view_size);
  ProofBlock block;
  block.index = open_;
  block.old_sum = OldSum(open_ * kProofBlock, n);
  block.new_sum = ChecksumOf(block_.get(), n);
  blocks_.push_back(block);
  next_ = open_ + 1;
  open_ = -1;
}

// A block no record touched, below a record: its bytes are the same in
// both views. Only whole blocks of the original can be proved this way.
void ProofBuilder::AddUntouched(int64_t index, int64_t view_size) {
  int64_t at = index * kProofBlock;
  int64_t n = BlockLength(index, view_size);
  if (at + n > original_size_) {
    ordered_ = false;
    return;
  }
  stable_.Add(image_ + at, n);
}

void ProofBuilder::Record(int64_t offset, const char* data, int64_t n) {
  if (offset < last_end_ || n <= 0) {
    ordered_ = ordered_ && n > 0 && offset >= last_end_;
    return;
  }
  last_end_ = offset + n;
  while (n > 0) {
    int64_t index = offset / kProofBlock;
    if (index != open_ && offset % kProofBlock == 0 && n >= kProofBlock) {
      // A whole block of the record: its sums need no copy of it.
      if (open_ >= 0) CloseBlock(offset + n);
      for (int64_t b = next_; b < index; ++b) AddUntouched(b, offset);
      ProofBlock block;
      block.index = index;
      block.old_sum = OldSum(offset, kProofBlock);
      block.new_sum = ChecksumOf(data, kProofBlock);
      blocks_.push_back(block);
      next_ = index + 1;
      offset += kProofBlock;
      data += kProofBlock;
      n -= kProofBlock;
      continue;
    }
    if (index != open_) {
      if (open_ >= 0) CloseBlock(offset + n);
      // Blocks between the last record's and this one are untouched and
      // lie wholly before this record.
      for (int64_t b = next_; b < index; ++b) AddUntouched(b, offset);
      OpenBlock(index);
    }
    int64_t within = offset - index * kProofBlock;
    int64_t take = std::min(n, kProofBlock - within);
    memcpy(block_.get() + within, data, take);
    offset += take;
    data += take;
    n -= take;
  }
}

void ProofBuilder::Advance(int64_t position) {
  if (last_end_ == 0 || position < last_end_) return;  // none yet, or behind
  const int64_t below = position / kProofBlock;
  if (open_ >= 0 && open_ < below) CloseBlock(position);
  for (int64_t b = next_; b < below; ++b) AddUntouched(b, position);
  next_ = std::max(next_, below);
}

bool ProofBuilder::Finish(int64_t result_size, JournalProof* proof) {
  const int64_t view = std::max(original_size_, result_size);
  const int64_t shorter = std::min(original_size_, result_size);
  if (!ordered_ || last_end_ > result_size) return false;
  *proof = JournalProof();
  const int64_t edge = shorter / kProofBlock;  // the block holding the end
  bool has_edge = shorter < view && shorter % kProofBlock != 0;
  if (has_edge) {
    // The original's end where the result is longer; the result's end,
    // which only records below it can have changed, where it is shorter.
    int64_t at = edge * kProofBlock;
    bool written = result_size < original_size_ && open_ == edge;
    proof->short_tail_sum = written ? ChecksumOf(block_.get(), shorter - at)
                                    : ChecksumOf(image_ + at, shorter - at);
  }
  if (open_ >= 0) CloseBlock(view);
  Checksum tail;
  for (int64_t b = next_; b < BlockCount(view); ++b) {
    int64_t at = b * kProofBlock;
    int64_t n = BlockLength(b, view);
    if (at + n <= shorter) {
      stable_.Add(image_ + at, n);
    } else if (has_edge && b == edge) {
      OpenBlock(b);
      CloseBlock(view);
    } else {
      tail.Add(image_ + std::min(at, original_size_),
               std::max<int64_t>(0, std::min(n, original_size_ - at)));
    }
  }
  proof->stable_sum = stable_.value();
  proof->tail_sum = tail.value();
  proof->blocks = std::move(blocks_);
  return true;
}

namespace {

// Walks a file's blocks in order against a proof.
class ProofCheck {
 public:
  ProofCheck(int64_t length, int64_t original_size, int64_t result_size,
             const JournalProof& proof)
      : length_(length),
        original_(original_size),
        result_(result_size),
        view_(std::max(original_size, result_size)),
        shorter_(std::min(original_size, result_size)),
        proof_(proof) {}

  // Takes block |index|'s |n| bytes as the file has them. False once the
  // file is shown to be changed.
  bool Block(int64_t index, const char* bytes, int64_t n) {
    const ProofBlock* listed = Listed(index);
    int64_t at = index * kProofBlock;
    if (listed == nullptr) {
      (at + n <= shorter_ ? stable_ : tail_).Add(bytes, n);
      return true;
    }
    uint64_t sum = ChecksumOf(bytes, n);
    if (length_ == view_) {
      bool is_old = sum == listed->old_sum;
      bool is_new = sum == listed->new_sum;
      all_old_ = all_old_ && is_old;
      all_new_ = all_new_ && is_new;
      return is_old || is_new;
    }
    // The shorter state: the original before a longer result was begun,
    // or a shorter result once it is cut.
    bool longer = result_ > original_;
    if (at + kProofBlock <= shorter_) {
      return sum == (longer ? listed->old_sum : listed->new_sum);
    }
    return sum == proof_.short_tail_sum;
  }

  FileState Verdict() {
    if (stable_.value() != proof_.stable_sum) return FileState::kChanged;
    if (length_ < view_) {
      return length_ == original_ ? FileState::kOriginal : FileState::kResult;
    }
    if (tail_.value() != proof_.tail_sum) return FileState::kChanged;
    if (all_new_ && length_ == result_) return FileState::kResult;
    if (all_old_ && length_ == original_) return FileState::kOriginal;
    return FileState::kPartial;
  }

 private:
  const ProofBlock* Listed(int64_t index) {
    const std::vector<ProofBlock>& blocks = proof_.blocks;
    while (next_ < blocks.size() && blocks[next_].index < index) ++next_;
    if (next_ < blocks.size() && blocks[next_].index == index) {
      return &blocks[next_];
    }
    return nullptr;
  }

  int64_t length_, original_, result_, view_, shorter_;
  const JournalProof& proof_;
  size_t next_ = 0;
  Checksum stable_, tail_;
  bool all_old_ = true;
  bool all_new_ = true;
};

}  // namespace

FileState CheckFile(File* file, int64_t length, int64_t original_size,
                    int64_t result_size, const JournalProof& proof) {
  if (length != original_size && length != result_size) {
    return FileState::kChanged;
  }
  ProofCheck check(length, original_size, result_size, proof);
  std::unique_ptr<char[]> chunk(new char[ChunkFor(length)]);
  for (int64_t at = 0; at < length; at += kReadChunk) {
    int64_t want = std::min(kReadChunk, length - at);
    if (file->ReadAt(chunk.get(), want, at) != want) {
      return FileState::kChanged;
    }
    for (int64_t done = 0; done < want; done += kProofBlock) {
      int64_t n = std::min(kProofBlock, want - done);
      if (!check.Block((at + done) / kProofBlock, chunk.get() + done, n)) {
        return FileState::kChanged;
      }
    }
  }
  return check.Verdict();
}

bool HoldsResult(File* file, const char* live, int64_t original_size,
                 int64_t result_size, const JournalProof& proof) {
  FileIdentity now;
  if (!file->Identify(&now) || now.size != result_size) return false;
  const int64_t view = std::max(original_size, result_size);
  const std::vector<ProofBlock>& blocks = proof.blocks;
  std::unique_ptr<char[]> chunk;  // made when a run must be read
  // Runs of neighbouring changed blocks are read back with one call each.
  for (size_t first = 0; first < blocks.size();) {
    int64_t at = blocks[first].index * kProofBlock;
    if (at >= result_size) break;
    size_t last = first + 1;
    while (last < blocks.size() &&
           blocks[last].index == blocks[last - 1].index + 1 &&
           (blocks[last].index + 1) * kProofBlock - at <= kReadChunk) {
      ++last;
    }
    int64_t want = std::min(result_size, blocks[last - 1].index * kProofBlock +
                                             kProofBlock) -
                   at;
    if (want <= 0) return false;
    const char* bytes;
    if (live != nullptr && at + want <= original_size) {
      bytes = live + at;
    } else {
      if (chunk == nullptr) chunk.reset(new char[ChunkFor(result_size)]);
      if (file->ReadAt(chunk.get(), want, at) != want) return false;
      bytes = chunk.get();
    }
    for (size_t b = first; b < last; ++b) {
      int64_t from = blocks[b].index * kProofBlock;
      if (from >= result_size) break;
      int64_t n = std::min(kProofBlock, result_size - from);
      uint64_t expected =
          from + kProofBlock <= result_size || result_size == view
              ? blocks[b].new_sum
              : proof.short_tail_sum;
      if (ChecksumOf(bytes + (from - at), n) != expected) return false;
    }
    first = last;
  }
  return true;
}

}  // namespace swu
