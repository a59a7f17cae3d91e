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
  kClose,
  kSetLength,
  kDeleteFile,
  kAllocate,
  kRename,
};

class FaultPlatform : public Platform {
 public:
  explicit FaultPlatform(Platform* real = Platform::Default()) : real_(real) {}

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

  void Print(const char* data, size_t n) override { printed_.append(data, n); }
  void ReadKey() override {}
  std::unique_ptr<Stream> Open(const std::string& path, OpenMode mode) override;
  bool DeleteFile(const std::string& path) override {
    if (Fails(FaultOp::kDeleteFile)) return false;
    return real_->DeleteFile(path);
  }
  bool Identify(const std::string& path, FileIdentity* identity) override {
    return real_->Identify(path, identity);
  }
  std::unique_ptr<Stream> CreateTemporary(const std::string& beside,
                                          std::string* path) override;
  bool RenameOver(const std::string& from, const std::string& to) override {
    if (Fails(FaultOp::kRename)) return false;
    return real_->RenameOver(from, to);
  }
  void WatchInterrupts() override {}
  void DeferInterrupts(bool) override {}
  bool Interrupted() override { return false; }
  void EndByInterrupt() override {}
  char* AllocateBlock(int64_t size) override {
    if (Fails(FaultOp::kAllocate)) return nullptr;
    allocations_.push_back(size);
    return real_->AllocateBlock(size);
  }
  void FreeBlock(char* block, int64_t size) override {
    real_->FreeBlock(block, size);
  }
  std::unique_ptr<DirEnum> FindFirst(const std::string& pattern, bool dirs,
                                     DirEntry* first) override {
    return real_->FindFirst(pattern, dirs, first);
  }
  bool MakeDirectory(const std::string& path) override {
    return real_->MakeDirectory(path);
  }
  bool RemoveDirectory(const std::string& path) override {
    return real_->RemoveDirectory(path);
  }
  bool GetCurrentDirectory(std::string* path) override {
    return real_->GetCurrentDirectory(path);
  }
  bool SetCurrentDirectory(const std::string& path) override {
    return real_->SetCurrentDirectory(path);
  }
  char GetCurrentDrive() override { return real_->GetCurrentDrive(); }
  bool SetCurrentDrive(char drive) override {
    return real_->SetCurrentDrive(drive);
  }
  bool SlashStartsSwitch() const override { return real_->SlashStartsSwitch(); }
  std::string FromTypedPath(const std::string& typed) const override {
    return real_->FromTypedPath(typed);
  }
  // NoteTypedSpelling and SetTreeRoot are not passed on: the real
  // platform is shared by every test, and what they set would outlive the
  // test that set it.
  bool GetEnvironment(const std::string& name, std::string* value) override {
    return real_->GetEnvironment(name, value);
  }

  const std::vector<int64_t>& allocations() const { return allocations_; }

 private:
  Platform* real_;
  std::map<FaultOp, std::pair<int, bool>> faults_;
  std::map<FaultOp, int> counts_;
  int64_t bytes_written_ = 0;
  std::vector<int64_t> allocations_;
  std::string printed_;
};

// A stream that passes every call to a real one unless its platform says
// the call fails. A failed write writes nothing and sets the error
// indicator, as a full disk would.
class FaultStream : public Stream {
 public:
  FaultStream(std::unique_ptr<Stream> real, FaultPlatform* platform)
      : real_(std::move(real)), platform_(platform) {}

  bool Seek(int64_t offset, Whence whence) override {
    if (platform_->Fails(FaultOp::kSeek)) return false;
    return real_->Seek(offset, whence);
  }
  int64_t Tell() override {
    if (platform_->Fails(FaultOp::kTell)) return -1;
    return real_->Tell();
  }
  int64_t Read(void* data, int64_t n) override {
    if (platform_->Fails(FaultOp::kRead)) return 0;
    return real_->Read(data, n);
  }
  void Write(const void* data, int64_t n) override {
    if (platform_->Fails(FaultOp::kWrite)) {
      failed_ = true;
      return;
    }
    platform_->AddWritten(n);
    real_->Write(data, n);
  }
  bool error() const override { return failed_ || real_->error(); }
  bool Close() override {
    if (closed_) return true;
    closed_ = true;
    bool ok = real_->Close();
    if (platform_->Fails(FaultOp::kClose)) return false;
    return ok && !failed_;
  }
  void WriteAt(const void* data, int64_t n, int64_t offset) override {
    if (platform_->Fails(FaultOp::kWrite)) {
      failed_ = true;
      return;
    }
    platform_->AddWritten(n);
    real_->WriteAt(data, n, offset);
  }
  bool SetLength(int64_t length) override {
    if (platform_->Fails(FaultOp::kSetLength)) return false;
    return real_->SetLength(length);
  }
  bool Identify(FileIdentity* identity) override {
    return real_->Identify(identity);
  }
  bool Lock(int64_t wait_ms) override { return real_->Lock(wait_ms); }

 private:
  std::unique_ptr<Stream> real_;
  FaultPlatform* platform_;
  bool failed_ = false;
  bool closed_ = false;
};

inline std::unique_ptr<Stream> FaultPlatform::Open(const std::string& path,
                                                   OpenMode mode) {
  FaultOp op = mode == OpenMode::kRead     ? FaultOp::kOpenRead
               : mode == OpenMode::kUpdate ? FaultOp::kOpenUpdate
               : mode == OpenMode::kAppend ? FaultOp::kOpenAppend
                                           : FaultOp::kOpenCreate;
  if (Fails(op)) return nullptr;
  std::unique_ptr<Stream> real = real_->Open(path, mode);
  if (real == nullptr) return nullptr;
  return std::make_unique<FaultStream>(std::move(real), this);
}

inline std::unique_ptr<Stream> FaultPlatform::CreateTemporary(
    const std::string& beside, std::string* path) {
  if (Fails(FaultOp::kOpenCreate)) return nullptr;
  std::unique_ptr<Stream> real = real_->CreateTemporary(beside, path);
  if (real == nullptr) return nullptr;
  return std::make_unique<FaultStream>(std::move(real), this);
}

}  // namespace swu

#endif  // SWU_TESTS_FAKES_FAULT_PLATFORM_H_
