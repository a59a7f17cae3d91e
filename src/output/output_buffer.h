// Collects the small writes of one file (the stretches between matches and
// the new text at each one) and hands them to the output stream in large
// pieces, so that a file with many matches costs a copy per match rather
// than a stream call. Large writes go straight through. A check set with
// set_first_write_check() runs before the first byte reaches the stream;
// when it fails, nothing of this file is ever written.

#ifndef SWU_OUTPUT_OUTPUT_BUFFER_H_
#define SWU_OUTPUT_OUTPUT_BUFFER_H_

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>

#include "platform/platform.h"

namespace swu {

class OutputBuffer {
 public:
  explicit OutputBuffer(Stream* stream)
      : stream_(stream), data_(new char[kCapacity]) {}
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  void Write(const void* data, int64_t n) {
    if (n <= 0) return;
    if (used_ + n > kCapacity) {
      Flush();
      if (n >= kCapacity / 2) {
        if (MayWrite()) stream_->Write(data, n);
        return;
      }
    }
    memcpy(data_.get() + used_, data, static_cast<size_t>(n));
    used_ += n;
  }

  // Hands what is collected to the stream. Must come before the stream is
  // moved, checked or closed.
  void Flush() {
    if (used_ > 0 && MayWrite()) stream_->Write(data_.get(), used_);
    used_ = 0;
  }

  // Writes |n| bytes at |offset| of the file, without moving the stream.
  // Collected writes must have been flushed.
  void WriteAt(const void* data, int64_t n, int64_t offset) {
    if (n > 0 && MayWrite()) stream_->WriteAt(data, n, offset);
  }

  // Runs |check| once, before the first byte is written.
  void set_first_write_check(std::function<bool()> check) {
    check_ = std::move(check);
  }
  // True when the check failed: nothing was written, nothing will be.
  bool blocked() const { return blocked_; }
  // True once a byte has been handed to the stream.
  bool wrote() const { return wrote_; }

  Stream* stream() { return stream_; }

 private:
  static constexpr int64_t kCapacity = 1 << 16;

  bool MayWrite() {
    if (!wrote_ && !blocked_ && check_ && !check_()) blocked_ = true;
    if (blocked_) return false;
    wrote_ = true;
    return true;
  }

  std::function<bool()> check_;
  bool blocked_ = false;
  bool wrote_ = false;
  Stream* stream_;
  std::unique_ptr<char[]> data_;
  int64_t used_ = 0;
};

}  // namespace swu

#endif  // SWU_OUTPUT_OUTPUT_BUFFER_H_
