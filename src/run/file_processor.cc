// One file through loading, the replace loop and the commit.

#include "run/file_processor.h"

#include <cassert>
#include <memory>
#include <set>
#include <string>

#include "output/diff_sink.h"
#include "output/emitter.h"
#include "output/journal_format.h"
#include "output/journal_writer.h"
#include "output/new_text.h"
#include "output/output_buffer.h"
#include "output/recovery.h"
#include "output/result_writer.h"
#include "run/diff_preview.h"
#include "search/file_buffer.h"
#include "search/loader.h"
#include "search/matcher.h"
#include "search/replace_loop.h"
#include "search/replace_state.h"

namespace swu {

namespace {

constexpr int64_t kInitialBlock = 32768;

// The journal an in-place rewrite of |path| writes its result to first;
// null where the result goes elsewhere or nothing is written.
std::unique_ptr<JournalWriter> JournalFor(Platform* platform,
                                          const std::string& path,
                                          const LoadedFile& loaded,
                                          SpareJournal* spare) {
  if (!loaded.target.in_place || !loaded.target.writable) return nullptr;
  const FileIdentity& as = loaded.target.loaded_as;
  JournalHeader header;
  header.device = as.device;
  header.file_number = as.file_number;
  header.original_size = as.size;
  header.original_modified = as.modified;
  std::string dir = DirectoryPartOf(path, *platform);
  header.name = path.substr(dir.size());
  return std::make_unique<JournalWriter>(
      platform, JournalPathFor(path, as, *platform), std::move(header), spare);
}

}  // namespace

struct FileProcessor::Impl {
  Impl(const Settings& s, Platform* p, Random* r)
      : settings(s), platform(p), buffer(p), new_text(s, p, r) {}

  const Settings& settings;
  Platform* platform;
  FileBuffer buffer;
  NewText new_text;
  // The run's matcher, shared by every file; made in PrepareRun, outside
  // any file's window of held interruptions.
  std::unique_ptr<Matcher> matcher;
  SpareJournal spare;  // the last journal file, kept for the next file
  std::set<std::string> cleared;         // directories cleared of dead spares
  std::unique_ptr<DiffPreview> preview;  // --diff
};

FileProcessor::FileProcessor(const Settings& settings, Platform* platform,
                             Random* random)
    : impl_(new Impl(settings, platform, random)) {}

FileProcessor::~FileProcessor() {
  DropSpare(impl_->platform, &impl_->spare);
  delete impl_;
}

void FileProcessor::PrepareRun() {
  impl_->buffer.Reserve(kInitialBlock);
  impl_->new_text.Prepare();
  impl_->matcher = std::make_unique<Matcher>(impl_->settings);
  if (impl_->settings.shows_diff()) {
    impl_->preview =
        std::make_unique<DiffPreview>(impl_->settings, impl_->platform);
  }
}

bool FileProcessor::RenewBetweenFiles(LoadStatus* why) {
  if (impl_->new_text.RenewBetweenFiles()) return true;
  *why = *impl_->new_text.reload_failure();
  return false;
}

FileOutcome FileProcessor::Process(const std::string& path,
                                   const std::string& output_path,
                                   CreateState* create) {
  // An output file appended to is written in place from the first byte:
  // an interruption waits until it is done or cut back. In place the
  // result goes to a journal first, and the writer holds interruptions
  // only while it writes the file; a temporary output is simply deleted.
  const OutputForm form = impl_->settings.output_form();
  bool hold =
      form == OutputForm::kAppendFile || form == OutputForm::kAppendDirectory;
  if (hold) impl_->platform->DeferInterrupts(true);
  FileOutcome outcome = ProcessFile(path, output_path, create);
  if (hold) impl_->platform->DeferInterrupts(false);
  return outcome;
}

// Loads the file. A file with an interrupted rewrite's journal beside it
// is recovered first and then loaded again; one whose journal cannot be
// dealt with is not processed.
FileError FileProcessor::Load(const std::string& path,
                              const std::string& output_path,
                              CreateState* create, LoadedFile* loaded,
                              FileOutcome* outcome) {
  Impl& impl = *impl_;
  CreateState before = *create;
  FileError error = LoadCurrentFile(impl.settings, impl.platform, path,
                                    output_path, create, &impl.buffer, loaded);
  if (error != FileError::None || !loaded->opened) return error;
  // Once per directory: spare journal files that killed runs left there
  // (not under --diff, which deletes nothing).
  std::string dir = DirectoryPartOf(path, *impl.platform);
  if (!impl.settings.shows_diff() && impl.cleared.insert(dir).second)
    ClearDeadSpares(impl.platform, dir);
  FileIdentity pending;
  if (!impl.platform->IdentifyExact(
          JournalPathFor(path, loaded->input, *impl.platform), &pending)) {
    return FileError::None;
  }
  loaded->stream.reset();
  impl.buffer.Reset();
  outcome->recovery = RecoverFile(impl.platform, path, impl.settings.durable());
  if (!Recovered(outcome->recovery)) return FileError::OpenFailed;
  *create = before;
  return LoadCurrentFile(impl.settings, impl.platform, path, output_path,
                         create, &impl.buffer, loaded);
}

FileOutcome FileProcessor::ProcessFile(const std::string& path,
                                       const std::string& output_path,
                                       CreateState* create) {
  FileOutcome outcome;
  Impl& impl = *impl_;
  const Settings& settings = impl.settings;
  LoadedFile loaded;
  FileError error = Load(path, output_path, create, &loaded, &outcome);
  if (error != FileError::None) {
    impl.buffer.Reset();
    outcome.status = static_cast<FileStatus>(error);
    return outcome;
  }
  outcome.loaded = true;
  outcome.original_size = impl.buffer.size();
  outcome.unlocked = loaded.unlocked;

  ReplaceState state;
  assert(impl.matcher != nullptr);  // PrepareRun comes before any file.
  std::unique_ptr<JournalWriter> journal =
      JournalFor(impl.platform, path, loaded, &impl.spare);
  DiffSink diff;
  Stream* output = journal != nullptr ? journal.get() : loaded.stream.get();
  OutputBuffer out(impl.preview != nullptr ? &diff : output);
  Emitter emitter(settings, &impl.new_text, &impl.buffer, &out);
  ResultWriter writer(settings, impl.platform, &impl.buffer, &emitter, &out,
                      loaded.stream.get(), journal.get(), loaded.target,
                      &state);
  ReplaceLoop loop(settings, &impl.buffer, impl.matcher.get(), &writer, &state,
                   [&impl] { return impl.new_text.RenewAfterMatch(); });
  if (impl.preview != nullptr) writer.DiffInto(&diff);
  loop.Run();
  outcome.status = writer.CommitFile();
  if (impl.preview != nullptr && outcome.status >= 0) {
    impl.preview->Show(
        path, loaded, diff,
        reinterpret_cast<const char*>(impl.buffer.bytes()) + impl.buffer.start,
        impl.buffer.size());
  }
  outcome.size_change = state.size_change;
  outcome.bytes_written = state.bytes_written;
  outcome.insert_count = emitter.insert_count();
  outcome.matches_found = state.found;
  outcome.text_added = state.text_added;
  impl.buffer.Reset();
  return outcome;
}

}  // namespace swu
