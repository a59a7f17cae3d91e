// Opening a file for the run: load, recovery, output.

#include "store/file_store.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "store/journal_format.h"
#include "store/journal_names.h"
#include "store/recovery.h"

namespace swu {

namespace {

// --skip-binary looks for a NUL byte this far into a file.
constexpr int64_t kBinaryProbe = 8192;

// True when a NUL byte stands in the first kBinaryProbe bytes of the
// image in |buffer|.
bool LooksBinary(const FileBuffer& buffer) {
  int64_t n = std::min(buffer.size(), kBinaryProbe);
  return memchr(buffer.bytes() + buffer.start, 0, static_cast<size_t>(n)) !=
         nullptr;
}

// A rewrite that a run with the same texts and switches began and a
// recovery has just finished is this run's own: its figures come from
// its journal, and the file is not edited a second time.
void CountAsDone(const RecoveredRewrite& rewrite, FileOutcome* outcome) {
  outcome->loaded = true;
  outcome->original_size = rewrite.original_size;
  outcome->acted_on = rewrite.acted_on;
  outcome->matches_found = rewrite.found;
  outcome->size_change = rewrite.result_size - rewrite.original_size;
  outcome->bytes_written = rewrite.result_size;
}

}  // namespace

FileStore::FileStore(const Settings& settings, Platform* platform)
    : settings_(settings), platform_(platform) {}

FileStore::~FileStore() { DropSpare(platform_, &spare_); }

FileError FileStore::Open(const std::string& path,
                          const std::string& output_path, CreateState* create,
                          FileVisits* visits, FileBuffer* buffer,
                          OpenedFile* file, FileOutcome* outcome) {
  CreateState before = *create;
  FileError error = Load(path, output_path, create, visits, buffer, file);
  if (error != FileError::None || !file->existed) return error;
  // Once per directory: spare journal files that killed runs left there
  // (not under --diff, which deletes nothing). A listing without the
  // program's names had none to show.
  std::string dir = DirectoryPartOf(path, *platform_);
  if (!settings_.shows_diff() && !listing_clean_ &&
      cleared_.insert(dir).second) {
    ClearDeadSpares(platform_, *platform_, dir);
  }
  bool noted = false;
  if (!FindsPendingRewrite(path, *file, &noted)) return FileError::None;
  file->output.stream.reset();
  file->input.stream.reset();
  buffer->Reset();
  RecoveredRewrite rewrite;
  outcome->recovery = noted ? RecoverNoted(platform_, *platform_, path,
                                           settings_.durable(), &rewrite)
                            : RecoverFile(platform_, *platform_, path,
                                          settings_.durable(), &rewrite);
  outcome->journal_name_taken = rewrite.name_taken;
  if (!Recovered(outcome->recovery)) return FileError::OpenFailed;
  if (outcome->recovery == Recovery::kFinished &&
      rewrite.digest == settings_.ResultDigest()) {
    CountAsDone(rewrite, outcome);
    return FileError::None;
  }
  *create = before;
  return Load(path, output_path, create, visits, buffer, file);
}

// True when a journal waits for the loaded file: beside it, or noted on
// it (*noted), for a file with more names may have its journal beside
// another one. A file loaded unlocked looks once it is locked, if it is to
// be written at all (store/late_lock.h).
bool FileStore::FindsPendingRewrite(const std::string& path,
                                    const OpenedFile& file, bool* noted) {
  return file.input.locked && HasPendingJournal(platform_, *platform_, path,
                                                file.input.identity, noted);
}

FileError FileStore::Load(const std::string& path,
                          const std::string& output_path, CreateState* create,
                          FileVisits* visits, FileBuffer* buffer,
                          OpenedFile* file) {
  file->existed = false;
  file->binary = false;
  file->passed_over = false;
  file->output = ResultOutput();
  FileError error;
  if (file->ahead.stream != nullptr) {
    LoadedAhead ahead = std::move(file->ahead);
    error = AdoptLoadedFile(std::move(ahead), buffer, &file->input);
  } else {
    error = LoadCurrentFile(settings_, platform_, path, file->lock_later,
                            buffer, &file->input);
  }
  if (visits != nullptr && !visits->FirstVisit(file->input.identity)) {
    // Its first name took it, failed or not: nothing more to do here.
    file->input.stream.reset();
    file->passed_over = true;
    return FileError::None;
  }
  if (error == FileError::OpenFailed && *create == CreateState::Creating) {
    error = CreateResult(settings_, platform_, *platform_, path, output_path,
                         &file->output);
    if (error != FileError::None) return error;
    if (!buffer->MakeCreatedImage()) {
      file->output.stream.reset();
      return FileError::LoadNoMemory;
    }
    *create = CreateState::Created;
    return FileError::None;
  }
  if (error != FileError::None) return error;
  file->existed = true;
  if (settings_.skip_binary && LooksBinary(*buffer)) {
    file->binary = true;
    return FileError::None;  // Nothing is written: no output to open.
  }
  error = OpenResult(settings_, platform_, *platform_, path, output_path,
                     &file->input, &file->output);
  if (error != FileError::None) return error;
  if (file->input.identity.size == 0 && *create == CreateState::Creating) {
    *create = CreateState::Created;
  }
  return FileError::None;
}

std::unique_ptr<JournalWriter> FileStore::JournalFor(const std::string& path,
                                                     const OpenedFile& file,
                                                     const FileBuffer& buffer) {
  const OutputTarget& target = file.output.target;
  if (!target.in_place || !target.writable) return nullptr;
  const FileIdentity& as = target.loaded_as;
  JournalHeader header;
  header.device = as.device;
  header.file_number = as.file_number;
  header.original_size = as.size;
  header.original_modified = as.modified;
  header.digest = settings_.ResultDigest();
  std::string dir = DirectoryPartOf(path, *platform_);
  header.name = path.substr(dir.size());
  const char* image =
      reinterpret_cast<const char*>(buffer.bytes()) + buffer.start;
  return std::make_unique<JournalWriter>(
      platform_, JournalPathFor(path, as, *platform_), std::move(header), image,
      as.owner, &spare_);
}

}  // namespace swu
