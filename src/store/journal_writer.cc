// Writing the journal of one in-place rewrite.

#include "store/journal_writer.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "store/journal_names.h"

namespace swu {

namespace {

// Records are collected up to this many bytes and written in one call. A
// piece that does not fit flushes them, and goes straight through when it
// is half this size or more.
constexpr int64_t kRecordBatchSize = 1 << 20;

// How many times a journal is made again under a new private name when
// another run removed it before it was locked.
constexpr int kPrivateAttempts = 5;

// A journal held in memory, for a file in a directory where no journal
// can be created (one the user may not write to). It keeps the file
// untouched until the result is complete, as a journal on disk does, but
// does not outlive the process. Memory comes in blocks, and a block that
// cannot be had is a write error.
class MemoryJournal : public File {
 public:
  bool Seek(int64_t, Whence) override { return false; }
  int64_t Tell() override { return size_; }
  int64_t Read(void*, int64_t) override { return 0; }
  void Write(const void* data, int64_t n) override {
    const char* bytes = static_cast<const char*>(data);
    while (n > 0 && !error_) {
      int64_t at = size_ % kBlock;
      if (at == 0 && !AddBlock()) return;
      int64_t piece = std::min(n, kBlock - at);
      memcpy(blocks_.back().get() + at, bytes, static_cast<size_t>(piece));
      size_ += piece;
      bytes += piece;
      n -= piece;
    }
  }
  bool error() const override { return error_; }
  bool Close() override { return !error_; }
  void WriteAt(const void*, int64_t, int64_t) override { error_ = true; }
  bool SetLength(int64_t) override { return false; }
  bool Identify(FileIdentity* identity) override {
    *identity = FileIdentity();
    identity->size = size_;
    identity->regular = true;
    return true;
  }
  bool Lock(int64_t) override { return true; }
  int64_t ReadAt(void* data, int64_t n, int64_t offset) override {
    char* out = static_cast<char*>(data);
    n = std::max<int64_t>(0, std::min(n, size_ - offset));
    for (int64_t done = 0; done < n;) {
      int64_t at = (offset + done) % kBlock;
      int64_t piece = std::min(n - done, kBlock - at);
      memcpy(out + done,
             blocks_[static_cast<size_t>((offset + done) / kBlock)].get() + at,
             static_cast<size_t>(piece));
      done += piece;
    }
    return n;
  }
  bool Sync() override { return false; }

 private:
  static constexpr int64_t kBlock = 1 << 20;

  bool AddBlock() {
    std::unique_ptr<char[]> block(new (std::nothrow) char[kBlock]);
    if (block == nullptr) {
      error_ = true;
      return false;
    }
    blocks_.push_back(std::move(block));
    return true;
  }

  std::vector<std::unique_ptr<char[]>> blocks_;
  int64_t size_ = 0;
  bool error_ = false;
};

}  // namespace

// The bytes of a journal written in one batch, read as the journal file.
class JournalWriter::BatchReader : public File {
 public:
  explicit BatchReader(std::string bytes) : bytes_(std::move(bytes)) {}
  bool Seek(int64_t, Whence) override { return false; }
  int64_t Tell() override { return 0; }
  int64_t Read(void*, int64_t) override { return 0; }
  void Write(const void*, int64_t) override {}
  bool error() const override { return false; }
  bool Close() override { return true; }
  void WriteAt(const void*, int64_t, int64_t) override {}
  bool SetLength(int64_t) override { return false; }
  bool Identify(FileIdentity* identity) override {
    *identity = FileIdentity();
    identity->size = static_cast<int64_t>(bytes_.size());
    identity->regular = true;
    return true;
  }
  bool Lock(int64_t) override { return true; }
  int64_t ReadAt(void* data, int64_t n, int64_t offset) override {
    int64_t size = static_cast<int64_t>(bytes_.size());
    if (offset < 0 || offset >= size || n <= 0) return 0;
    n = std::min(n, size - offset);
    memcpy(data, bytes_.data() + offset, static_cast<size_t>(n));
    return n;
  }
  bool Sync() override { return true; }

 private:
  std::string bytes_;
};

File* JournalWriter::records() {
  return written_batch_ != nullptr ? written_batch_.get() : file_.get();
}

void DropSpare(Platform* platform, SpareJournal* spare) {
  if (spare->file == nullptr) return;
  platform->DeleteOnInterrupt("");
  platform->DeleteFile(spare->path);
  spare->file.reset();
}

JournalWriter::JournalWriter(Platform* platform, std::string path,
                             JournalHeader header, const char* image,
                             uint32_t owner, SpareJournal* spare)
    : platform_(platform),
      spare_(spare),
      path_(std::move(path)),
      header_(std::move(header)),
      image_(image),
      owner_(owner),
      builder_(image, header_.original_size),
      end_(header_.original_size) {}

JournalWriter::~JournalWriter() {
  if (!finished_) Remove();
}

bool JournalWriter::Seek(int64_t offset, Whence whence) {
  int64_t base = whence == Whence::kStart     ? 0
                 : whence == Whence::kCurrent ? position_
                                              : end_;
  if (base + offset < 0) return false;
  position_ = base + offset;
  return true;
}

void JournalWriter::Write(const void* data, int64_t n) {
  AddRecord(position_, data, n);
  position_ += n;
}

void JournalWriter::WriteAt(const void* data, int64_t n, int64_t offset) {
  assert(offset >= 0 && n >= 0);  // A record lies within the result.
  AddRecord(offset, data, n);
}

// Takes the spare journal file as this journal, when it lies in the same
// directory; a spare elsewhere is deleted.
bool JournalWriter::TakeSpare() {
  if (spare_ == nullptr || spare_->file == nullptr) return false;
  if (DirectoryPartOf(spare_->path, *platform_) !=
          DirectoryPartOf(path_, *platform_) ||
      !platform_->RenameNew(spare_->path, path_)) {
    DropSpare(platform_, spare_);
    return false;
  }
  file_ = std::move(spare_->file);
  return true;
}

// Creates the journal file under a private name, readable by its owner
// only, locks it, and only then gives it its name: a journal is never
// visible unlocked under its own name, so that no run takes a live one for
// a dead one. The
// lock is held until the journal is removed or the process ends. Returns
// null where it cannot be made (the name is taken, or the directory may
// not be written).
std::unique_ptr<File> JournalWriter::CreateNamed() {
  std::random_device entropy;
  std::string private_path;
  std::unique_ptr<File> file;
  bool locked = false;
  // Until it is locked the new file is one a killed run could have left,
  // and another run in the directory may remove it: once locked, it is
  // checked to be still under its name, or made again.
  for (int attempt = 0; !locked && attempt < kPrivateAttempts; ++attempt) {
    uint64_t number = (static_cast<uint64_t>(entropy()) << 32) ^ entropy() ^
                      header_.file_number;
    private_path = PrivatePathIn(DirectoryPartOf(path_, *platform_), number);
    file = platform_->Open(private_path, OpenMode::kCreatePrivate);
    if (file == nullptr) return nullptr;
    platform_->DeleteOnInterrupt(private_path);
    FileIdentity held, named;
    locked = file->Lock(0) && file->Identify(&held) &&
             platform_->IdentifyExact(private_path, &named) &&
             SameFile(held, named);
    if (!locked) platform_->DeleteOnInterrupt("");
  }
  if (!locked) return nullptr;
  bool root = platform_->CurrentUser() == 0;
  bool named = !root || owner_ == 0 || file->SetOwner(owner_);
  // Where the journal's name is taken by something this run may not use,
  // another free name keeps the rewrite recoverable.
  const std::string own = path_;
  for (int alternate = 0; named && alternate <= kJournalAlternates;
       ++alternate) {
    path_ = alternate == 0 ? own : own + "-" + std::to_string(alternate);
    if (platform_->RenameNew(private_path, path_)) return file;
    name_taken_ = true;
  }
  path_ = own;
  platform_->DeleteOnInterrupt("");
  platform_->DeleteFile(private_path);
  return nullptr;
}

void JournalWriter::Create() {
  // Never over an existing name, nor through a link someone put there.
  if (TakeSpare() && platform_->CurrentUser() == 0 && owner_ != 0) {
    file_->SetOwner(owner_);  // The spare may have been another's journal.
  }
  if (file_ == nullptr) file_ = CreateNamed();
  if (file_ != nullptr) {
    platform_->DeleteOnInterrupt(path_);
  } else {
    file_ = std::make_unique<MemoryJournal>();
    in_memory_ = true;
  }
  std::string head = EncodeHeader(header_);
  records_begin_ = static_cast<int64_t>(head.size());
  buffer_.clear();
  Put(head.data(), records_begin_);
}

void JournalWriter::AddRecord(int64_t offset, const void* data, int64_t n) {
  if (n <= 0 || failed_) return;
  // Records ascend without overlapping; the proof and the apply rely on
  // it, so a result that breaks it is never written.
  if (offset < previous_end_) {
    assert(false);
    failed_ = true;
    return;
  }
  if (file_ == nullptr) {
    if (!MayWriteFile()) {
      failed_ = true;
      return;
    }
    Create();
  }
  const char* bytes = static_cast<const char*>(data);
  builder_.Record(offset, bytes, n);
  same_ = same_ && offset + n <= header_.original_size &&
          memcmp(image_ + offset, bytes, static_cast<size_t>(n)) == 0;
  char head[kMaxRecordHead];
  int head_size = PutRecordHead(head, offset, n, previous_end_);
  ++records_;
  previous_end_ = offset + n;
  end_ = std::max(end_, offset + n);
  Put(head, head_size);
  Put(data, n);
}

void JournalWriter::Put(const void* data, int64_t n) {
  int64_t used = static_cast<int64_t>(buffer_.size());
  if (used + n <= kRecordBatchSize) {
    buffer_.append(static_cast<const char*>(data), static_cast<size_t>(n));
    return;
  }
  FlushBuffer();
  if (n >= kRecordBatchSize / 2) {
    WriteOut(data, n);
    return;
  }
  buffer_.append(static_cast<const char*>(data), static_cast<size_t>(n));
}

void JournalWriter::FlushBuffer() {
  if (buffer_.empty()) return;
  WriteOut(buffer_.data(), static_cast<int64_t>(buffer_.size()));
  buffer_.clear();
}

// Writes the journal's next |n| bytes at their offset, so that a spare
// taken over needs no seek first.
void JournalWriter::WriteOut(const void* data, int64_t n) {
  sum_.Add(data, n);
  if (in_memory_) {
    file_->Write(data, n);
  } else {
    file_->WriteAt(data, n, written_);
  }
  written_ += n;
}

bool JournalWriter::Finish(JournalEnd end, bool durable) {
  assert(end.result_size >= 0 && !finished_);
  if (failed_ || file_ == nullptr ||
      !builder_.Finish(end.result_size, &end.proof)) {
    return false;
  }
  end.record_count = records_;
  std::string bytes = EncodeEnd(end);
  assert(static_cast<int64_t>(bytes.size()) + kEndTrailer ==
         EndRecordSize(static_cast<int64_t>(end.proof.blocks.size())));
  Put(bytes.data(), static_cast<int64_t>(bytes.size()));
  bytes.clear();
  Checksum all = sum_;  // and the bytes not yet written out
  all.Add(buffer_.data(), static_cast<int64_t>(buffer_.size()));
  PutInt(&bytes, static_cast<int64_t>(all.value()));
  bytes += kEndMagic;
  Put(bytes.data(), static_cast<int64_t>(bytes.size()));
  // A journal written in one batch is applied from that batch: the same
  // bytes, without reading them back from the file.
  if (written_ == 0 && !in_memory_) {
    WriteOut(buffer_.data(), static_cast<int64_t>(buffer_.size()));
    written_batch_ = std::make_unique<BatchReader>(std::move(buffer_));
    buffer_.clear();
  } else {
    FlushBuffer();
  }
  proof_ = std::move(end.proof);
  if (file_->error()) return false;
  if (durable && !in_memory_ &&
      !(file_->Sync() && platform_->SyncDirectoryOf(path_))) {
    return false;
  }
  // Complete: from here on it is what finishes the rewrite if the process
  // dies, so nothing may delete it behind the program's back.
  platform_->DeleteOnInterrupt("");
  finished_ = true;
  return true;
}

void JournalWriter::Remove() {
  finished_ = true;
  if (file_ == nullptr || left_for_recovery_) return;
  platform_->DeleteOnInterrupt("");
  if (!in_memory_ && !ParkAsSpare()) platform_->DeleteFile(path_);
  if (file_ != nullptr) file_->Close();
  file_.reset();
}

// Marks the journal done and cuts it to the mark, then renames it to a
// name no file's journal has (its own number after "s") and keeps it for
// the next file. Marked first: a journal is never complete under a
// spare's name, and a process that dies meanwhile leaves a journal marked
// done, which the next run removes without a word.
bool JournalWriter::ParkAsSpare() {
  FileIdentity own;
  if (spare_ == nullptr || file_->error() || !file_->Identify(&own)) {
    return false;
  }
  file_->WriteAt(kDoneMagic, 8, 0);
  if (file_->error() || !file_->SetLength(8)) return false;
  DropSpare(platform_, spare_);
  std::string spare_path =
      SparePathIn(DirectoryPartOf(path_, *platform_), own.file_number);
  if (!platform_->RenameNew(path_, spare_path)) return false;
  platform_->DeleteOnInterrupt(spare_path);
  spare_->path = spare_path;
  spare_->file = std::move(file_);
  return true;
}

void JournalWriter::LeaveForRecovery() {
  finished_ = true;
  left_for_recovery_ = true;
  if (file_ != nullptr) file_->Close();
}

}  // namespace swu
