// The command with a pause point, for the tests that interrupt a rewrite
// or change a file behind its back: the real platform, except that the
// process stops at a chosen point and waits until its standard input ends.
// Meanwhile the test sends a signal, renames or cuts the file, or starts a
// second run, at exactly that point and without guessing at timings.
//
//   SWU_PAUSE_AT_BYTE=N  stop before the write that takes the bytes
//                        written to files past N (0: before the first)
//   SWU_PAUSE_AT_JOURNAL_BYTE=N  the same, counting journal bytes only
//   SWU_PAUSE_AT_FILE_BYTE=N     stop at the first check of a file, once
//                        its journal is written, after N bytes have been
//                        written to it in place: before the next batch of
//                        writes or before its length is set (0: before
//                        the first write to the file)
//   SWU_PAUSE_AT_CHECK=1 stop before the check, made once the journal is
//                        complete and before the file itself is written,
//                        that the file is still as it was loaded
//   SWU_PAUSE_BEFORE_REMOVE=1  stop before a journal leaves its name
//                        (deleted, or kept as the spare), once its file
//                        has been written
//   SWU_PAUSE_AT_OPEN=S  stop before the first open of, or rename to, a
//                        path that ends
//                        with S (under -R, after the directory was listed)
//   SWU_PAUSE_AT_LOCK=S  stop before the first lock of a file opened under
//                        a path that ends with S
//   SWU_PAUSE_BEFORE_RENAME=1  stop before a temporary (no journal) takes
//                        its name, once it is written and closed
//
// A journal is a file whose name holds ".swu-journal-".
//
// On stopping it writes "paused\n" to standard error.
//
// It is portable: the Windows build runs it under wine for
// tests/e2e/windows_kill_test.py.

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "fakes/forwarding_platform.h"
#include "platform/platform.h"
#include "run/driver.h"
#include "run/exit_code.h"

namespace swu {
namespace {

struct Pause {
  int64_t at_byte = -1;  // -1: no pause at a byte
  int64_t at_journal_byte = -1;
  int64_t at_file_byte = -1;
  bool at_check = false;
  bool before_remove = false;
  std::string at_open;  // empty: no pause at an open
  std::string at_lock;  // empty: no pause at a lock
  bool before_rename = false;
  std::atomic<bool> done{false};  // workers open files too
  int64_t written = 0;
  int64_t journal_written = 0;
  int identifies = 0;

  void Wait() {
    done = true;
    fputs("paused\n", stderr);
    fflush(stderr);
    while (fgetc(stdin) != EOF) {
    }
  }
  void BeforeWrite(int64_t n, bool journal) {
    if (!done && at_byte >= 0 && written + n > at_byte) Wait();
    if (!done && journal && at_journal_byte >= 0 &&
        journal_written + n > at_journal_byte) {
      Wait();
    }
    written += n;
    if (journal) journal_written += n;
  }
  void BeforeLengthCheck(int64_t file_written) {
    if (!done && at_file_byte >= 0 && journal_written > 0 &&
        file_written >= at_file_byte) {
      Wait();
    }
  }
  // A journal leaves its name by deletion, or by a rename to a spare
  // journal's name (".swu-journal-s..."); a journal being made leaves its
  // private name (".swu-journal-p...") for its own.
  void BeforeDelete(const std::string& path) {
    if (!done && before_remove &&
        path.find(".swu-journal-") != std::string::npos &&
        path.find(".swu-journal-s") == std::string::npos &&
        path.find(".swu-journal-p") == std::string::npos) {
      Wait();
    }
  }
  void BeforeOpen(const std::string& path) {
    if (done || at_open.empty() || path.size() < at_open.size()) return;
    if (path.compare(path.size() - at_open.size(), std::string::npos,
                     at_open) == 0) {
      Wait();
    }
  }
  void BeforeLock(const std::string& path) {
    if (done || at_lock.empty() || path.size() < at_lock.size()) return;
    if (path.compare(path.size() - at_lock.size(), std::string::npos,
                     at_lock) == 0) {
      Wait();
    }
  }
  void BeforeRename(const std::string& from) {
    if (!done && before_rename &&
        from.find(".swu-journal-") == std::string::npos) {
      Wait();
    }
  }
  void BeforeIdentify() {
    // The first identification of an open file is its load; the second
    // is the check before the file itself is written.
    if (!done && at_check && ++identifies == 2) Wait();
  }
};

class PausedStream : public ForwardingStream {
 public:
  PausedStream(std::unique_ptr<File> real, Pause* pause, bool journal,
               std::string path)
      : ForwardingStream(std::move(real)),
        pause_(pause),
        journal_(journal),
        path_(std::move(path)) {}
  bool Lock(int64_t wait_ms) override {
    pause_->BeforeLock(path_);
    return ForwardingStream::Lock(wait_ms);
  }
  void Write(const void* data, int64_t n) override {
    pause_->BeforeWrite(n, journal_);
    ForwardingStream::Write(data, n);
  }
  void WriteAt(const void* data, int64_t n, int64_t offset) override {
    pause_->BeforeWrite(n, journal_);
    ForwardingStream::WriteAt(data, n, offset);
    if (!journal_) written_at_ += n;
  }
  bool Identify(FileIdentity* identity) override {
    pause_->BeforeIdentify();
    if (!journal_) pause_->BeforeLengthCheck(written_at_);
    return ForwardingStream::Identify(identity);
  }

 private:
  Pause* pause_;
  bool journal_;
  std::string path_;        // the path it was opened under
  int64_t written_at_ = 0;  // bytes written to this file at offsets
};

std::unique_ptr<File> Wrap(std::unique_ptr<File> real, Pause* pause,
                           const std::string& path, bool journal = false) {
  if (real == nullptr) return nullptr;
  return std::make_unique<PausedStream>(std::move(real), pause, journal, path);
}

class PausedPlatform : public ForwardingPlatform {
 public:
  PausedPlatform(Platform* real, Pause* pause)
      : ForwardingPlatform(real), pause_(pause) {}
  // Files are read ahead on worker threads as in a real run; a pause at an
  // open may then come on a worker, while the run goes on until it needs
  // that file.
  bool OpensConcurrently() const override {
    return real()->OpensConcurrently();
  }
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    pause_->BeforeOpen(path);
    return Wrap(ForwardingPlatform::Open(path, mode), pause_, path,
                path.find(".swu-journal-") != std::string::npos);
  }
  // The identity the open itself takes is the real platform's: it is not
  // one of the identifications counted for SWU_PAUSE_AT_CHECK.
  std::unique_ptr<File> OpenIdentified(const std::string& path, OpenMode mode,
                                       FileIdentity* identity) override {
    pause_->BeforeOpen(path);
    return Wrap(real()->OpenIdentified(path, mode, identity), pause_, path,
                path.find(".swu-journal-") != std::string::npos);
  }
  bool DeleteFile(const std::string& path) override {
    pause_->BeforeDelete(path);
    return ForwardingPlatform::DeleteFile(path);
  }
  bool RenameNew(const std::string& from, const std::string& to) override {
    pause_->BeforeDelete(from);
    pause_->BeforeOpen(to);  // A journal made under a private name.
    pause_->BeforeRename(from);
    return ForwardingPlatform::RenameNew(from, to);
  }
  bool RenameOver(const std::string& from, const std::string& to) override {
    pause_->BeforeRename(from);
    return ForwardingPlatform::RenameOver(from, to);
  }
  std::unique_ptr<File> CreateTemporary(const std::string& beside,
                                        std::string* path) override {
    std::unique_ptr<File> real =
        ForwardingPlatform::CreateTemporary(beside, path);
    std::string named = real != nullptr ? *path : std::string();
    return Wrap(std::move(real), pause_, named);
  }

 private:
  Pause* pause_;
};

}  // namespace
}  // namespace swu

int main(int argc, char** argv) {
  swu::Pause pause;
  if (const char* at = getenv("SWU_PAUSE_AT_BYTE")) pause.at_byte = atoll(at);
  if (const char* at = getenv("SWU_PAUSE_AT_JOURNAL_BYTE")) {
    pause.at_journal_byte = atoll(at);
  }
  if (const char* at = getenv("SWU_PAUSE_AT_FILE_BYTE")) {
    pause.at_file_byte = atoll(at);
  }
  pause.at_check = getenv("SWU_PAUSE_AT_CHECK") != nullptr;
  pause.before_remove = getenv("SWU_PAUSE_BEFORE_REMOVE") != nullptr;
  if (const char* at = getenv("SWU_PAUSE_AT_OPEN")) pause.at_open = at;
  if (const char* at = getenv("SWU_PAUSE_AT_LOCK")) pause.at_lock = at;
  pause.before_rename = getenv("SWU_PAUSE_BEFORE_RENAME") != nullptr;
  swu::PausedPlatform platform(swu::Platform::Default(), &pause);
  int64_t code = swu::RunCommand(argc, argv, &platform);
  return swu::ProcessExitStatus(code, platform.LargestExitStatus());
}
