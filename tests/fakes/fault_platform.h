// A platform for tests that passes every call to the real one and can make
// a chosen call fail: the Nth stream seek, write, read or tell, the Nth
// open in a mode, a file-length change or a delete. It also counts the
// bytes that reach files, so tests can see what intelligent writing
// spares.

#ifndef SWU_TESTS_FAKES_FAULT_PLATFORM_H_
#define SWU_TESTS_FAKES_FAULT_PLATFORM_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fakes/forwarding_platform.h"
#include "platform/platform.h"

namespace swu {

enum class FaultOp {
  kOpenRead,
  kOpenUpdate,
  kOpenCreate,
  kOpenAppend,
  kSeek,
  kTell,
  kRead,
  kWrite,
  kJournalWrite,  // a write to a journal (a .swu-journal- file)
  kClose,
  kSetLength,
  kDeleteFile,
  kAllocate,
  kRename,
};

class FaultPlatform : public ForwardingPlatform {
 public:
  explicit FaultPlatform(Platform* real = Platform::Default())
      : ForwardingPlatform(real) {}

  // Makes the |n|th call (counted from 1) of |op| fail, and every later
  // one too when |sticky|.
  void FailNth(FaultOp op, int n, bool sticky = false) {
    faults_[op] = {n, sticky};
  }
  void Clear() {
    faults_.clear();
    counts_.clear();
  }
  int count(FaultOp op) const {
    auto it = counts_.find(op);
    return it == counts_.end() ? 0 : it->second;
  }
  int64_t bytes_written() const { return bytes_written_; }
  int write_calls() const { return count(FaultOp::kWrite); }

  // Counts a call of |op| and tells whether it is to fail.
  bool Fails(FaultOp op) {
    int n = ++counts_[op];
    auto it = faults_.find(op);
    if (it == faults_.end()) return false;
    return n == it->second.first || (it->second.second && n > it->second.first);
  }
  void AddWritten(int64_t n) { bytes_written_ += n; }

  // The console and the interruptions stay out of the tests' process.
  void Print(const char*, size_t) override {}
  void ReadKey() override {}
  void WatchInterrupts() override {}
  void DeferInterrupts(bool) override {}
  bool Interrupted() override { return false; }
  void EndByInterrupt() override {}
  // Not passed on either: the real platform is shared by every test, and
  // what they set would outlive the test that set it.
  void NoteTypedSpelling(const std::string&) override {}
  void SetTreeRoot(const std::string&) override {}

  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override;
  bool DeleteFile(const std::string& path) override {
    if (Fails(FaultOp::kDeleteFile)) return false;
    return ForwardingPlatform::DeleteFile(path);
  }
  std::unique_ptr<File> CreateTemporary(const std::string& beside,
                                        std::string* path) override;
  bool RenameOver(const std::string& from, const std::string& to) override {
    if (Fails(FaultOp::kRename)) return false;
    return ForwardingPlatform::RenameOver(from, to);
  }
  char* AllocateBlock(int64_t size) override {
    if (Fails(FaultOp::kAllocate)) return nullptr;
    allocations_.push_back(size);
    return ForwardingPlatform::AllocateBlock(size);
  }

  const std::vector<int64_t>& allocations() const { return allocations_; }

 private:
  std::map<FaultOp, std::pair<int, bool>> faults_;
  std::map<FaultOp, int> counts_;
  int64_t bytes_written_ = 0;
  std::vector<int64_t> allocations_;
};

// A stream that passes every call to a real one unless its platform says
// the call fails. A failed write writes nothing and sets the error
// indicator, as a full disk would.
class FaultStream : public ForwardingStream {
 public:
  // Writes to a |journal| count apart from the others: they are not the
  // bytes that reach the files themselves.
  FaultStream(std::unique_ptr<File> real, FaultPlatform* platform,
              bool journal = false)
      : ForwardingStream(std::move(real)),
        platform_(platform),
        journal_(journal) {}

  bool Seek(int64_t offset, Whence whence) override {
    if (platform_->Fails(FaultOp::kSeek)) return false;
    return ForwardingStream::Seek(offset, whence);
  }
  int64_t Tell() override {
    if (platform_->Fails(FaultOp::kTell)) return -1;
    return ForwardingStream::Tell();
  }
  int64_t Read(void* data, int64_t n) override {
    if (platform_->Fails(FaultOp::kRead)) return 0;
    return ForwardingStream::Read(data, n);
  }
  void Write(const void* data, int64_t n) override {
    if (WriteFails(n)) return;
    ForwardingStream::Write(data, n);
  }
  bool error() const override { return failed_ || ForwardingStream::error(); }
  bool Close() override {
    if (closed_) return true;
    closed_ = true;
    bool ok = ForwardingStream::Close();
    if (platform_->Fails(FaultOp::kClose)) return false;
    return ok && !failed_;
  }
  void WriteAt(const void* data, int64_t n, int64_t offset) override {
    if (WriteFails(n)) return;
    ForwardingStream::WriteAt(data, n, offset);
  }
  bool SetLength(int64_t length) override {
    if (platform_->Fails(FaultOp::kSetLength)) return false;
    return ForwardingStream::SetLength(length);
  }

 private:
  // Counts a write of |n| bytes; when it is to fail, sets the error
  // indicator and returns true.
  bool WriteFails(int64_t n) {
    if (platform_->Fails(journal_ ? FaultOp::kJournalWrite : FaultOp::kWrite)) {
      failed_ = true;
      return true;
    }
    if (!journal_) platform_->AddWritten(n);
    return false;
  }

  FaultPlatform* platform_;
  bool journal_;
  bool failed_ = false;
  bool closed_ = false;
};

inline std::unique_ptr<File> FaultPlatform::Open(const std::string& path,
                                                 OpenMode mode) {
  FaultOp op = mode == OpenMode::kRead     ? FaultOp::kOpenRead
               : mode == OpenMode::kUpdate ? FaultOp::kOpenUpdate
               : mode == OpenMode::kAppend || mode == OpenMode::kOpenAlways
                   ? FaultOp::kOpenAppend
                   : FaultOp::kOpenCreate;
  if (Fails(op)) return nullptr;
  std::unique_ptr<File> real = ForwardingPlatform::Open(path, mode);
  if (real == nullptr) return nullptr;
  return std::make_unique<FaultStream>(
      std::move(real), this, path.find(".swu-journal-") != std::string::npos);
}

inline std::unique_ptr<File> FaultPlatform::CreateTemporary(
    const std::string& beside, std::string* path) {
  if (Fails(FaultOp::kOpenCreate)) return nullptr;
  std::unique_ptr<File> real =
      ForwardingPlatform::CreateTemporary(beside, path);
  if (real == nullptr) return nullptr;
  return std::make_unique<FaultStream>(std::move(real), this);
}

}  // namespace swu

#endif  // SWU_TESTS_FAKES_FAULT_PLATFORM_H_
