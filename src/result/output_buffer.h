// Collects the small writes of one file (the stretches between matches and
// the new text at each one) and hands them to the output stream in large
// pieces, so that a file with many matches costs a copy per match rather
// than a stream call. Large writes go straight through. Positioned, each
// piece is written at its place in the file, so that a file rewritten in
// place at the same length costs no seek per change.

#ifndef SWU_RESULT_OUTPUT_BUFFER_H_
#define SWU_RESULT_OUTPUT_BUFFER_H_

#include <cassert>
#include <cstdint>
#include <cstring>
#include <memory>

#include "platform/file.h"

namespace swu {

class OutputBuffer {
 public:
  explicit OutputBuffer(ByteSink* stream)
      : stream_(stream), data_(new char[kCapacity]) {}
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  void Write(const void* data, int64_t n) {
    if (n <= 0) return;
    if (used_ + n > kCapacity) {
      Flush();
      if (n >= kCapacity / 2) {
        Put(data, n);
        return;
      }
    }
    memcpy(data_.get() + used_, data, static_cast<size_t>(n));
    used_ += n;
  }

  // Hands what is collected to the stream. Must come before the stream is
  // moved, checked or closed.
  void Flush() {
    if (used_ > 0) Put(data_.get(), used_);
    used_ = 0;
  }

  // From here on every piece goes to its place in the file with one
  // positioned write, starting at |offset|, and the stream is never moved
  // between pieces.
  void StartPositioned(int64_t offset) {
    assert(offset >= 0);
    Flush();
    positioned_ = true;
    offset_ = offset;
  }

  // Positioned: passes over the next |n| bytes of the file, which it
  // holds already. Each change between two such stretches is one piece:
  // the journal that takes them gathers close ones when it writes them.
  void Skip(int64_t n) {
    if (n <= 0) return;
    assert(positioned_);  // Only a positioned output can leave bytes be.
    Flush();
    offset_ += n;
  }

  // Moves the place of the next write as File::Seek does. Returns false
  // on failure.
  bool MoveTo(int64_t offset, Whence whence) {
    Flush();
    if (!stream_->Seek(offset, whence)) return false;
    if (positioned_) offset_ = stream_->Tell();
    return offset_ >= 0;
  }

  ByteSink* stream() { return stream_; }

  bool positioned() const { return positioned_; }
  // Positioned: where in the file the next byte written will land.
  int64_t next_offset() const { return offset_ + used_; }

 private:
  static constexpr int64_t kCapacity = 1 << 16;

  void Put(const void* data, int64_t n) {
    if (!positioned_) {
      stream_->Write(data, n);
      return;
    }
    stream_->WriteAt(data, n, offset_);
    offset_ += n;
  }

  bool positioned_ = false;
  int64_t offset_ = 0;  // positioned: where the collected bytes belong
  ByteSink* stream_;
  std::unique_ptr<char[]> data_;
  int64_t used_ = 0;
};

}  // namespace swu

#endif  // SWU_RESULT_OUTPUT_BUFFER_H_
