// Collects the small writes of one file (the stretches between matches and
// the new text at each one) and hands them to the output stream in large
// pieces, so that a file with many matches costs a copy per match rather
// than a stream call. Large writes go straight through.

#ifndef SWU_OUTPUT_OUTPUT_BUFFER_H_
#define SWU_OUTPUT_OUTPUT_BUFFER_H_

#include <cstdint>
#include <cstring>
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
        stream_->Write(data, n);
        return;
      }
    }
    memcpy(data_.get() + used_, data, static_cast<size_t>(n));
    used_ += n;
  }

  // Hands what is collected to the stream. Must come before the stream is
  // moved, checked or closed.
  void Flush() {
    if (used_ > 0) stream_->Write(data_.get(), used_);
    used_ = 0;
  }

  Stream* stream() { return stream_; }

 private:
  static constexpr int64_t kCapacity = 1 << 16;

  Stream* stream_;
  std::unique_ptr<char[]> data_;
  int64_t used_ = 0;
};

}  // namespace swu

#endif  // SWU_OUTPUT_OUTPUT_BUFFER_H_
