// A platform and a stream that pass every call to real ones, as bases for
// wrappers that change a few calls: the fault-injecting test platform and
// the paused command (tests/tools/swu_paused.cc).

#ifndef SWU_TESTS_FAKES_FORWARDING_PLATFORM_H_
#define SWU_TESTS_FAKES_FORWARDING_PLATFORM_H_

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "platform/platform.h"

namespace swu {

class ForwardingStream : public File {
 public:
  explicit ForwardingStream(std::unique_ptr<File> real)
      : real_(std::move(real)) {}

  bool Seek(int64_t offset, Whence whence) override {
    return real_->Seek(offset, whence);
  }
  int64_t Tell() override { return real_->Tell(); }
  int64_t Read(void* data, int64_t n) override { return real_->Read(data, n); }
  void Write(const void* data, int64_t n) override { real_->Write(data, n); }
  bool error() const override { return real_->error(); }
  bool Close() override { return real_->Close(); }
  void WriteAt(const void* data, int64_t n, int64_t offset) override {
    real_->WriteAt(data, n, offset);
  }
  bool SetLength(int64_t length) override { return real_->SetLength(length); }
  bool Identify(FileIdentity* identity) override {
    return real_->Identify(identity);
  }
  bool Lock(int64_t wait_ms) override { return real_->Lock(wait_ms); }
  int64_t ReadAt(void* data, int64_t n, int64_t offset) override {
    return real_->ReadAt(data, n, offset);
  }
  bool Sync() override { return real_->Sync(); }
  bool unlocked() const override { return real_->unlocked(); }
  bool Allocate(int64_t length) override { return real_->Allocate(length); }
  bool GetOwner(uint32_t* owner) override { return real_->GetOwner(owner); }
  bool SetOwner(uint32_t owner) override { return real_->SetOwner(owner); }
  bool SetNote(const std::string& note) override {
    return real_->SetNote(note);
  }
  bool GetNote(std::string* note) override { return real_->GetNote(note); }
  void ClearNote() override { real_->ClearNote(); }
  std::unique_ptr<FileImage> MapImage(int64_t size) override {
    return real_->MapImage(size);
  }
  bool SetPermissions(const FileIdentity* replaced) override {
    return real_->SetPermissions(replaced);
  }

 private:
  std::unique_ptr<File> real_;
};

// Open and CreateTemporary return the real stream as it is; a wrapper
// that wraps streams overrides both.
class ForwardingPlatform : public Platform {
 public:
  explicit ForwardingPlatform(Platform* real) : real_(real) {}
  Platform* real() const { return real_; }

  void Print(const char* data, size_t n) override { real_->Print(data, n); }
  void ReadKey() override { real_->ReadKey(); }
  bool ReadStandardInput(std::string* bytes) override {
    return real_->ReadStandardInput(bytes);
  }
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    return real_->Open(path, mode);
  }
  bool DeleteFile(const std::string& path) override {
    return real_->DeleteFile(path);
  }
  bool Identify(const std::string& path, FileIdentity* identity) override {
    return real_->Identify(path, identity);
  }
  std::unique_ptr<File> CreateTemporary(const std::string& beside,
                                        std::string* path) override {
    return real_->CreateTemporary(beside, path);
  }
  bool IdentifyExact(const std::string& path, FileIdentity* identity) override {
    return real_->IdentifyExact(path, identity);
  }
  bool RenameNew(const std::string& from, const std::string& to) override {
    return real_->RenameNew(from, to);
  }
  bool SyncDirectoryOf(const std::string& path) override {
    return real_->SyncDirectoryOf(path);
  }
  bool ListSubdirectories(const std::string& directory,
                          std::vector<std::string>* names) override {
    return real_->ListSubdirectories(directory, names);
  }
  bool ListNamesStartingWith(const std::string& directory,
                             const std::string& prefix,
                             std::vector<std::string>* names) override {
    return real_->ListNamesStartingWith(directory, prefix, names);
  }
  void DeleteOnInterrupt(const std::string& path) override {
    real_->DeleteOnInterrupt(path);
  }
  bool RenameOver(const std::string& from, const std::string& to) override {
    return real_->RenameOver(from, to);
  }
  void RemoveLeftTemporaries(const std::string& beside) override {
    real_->RemoveLeftTemporaries(beside);
  }
  void WatchInterrupts() override { real_->WatchInterrupts(); }
  void DeferInterrupts(bool defer) override { real_->DeferInterrupts(defer); }
  bool Interrupted() override { return real_->Interrupted(); }
  void EndByInterrupt() override { real_->EndByInterrupt(); }
  char* AllocateBlock(int64_t size) override {
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
  uint32_t CurrentUser() const override { return real_->CurrentUser(); }
  int64_t FileSizeLimit() const override { return real_->FileSizeLimit(); }
  uint64_t NameBits() override { return real_->NameBits(); }
  bool SlashStartsSwitch() const override { return real_->SlashStartsSwitch(); }
  bool QuotesSplitArguments() const override {
    return real_->QuotesSplitArguments();
  }
  std::string FromTypedPath(const std::string& typed) const override {
    return real_->FromTypedPath(typed);
  }
  void NoteTypedSpelling(const std::string& typed) override {
    real_->NoteTypedSpelling(typed);
  }
  void SetTreeRoot(const std::string& directory) override {
    real_->SetTreeRoot(directory);
  }
  bool GetEnvironment(const std::string& name, std::string* value) override {
    return real_->GetEnvironment(name, value);
  }
  bool EndsDirectoryPart(char c) const override {
    return real_->EndsDirectoryPart(c);
  }
  char PathSeparator() const override { return real_->PathSeparator(); }
  int64_t TextBreakLength() const override { return real_->TextBreakLength(); }
  int64_t LargestExitStatus() const override {
    return real_->LargestExitStatus();
  }

 private:
  Platform* real_;
};

}  // namespace swu

#endif  // SWU_TESTS_FAKES_FORWARDING_PLATFORM_H_
