// The set-up and end phases of a run. See driver.h.

#include "run/driver.h"

#include <memory>

#include "report/run_report.h"
#include "report/verbosity.h"
#include "run/directory_loop.h"
#include "run/exit_code.h"
#include "run/file_set.h"
#include "run/run_state.h"
#include "run/walk.h"

namespace swu {

namespace {

// How many marker names a run tries while live runs hold the earlier ones.
constexpr int kMarkerNames = 100;

class Driver {
 public:
  Driver(const Settings& settings, Platform* platform, Random* random,
         FileRunner* runner)
      : settings_(settings),
        platform_(platform),
        random_(random),
        runner_(runner) {}

  int64_t Run(const ParseOutcome& parsed);

 private:
  void SetUpAndProcess();
  bool PrepareOutputDirectory();
  bool PlaceMarker();
  void End(bool from_start, const ParseOutcome& parsed);

  const Settings& settings_;
  Platform* platform_;
  Random* random_;
  FileRunner* runner_;
  RunState state_;
  std::unique_ptr<DirectoryWalk> walk_;
};

int64_t Driver::Run(const ParseOutcome& parsed) {
  state_.status = parsed.status;
  if (settings_.creates_missing_file())
    state_.create = CreateState::CreateRequested;
  bool from_start = state_.status != RunStatus::None || settings_.help();
  if (!from_start) SetUpAndProcess();
  End(from_start, parsed);
  // An interruption held while a file was rewritten ends the run now, as
  // the signal would have, once the run has been reported.
  if (state_.interrupted) platform_->EndByInterrupt();
  return ExitCodeFor(state_.status, settings_.verbosity(),
                     settings_.selection(), state_.totals.found,
                     state_.totals.failed);
}

void Driver::SetUpAndProcess() {
  runner_->PrepareRun();
  SplitFilespec(settings_.split_spec, *platform_, &state_.files.dir_part,
                &state_.files.pattern);
  // A file list stands for the filespec; "no files" names the list.
  if (settings_.files_listed()) state_.files.pattern = settings_.list_name;
  bool recurse = settings_.recurse();
  if (recurse) {
    platform_->SetTreeRoot(state_.files.dir_part);
    walk_ =
        std::make_unique<DirectoryWalk>(settings_, platform_, &state_.files);
    if (!walk_->Start()) return;  // An empty starting directory.
  }
  if (settings_.output_directory()) {
    if (!PrepareOutputDirectory()) return;
    if (recurse && !PlaceMarker()) return;
  }
  // What killed runs left where this one writes goes first.
  if (settings_.shows_diff()) {
    // Nothing is written or deleted.
  } else if (settings_.output_directory()) {
    platform_->RemoveLeftTemporaries(state_.files.output_path);
  } else if (settings_.output_mode()) {
    platform_->RemoveLeftTemporaries(settings_.output_name);
  } else if (settings_.creates_missing_file()) {
    // A file to create is made whole in a temporary beside it.
    platform_->RemoveLeftTemporaries(state_.files.dir_part);
  }
  DirectoryLoop loop(settings_, platform_, runner_, walk_.get(), &state_);
  loop.Run();
}

bool Driver::PrepareOutputDirectory() {
  state_.files.output_path = settings_.output_name;
  bool created = false;
  RunStatus found =
      settings_.shows_diff()
          ? LookForOutputDirectory(state_.files.output_path, platform_)
          : FindOrCreateOutputDirectory(state_.files.output_path, platform_,
                                        &created);
  if (found != RunStatus::None) {
    state_.status = RunStatus::OutputDirFailed;
    return false;
  }
  if (walk_ != nullptr) {
    walk_->set_created(created);
  } else {
    state_.output_created = created;
  }
  state_.files.output_path =
      WithSeparator(state_.files.output_path, *platform_);
  return true;
}

// Writes the marker into the output directory and probes the starting
// directory for it. A name whose marker a live run holds is passed over
// for the next one. Returns false when the run must end here.
bool Driver::PlaceMarker() {
  std::string first = MarkerName(random_);
  Marker marker;
  if (settings_.shows_diff()) {
    // --diff writes no marker: the output directory, where it exists
    // already, is known by its own identity (a marker without a name).
    // The marker's name was still drawn, so that the -K characters that
    // follow are the real run's.
    platform_->Identify(state_.files.output_path, &marker.identity);
  } else {
    // The first name is every run's, so that a killed run's marker is
    // taken over; the others differ between processes.
    Random own;
    std::string other = MarkerName(&own, platform_->NameBits());
    MarkerWrite result = MarkerWrite::kHeld;
    for (int k = 0; k < kMarkerNames && result == MarkerWrite::kHeld; ++k) {
      marker.name = MarkerCandidate(k == 0 ? first : other, k);
      result = WriteMarker(state_.files.output_path + marker.name, platform_,
                           &state_.marker);
    }
    if (result != MarkerWrite::kPlaced)
      state_.status = RunStatus::DirUnreadable;
    marker.identity = state_.marker.identity;
  }
  walk_->set_marker(marker);
  if (state_.status == RunStatus::None &&
      HasMarker(state_.files.dir_part, marker, platform_)) {
    ReportDirectorySkipped(state_.files.dir_part, settings_.verbosity(),
                           platform_);
    return false;
  }
  return state_.status == RunStatus::None;
}

void Driver::End(bool from_start, const ParseOutcome& parsed) {
  if (!from_start && state_.totals.nothing_done() &&
      state_.status != RunStatus::OutputDirFailed &&
      state_.status != RunStatus::DirUnreadable) {
    state_.status = RunStatus::NoFiles;
  }
  // Deleted while still locked, so that no other run takes it over first.
  if (!state_.marker.path.empty()) platform_->DeleteFile(state_.marker.path);
  state_.marker.stream.reset();
  if (!settings_.help() && (state_.status == RunStatus::None ||
                            state_.status == RunStatus::OutputDirFailed)) {
    ReportTotals(state_.totals, settings_, platform_);
    ReportNotes(state_.totals, settings_, platform_);
  }
  if (state_.status != RunStatus::None &&
      Shows(Output::kRunError, settings_.verbosity())) {
    RunErrorNames names;
    names.bad_text_marked = parsed.bad_text_marked;
    names.bad_text = parsed.bad_text;
    names.pattern = state_.files.pattern;
    names.output_directory = state_.files.output_path;
    names.new_reload = state_.new_reload;
    ReportRunError(state_.status, names, settings_, platform_);
  }
  if (settings_.pauses_at_end() && !state_.interrupted) {
    ReportPausePrompt(settings_.verbosity(), platform_);
    platform_->ReadKey();
    ReportPauseEnd(settings_.verbosity(), platform_);
  }
}

}  // namespace

int64_t RunParsed(const ParseOutcome& parsed, const Settings& settings,
                  Platform* platform, Random* random, FileRunner* runner) {
  Driver driver(settings, platform, random, runner);
  return driver.Run(parsed);
}

}  // namespace swu
