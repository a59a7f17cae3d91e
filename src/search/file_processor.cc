// One file through loading, the replace loop and the commit.

#include "search/file_processor.h"

#include "output/emitter.h"
#include "output/function_chars.h"
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
  Impl(Settings* s, Platform* p, Random* r)
      : settings(s), platform(p), random(r), buffer(p) {}

  // -K:RM: fresh characters after every acted-on match.
  bool RenewPerMatch() {
    if (!ResetWanted(*settings, /*per_match=*/true)) return true;
    return RenewNewText(settings, platform, random);
  }

  Settings* settings;
  Platform* platform;
  Random* random;
  FileBuffer buffer;
  bool no_amp = false;  // run-wide: the new text holds no '&'
};

FileProcessor::FileProcessor(Settings* settings, Platform* platform,
                             Random* random)
    : impl_(new Impl(settings, platform, random)) {}

FileProcessor::~FileProcessor() { delete impl_; }

void FileProcessor::Reserve() { impl_->buffer.Reserve(kInitialBlock); }

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
  const Settings& settings = *impl.settings;
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
  Emitter emitter(settings, &impl.buffer, &out, &impl.no_amp);
  ResultWriter writer(settings, impl.platform, &impl.buffer, &emitter, &out,
                      loaded.target, &state);
  ReplaceLoop loop(settings, &impl.buffer, &matcher, &emitter, &writer, &state,
                   [&impl] { return impl.RenewPerMatch(); });
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
