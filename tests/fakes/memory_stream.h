// An in-memory stream for tests: writes land in a string at the stream
// position (or at its end in append mode), and every write call is
// counted.

#ifndef SWU_TESTS_FAKES_MEMORY_STREAM_H_
#define SWU_TESTS_FAKES_MEMORY_STREAM_H_

#include <cstring>
#include <string>

#include "platform/platform.h"

namespace swu {

class MemoryStream : public File {
 public:
  explicit MemoryStream(std::string contents = "", bool append = false)
      : data_(std::move(contents)), append_(append) {}

  bool Seek(int64_t offset, Whence whence) override {
    int64_t base = whence == Whence::kStart ? 0
                   : whence == Whence::kCurrent
                       ? at_
                       : static_cast<int64_t>(data_.size());
    if (base + offset < 0) return false;
    at_ = base + offset;
    return true;
  }
  int64_t Tell() override { return at_; }
  int64_t Read(void* out, int64_t n) override {
    int64_t left = static_cast<int64_t>(data_.size()) - at_;
    if (n > left) n = left < 0 ? 0 : left;
    memcpy(out, data_.data() + at_, static_cast<size_t>(n));
    at_ += n;
    return n;
  }
  void Write(const void* in, int64_t n) override {
    ++writes_;
    if (append_) at_ = static_cast<int64_t>(data_.size());
    if (at_ + n > static_cast<int64_t>(data_.size()))
      data_.resize(static_cast<size_t>(at_ + n));
    memcpy(&data_[static_cast<size_t>(at_)], in, static_cast<size_t>(n));
    at_ += n;
  }
  bool error() const override { return false; }
  bool Close() override { return true; }
  void WriteAt(const void* in, int64_t n, int64_t offset) override {
    int64_t at = at_;
    at_ = offset;
    bool append = append_;
    append_ = false;
    Write(in, n);
    append_ = append;
    at_ = at;
  }
  bool SetLength(int64_t length) override {
    data_.resize(static_cast<size_t>(length));
    return true;
  }
  bool Identify(FileIdentity* identity) override {
    identity->size = static_cast<int64_t>(data_.size());
    identity->regular = true;
    return true;
  }
  bool Lock(int64_t) override { return true; }
  int64_t ReadAt(void* out, int64_t n, int64_t offset) override {
    int64_t left = static_cast<int64_t>(data_.size()) - offset;
    if (left <= 0) return 0;
    if (n > left) n = left;
    memcpy(out, data_.data() + offset, static_cast<size_t>(n));
    return n;
  }
  bool Sync() override { return true; }

  const std::string& data() const { return data_; }
  int writes() const { return writes_; }

 private:
  std::string data_;
  bool append_;
  int64_t at_ = 0;
  int writes_ = 0;
};

}  // namespace swu

#endif  // SWU_TESTS_FAKES_MEMORY_STREAM_H_
