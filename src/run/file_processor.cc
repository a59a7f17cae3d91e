// One file through loading, the replace loop and the commit.

#include "run/file_processor.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "diff/diff_sink.h"
#include "result/emitter.h"
#include "result/new_text.h"
#include "result/output_buffer.h"
#include "result/result_writer.h"
#include "run/diff_preview.h"
#include "search/matcher.h"
#include "search/replace_loop.h"
#include "search/replace_state.h"
#include "store/file_buffer.h"
#include "store/journal_format.h"
#include "store/journal_names.h"
#include "store/journal_writer.h"
#include "store/late_lock.h"
#include "store/loader.h"
#include "store/output_file.h"
#include "store/recovery.h"

namespace swu {

namespace {

constexpr int64_t kInitialBlock = 32768;

// --skip-binary looks for a NUL byte this far into a file.
constexpr int64_t kBinaryProbe = 8192;

// True when a NUL byte stands in the first kBinaryProbe bytes of the
// image in |buffer|.
bool LooksBinary(const FileBuffer& buffer) {
  int64_t n = std::min(buffer.size(), kBinaryProbe);
  return memchr(buffer.bytes() + buffer.start, 0, static_cast<size_t>(n)) !=
         nullptr;
}

// True when the run rewrites files in place, the one way of running whose
// files a worker may load ahead: unlocked, to be locked before a write.
bool MayLoadAhead(const Settings& settings) {
  return !settings.output_mode() && !settings.report_only() &&
         !settings.shows_diff();
}

// The journal an in-place rewrite of |path| writes its result to first;
// null where the result goes elsewhere or nothing is written.
std::unique_ptr<JournalWriter> JournalFor(
    const Settings& settings, Platform* platform, const std::string& path,
    const LoadedFile& loaded, const FileBuffer& buffer, SpareJournal* spare) {
  const OutputTarget& target = loaded.output.target;
  if (!target.in_place || !target.writable) return nullptr;
  const FileIdentity& as = target.loaded_as;
  JournalHeader header;
  header.device = as.device;
  header.file_number = as.file_number;
  header.original_size = as.size;
  header.original_modified = as.modified;
  header.digest = settings.ResultDigest();
  std::string dir = DirectoryPartOf(path, *platform);
  header.name = path.substr(dir.size());
  const char* image =
      reinterpret_cast<const char*>(buffer.bytes()) + buffer.start;
  return std::make_unique<JournalWriter>(
      platform, JournalPathFor(path, as, *platform), std::move(header), image,
      as.owner, spare);
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

// Loads |path| into *buffer and opens its result's output in *loaded.
// While *create is Creating, a missing or empty file is created and
// *create becomes Created; while it is CreateRequested, an empty file is
// processed as an empty image. A file that loaded->visits has seen under
// an earlier name sets loaded->passed_over and returns FileError::None with
// nothing open. On success returns FileError::None; on failure returns the
// error and leaves no stream open.
FileError OpenFile(const Settings& settings, Platform* platform,
                   const std::string& path, const std::string& output_path,
                   CreateState* create, FileBuffer* buffer,
                   LoadedFile* loaded) {
  loaded->opened = false;
  loaded->binary = false;
  loaded->passed_over = false;
  loaded->output = ResultOutput();
  FileError error;
  if (loaded->prefetched.stream != nullptr) {
    PrefetchedFile file = std::move(loaded->prefetched);
    error = AdoptLoadedFile(std::move(file.stream), file.identity, file.bytes,
                            buffer, &loaded->input);
  } else {
    error = LoadCurrentFile(settings, platform, path, loaded->lock_later,
                            buffer, &loaded->input);
  }
  if (loaded->visits != nullptr &&
      !loaded->visits->FirstVisit(loaded->input.identity)) {
    // Its first name took it, failed or not: nothing more to do here.
    loaded->input.stream.reset();
    loaded->passed_over = true;
    return FileError::None;
  }
  if (error == FileError::OpenFailed && *create == CreateState::Creating) {
    error =
        CreateResult(settings, platform, path, output_path, &loaded->output);
    if (error != FileError::None) return error;
    if (!buffer->MakeCreatedImage()) {
      loaded->output.stream.reset();
      return FileError::LoadNoMemory;
    }
    *create = CreateState::Created;
    return FileError::None;
  }
  if (error != FileError::None) return error;
  loaded->opened = true;
  if (settings.skip_binary && LooksBinary(*buffer)) {
    loaded->binary = true;
    return FileError::None;  // Nothing is written: no output to open.
  }
  error = OpenResult(settings, platform, path, output_path, &loaded->input,
                     &loaded->output);
  if (error != FileError::None) return error;
  if (loaded->input.identity.size == 0 && *create == CreateState::Creating) {
    *create = CreateState::Created;
  }
  return FileError::None;
}

}  // namespace

FileProcessor::FileProcessor(const Settings& settings, Platform* platform,
                             Random* random)
    : settings_(settings),
      platform_(platform),
      buffer_(platform),
      new_text_(settings, platform, random) {}

FileProcessor::~FileProcessor() { DropSpare(platform_, &spare_); }

void FileProcessor::PrepareRun() {
  buffer_.Reserve(kInitialBlock);
  new_text_.Prepare();
  matcher_ = std::make_unique<Matcher>(settings_);
  probe_ = std::make_unique<LiteralProbe>(settings_);
  if (settings_.shows_diff())
    preview_ = std::make_unique<DiffPreview>(settings_, platform_);
  int threads = settings_.threads();
  if (threads > 1 && MayLoadAhead(settings_) &&
      platform_->OpensConcurrently()) {
    // The run's own thread loads too, when it finds the next file not
    // started: one worker fewer than threads.
    prefetch_ =
        std::make_unique<Prefetch>(platform_, threads - 1, kLockLaterUpTo);
  }
}

void FileProcessor::DirectoryListed(bool clean,
                                    std::vector<std::string> paths) {
  listing_clean_ = clean;
  if (prefetch_ == nullptr) return;
  if (clean && paths.size() > 1) {
    prefetch_->Start(std::move(paths));
  } else {
    prefetch_->Stop();
  }
}

bool FileProcessor::RenewBetweenFiles(LoadStatus* why) {
  if (new_text_.RenewBetweenFiles()) return true;
  *why = *new_text_.reload_failure();
  return false;
}

FileOutcome FileProcessor::Process(const std::string& path,
                                   const std::string& output_path,
                                   CreateState* create) {
  // An output file appended to is written in place from the first byte:
  // an interruption waits until it is done or cut back. In place the
  // result goes to a journal first, and the writer holds interruptions
  // only while it writes the file; a temporary output is simply deleted.
  const OutputForm form = settings_.output_form();
  bool hold =
      form == OutputForm::kAppendFile || form == OutputForm::kAppendDirectory;
  if (hold) platform_->DeferInterrupts(true);
  visits_.StartName();
  // A file loaded unlocked that changed before its lock is loaded again,
  // locked from the start.
  CreateState before = *create;
  bool reload = false;
  FileOutcome outcome =
      ProcessFile(path, output_path, create, listing_clean_, &reload);
  if (reload) {
    *create = before;
    outcome = ProcessFile(path, output_path, create, false, &reload);
  }
  if (hold) platform_->DeferInterrupts(false);
  return outcome;
}

// Loads the file. A file with an interrupted rewrite's journal beside it
// is recovered first and then loaded again; one whose journal cannot be
// dealt with is not processed.
FileError FileProcessor::Load(const std::string& path,
                              const std::string& output_path,
                              CreateState* create, LoadedFile* loaded,
                              FileOutcome* outcome) {
  CreateState before = *create;
  FileError error = OpenFile(settings_, platform_, path, output_path, create,
                             &buffer_, loaded);
  if (error != FileError::None || !loaded->opened) return error;
  // Once per directory: spare journal files that killed runs left there
  // (not under --diff, which deletes nothing). A listing without the
  // program's names had none to show.
  std::string dir = DirectoryPartOf(path, *platform_);
  if (!settings_.shows_diff() && !listing_clean_ &&
      cleared_.insert(dir).second) {
    ClearDeadSpares(platform_, dir);
  }
  // A file loaded unlocked looks for a journal once it is locked, if it
  // is to be written at all (store/late_lock.h).
  if (!loaded->input.locked) return FileError::None;
  FileIdentity pending;
  const FileIdentity& loaded_as = loaded->input.identity;
  // A file with more names notes its pending rewrite's journal on itself,
  // for the journal may lie beside another of its names.
  bool noted = loaded_as.links > 1 && HasNotedJournal(platform_, path);
  if (!noted && !platform_->IdentifyExact(
                    JournalPathFor(path, loaded_as, *platform_), &pending)) {
    return FileError::None;
  }
  loaded->output.stream.reset();
  loaded->input.stream.reset();
  buffer_.Reset();
  RecoveredRewrite rewrite;
  outcome->recovery =
      noted ? RecoverNoted(platform_, path, settings_.durable(), &rewrite)
            : RecoverFile(platform_, path, settings_.durable(), &rewrite);
  outcome->journal_name_taken = rewrite.name_taken;
  if (!Recovered(outcome->recovery)) return FileError::OpenFailed;
  if (outcome->recovery == Recovery::kFinished &&
      rewrite.digest == settings_.ResultDigest()) {
    CountAsDone(rewrite, outcome);
    return FileError::None;
  }
  *create = before;
  return OpenFile(settings_, platform_, path, output_path, create, &buffer_,
                  loaded);
}

// Until the run has found a match, or a file holding its text with its
// anchor characters as plain ones: whether this file holds that text.
bool FileProcessor::ProbeLiterally(const ReplaceState& state) {
  if (probe_done_ || !probe_->applies()) return false;
  if (state.acted_on > 0 || state.found > 0) {
    probe_done_ = true;
    return false;
  }
  if (!probe_->FoundIn(buffer_.bytes() + buffer_.start, buffer_.size()))
    return false;
  probe_done_ = true;  // Known now: no later file needs looking at.
  return true;
}

FileOutcome FileProcessor::ProcessFile(const std::string& path,
                                       const std::string& output_path,
                                       CreateState* create, bool lock_later,
                                       bool* reload) {
  FileOutcome outcome;
  LoadedFile loaded;
  loaded.visits = &visits_;
  loaded.lock_later = lock_later;
  if (lock_later && prefetch_ != nullptr) {
    prefetch_->Take(path, &loaded.prefetched);
  }
  FileError error = Load(path, output_path, create, &loaded, &outcome);
  if (loaded.passed_over) {
    buffer_.Reset();
    outcome.passed_over = true;
    return outcome;
  }
  if (error != FileError::None || outcome.loaded) {
    buffer_.Reset();
    outcome.error = error;
    return outcome;  // Failed, or finished by its recovery.
  }
  if (loaded.binary) {
    outcome.skipped_binary = true;
    buffer_.Reset();
    return outcome;
  }
  outcome.loaded = true;
  outcome.original_size = buffer_.size();
  outcome.unlocked = loaded.input.unlocked;

  ReplaceState state;
  assert(matcher_ != nullptr);  // PrepareRun comes before any file.
  std::unique_ptr<JournalWriter> journal =
      JournalFor(settings_, platform_, path, loaded, buffer_, &spare_);
  Stream* result = loaded.output.stream.get();
  LateLock late(platform_, path, result, loaded.output.target.loaded_as,
                reinterpret_cast<const char*>(buffer_.bytes()) + buffer_.start);
  if (journal != nullptr && !loaded.input.locked) journal->LockFirstWith(&late);
  DiffSink diff;
  Stream* output = journal != nullptr ? journal.get() : result;
  OutputBuffer out(preview_ != nullptr ? &diff : output);
  Emitter emitter(settings_, &new_text_, &buffer_, &out,
                  platform_->TextBreakLength());
  ResultWriter writer(settings_, platform_, &buffer_, &emitter, &out, result,
                      journal.get(), loaded.output.target, &state);
  ReplaceLoop loop(settings_, &buffer_, matcher_.get(), &writer, &state,
                   [this] { return new_text_.RenewAfterMatch(); });
  if (preview_ != nullptr) writer.DiffInto(&diff);
  loop.Run();
  assert(!state.running());  // The loop ends at the file's end or a failure.
  // Before the commit, which may write the file under a mapped image.
  outcome.literal_seen = ProbeLiterally(state);
  outcome.error = writer.CommitFile();
  if (late.refused() || late.busy()) {
    // Nothing was written. A file another run held too long fails as
    // its locked load would have.
    *reload = late.refused();
    buffer_.Reset();
    FileOutcome unloaded;
    unloaded.error = FileError::OpenFailed;
    return unloaded;
  }
  if (late.unlocked()) outcome.unlocked = true;
  if (journal != nullptr && journal->name_taken()) {
    outcome.journal_name_taken = true;
  }
  if (outcome.ok()) outcome.acted_on = state.acted_on;
  if (preview_ != nullptr && outcome.ok()) {
    outcome.left_out = preview_->Show(
        path, loaded.output.target, loaded.opened, diff,
        reinterpret_cast<const char*>(buffer_.bytes()) + buffer_.start,
        buffer_.size());
  }
  outcome.size_change = state.size_change;
  outcome.bytes_written = state.bytes_written;
  outcome.insert_count = emitter.insert_count();
  outcome.matches_found = state.found;
  outcome.case_differs = state.case_differs;
  outcome.text_added = state.text_added;
  buffer_.Reset();
  return outcome;
}

}  // namespace swu
