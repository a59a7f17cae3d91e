// The command with a pause point, for the tests that interrupt a rewrite
// or change a file behind its back: the real platform, except that the
// process stops at a chosen point and waits until its standard input ends.
// Meanwhile the test sends a signal, renames or cuts the file, or starts a
// second run, at exactly that point and without guessing at timings.
//
//   SWU_PAUSE_AT_BYTE=N  stop before the write that takes the bytes
//                        written to files past N (0: before the first)
//   SWU_PAUSE_AT_CHECK=1 stop before the check, made just before the first
//                        write, that the file is still as it was loaded
//
// On stopping it writes "paused\n" to standard error.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "run/driver.h"
#include "run/exit_code.h"

namespace swu {
namespace {

struct Pause {
  int64_t at_byte = -1;  // -1: no pause at a byte
  bool at_check = false;
  bool done = false;
  int64_t written = 0;
  int identifies = 0;

  void Wait() {
    done = true;
    fputs("paused\n", stderr);
    fflush(stderr);
    while (fgetc(stdin) != EOF) {
    }
  }
  void BeforeWrite(int64_t n) {
    if (!done && at_byte >= 0 && written + n > at_byte) Wait();
    written += n;
  }
  void BeforeIdentify() {
    // The first identification of an open file is its load; the second
    // is the check before the first write.
    if (!done && at_check && ++identifies == 2) Wait();
  }
};

class PausedStream : public Stream {
 public:
  PausedStream(std::unique_ptr<Stream> real, Pause* pause)
      : real_(std::move(real)), pause_(pause) {}
  bool Seek(int64_t offset, Whence whence) override {
    return real_->Seek(offset, whence);
  }
  int64_t Tell() override { return real_->Tell(); }
  int64_t Read(void* data, int64_t n) override { return real_->Read(data, n); }
  void Write(const void* data, int64_t n) override {
    pause_->BeforeWrite(n);
    real_->Write(data, n);
  }
  void Put(uint8_t byte) override { Write(&byte, 1); }
  bool error() const override { return real_->error(); }
  bool Flush() override { return real_->Flush(); }
  bool Close() override { return real_->Close(); }
  void WriteAt(const void* data, int64_t n, int64_t offset) override {
    pause_->BeforeWrite(n);
    real_->WriteAt(data, n, offset);
  }
  bool SetLength(int64_t length) override { return real_->SetLength(length); }
  bool Identify(FileIdentity* identity) override {
    pause_->BeforeIdentify();
    return real_->Identify(identity);
  }
  bool Lock(int64_t wait_ms) override { return real_->Lock(wait_ms); }
  char* MapImage(int64_t size) override { return real_->MapImage(size); }

 private:
  std::unique_ptr<Stream> real_;
  Pause* pause_;
};

std::unique_ptr<Stream> Wrap(std::unique_ptr<Stream> real, Pause* pause) {
  if (real == nullptr) return nullptr;
  return std::make_unique<PausedStream>(std::move(real), pause);
}

class PausedPlatform : public Platform {
 public:
  PausedPlatform(Platform* real, Pause* pause) : real_(real), pause_(pause) {}

  void Print(const char* data, size_t n) override { real_->Print(data, n); }
  void ReadKey() override { real_->ReadKey(); }
  std::unique_ptr<Stream> Open(const std::string& path,
                               OpenMode mode) override {
    return Wrap(real_->Open(path, mode), pause_);
  }
  bool SetFileLength(const std::string& path, int64_t length) override {
    return real_->SetFileLength(path, length);
  }
  bool DeleteFile(const std::string& path) override {
    return real_->DeleteFile(path);
  }
  bool Identify(const std::string& path, FileIdentity* identity) override {
    return real_->Identify(path, identity);
  }
  std::unique_ptr<Stream> CreateTemporary(const std::string& beside,
                                          std::string* path) override {
    return Wrap(real_->CreateTemporary(beside, path), pause_);
  }
  bool RenameOver(const std::string& from, const std::string& to) override {
    return real_->RenameOver(from, to);
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
  void ReleaseImage(char* image, int64_t size) override {
    real_->ReleaseImage(image, size);
  }
  bool ImageDamaged() override { return real_->ImageDamaged(); }
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
  int64_t LargestExitStatus() const override {
    return real_->LargestExitStatus();
  }

 private:
  Platform* real_;
  Pause* pause_;
};

}  // namespace
}  // namespace swu

int main(int argc, char** argv) {
  swu::Pause pause;
  if (const char* at = getenv("SWU_PAUSE_AT_BYTE")) pause.at_byte = atoll(at);
  pause.at_check = getenv("SWU_PAUSE_AT_CHECK") != nullptr;
  swu::PausedPlatform platform(swu::Platform::Default(), &pause);
  int64_t code = swu::RunCommand(argc, argv, &platform);
  return swu::ProcessExitStatus(code, platform.LargestExitStatus());
}
