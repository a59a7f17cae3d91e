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
#include "store/file_store.h"
#include "store/journal_writer.h"
#include "store/late_lock.h"

namespace swu {

namespace {

constexpr int64_t kInitialBlock = 32768;

// True when the run rewrites files in place, the one way of running whose
// files a worker may load ahead: unlocked, to be locked before a write.
bool MayLoadAhead(const Settings& settings) {
  return !settings.output_mode() && !settings.report_only() &&
         !settings.shows_diff();
}

}  // namespace

FileProcessor::FileProcessor(const Settings& settings, Platform* platform,
                             Random* random)
    : settings_(settings),
      platform_(platform),
      buffer_(platform),
      new_text_(settings, platform, platform, random),
      store_(settings, platform) {}

FileProcessor::~FileProcessor() = default;

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
  store_.ListingClean(clean);
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
  OpenedFile loaded;
  loaded.lock_later = lock_later;
  if (lock_later && prefetch_ != nullptr) {
    prefetch_->Take(path, &loaded.ahead);
  }
  FileError error = store_.Open(path, output_path, create, &visits_, &buffer_,
                                &loaded, &outcome);
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
      store_.JournalFor(path, loaded, buffer_);
  File* result = loaded.output.stream.get();
  LateLock late(platform_, *platform_, path, result,
                loaded.output.target.loaded_as,
                reinterpret_cast<const char*>(buffer_.bytes()) + buffer_.start);
  if (journal != nullptr && !loaded.input.locked) journal->LockFirstWith(&late);
  DiffSink diff;
  ByteSink* output = result;
  if (journal != nullptr) output = journal.get();
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
        path, loaded.output.target, loaded.existed, diff,
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
