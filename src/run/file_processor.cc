// One file through loading, the replace loop and the commit.

#include "run/file_processor.h"

#include "output/emitter.h"
#include "output/new_text.h"
#include "output/output_buffer.h"
#include "output/result_writer.h"
#include "search/file_buffer.h"
#include "search/loader.h"
#include "search/matcher.h"
#include "search/replace_loop.h"
#include "search/replace_state.h"

namespace swu {

namespace {

constexpr int64_t kInitialBlock = 32768;

}  // namespace

struct FileProcessor::Impl {
  Impl(const Settings& s, Platform* p, Random* r)
      : settings(s), platform(p), buffer(p), new_text(s, p, r) {}

  const Settings& settings;
  Platform* platform;
  FileBuffer buffer;
  NewText new_text;
  bool no_amp = false;  // run-wide: the new text holds no '&'
};

FileProcessor::FileProcessor(const Settings& settings, Platform* platform,
                             Random* random)
    : impl_(new Impl(settings, platform, random)) {}

FileProcessor::~FileProcessor() { delete impl_; }

void FileProcessor::PrepareRun() {
  impl_->buffer.Reserve(kInitialBlock);
  impl_->new_text.Prepare();
}

bool FileProcessor::RenewBetweenFiles(LoadStatus* why) {
  if (impl_->new_text.Renew(/*per_match=*/false)) return true;
  *why = impl_->new_text.reload_failure();
  return false;
}

FileOutcome FileProcessor::Process(const std::string& path,
                                   const std::string& output_path,
                                   CreateState* create) {
  FileOutcome outcome;
  if (path.empty()) {
    outcome.status = static_cast<FileStatus>(FileError::NameTooLong);
    return outcome;
  }
  Impl& impl = *impl_;
  // From the load to the commit an interruption waits, so that the file
  // ends as the result or, when it fails, as it was, never torn.
  impl.platform->DeferInterrupts(true);
  outcome = ProcessDeferred(path, output_path, create);
  impl.platform->DeferInterrupts(false);
  return outcome;
}

FileOutcome FileProcessor::ProcessDeferred(const std::string& path,
                                           const std::string& output_path,
                                           CreateState* create) {
  FileOutcome outcome;
  Impl& impl = *impl_;
  const Settings& settings = impl.settings;
  LoadedFile loaded;
  FileError error = LoadCurrentFile(settings, impl.platform, path, output_path,
                                    create, &impl.buffer, &loaded);
  if (error != FileError::None) {
    impl.buffer.Reset();
    outcome.status = static_cast<FileStatus>(error);
    return outcome;
  }
  outcome.loaded = true;
  outcome.original_size = impl.buffer.size();

  ReplaceState state;
  Matcher matcher(settings);
  OutputBuffer out(loaded.stream.get());
  Emitter emitter(settings, impl.new_text, &impl.buffer, &out, &impl.no_amp);
  ResultWriter writer(settings, impl.platform, &impl.buffer, &emitter, &out,
                      loaded.target, &state);
  ReplaceLoop loop(settings, &impl.buffer, &matcher, &writer, &state,
                   [&impl] { return impl.new_text.Renew(/*per_match=*/true); });
  loop.Run();
  outcome.status = writer.CommitFile();
  outcome.size_change = state.size_change;
  outcome.bytes_written = state.bytes_written;
  outcome.insert_count = emitter.insert_count();
  outcome.matches_found = state.found;
  outcome.text_added = state.text_added;
  impl.buffer.Reset();
  return outcome;
}

}  // namespace swu
