// The directory loop and per-file sequence. See directory_loop.h.

#include "run/directory_loop.h"

#include <memory>

#include "report/recovery_report.h"
#include "run/listed_output.h"
#include "store/journal_names.h"

namespace swu {

namespace {

// True when a name in |path| is longer than file systems take: for a file
// that could not be opened or created, the likely cause (a typed name: a
// -T:C or -B:C file to create, a -$:F or -$:A output). Then stores the
// path's two halves and the limit in *names, so the message tells it. Only
// asked after a failure: a file system with longer names still has its
// files processed.
bool RefusesName(const Platform& platform, const std::string& path,
                 FileNames* names) {
  if (!platform.NameTooLong(path)) return false;
  names->long_directory = DirectoryPartOf(path, platform);
  names->long_name = path.substr(names->long_directory.size());
  names->long_limit = kLongestName;
  return true;
}

// True when |error|, a file that could not be opened or whose output could
// not be made, is better told as a name too long: the output's name first
// for an output that failed, the file's own (a -T:C file is created in
// place) after it.
bool NameWasTooLong(FileError error, const Platform& platform,
                    FileNames* names) {
  if (error == FileError::OpenFailed) {
    return RefusesName(platform, names->path, names);
  }
  if (error == FileError::WriteOpenFailed) {
    return RefusesName(platform, names->output_file, names) ||
           RefusesName(platform, names->path, names);
  }
  return false;
}

}  // namespace

DirectoryLoop::DirectoryLoop(const Settings& settings, Platform* platform,
                             FileRunner* runner, DirectoryWalk* walk,
                             RunState* state)
    : settings_(settings),
      platform_(platform),
      runner_(runner),
      walk_(walk),
      state_(state) {}

void DirectoryLoop::Run() {
  if (settings_.files_listed()) {
    RunListed();
    return;
  }
  for (;;) {
    RunDirectory();
    if (LoopEnds()) return;
    switch (NextDirectory()) {
      case DirectoryWalk::Step::kDirectory:
        continue;
      case DirectoryWalk::Step::kUnreadable:
        return;  // -S stopped at it, or an interruption came.
      case DirectoryWalk::Step::kOutputDirFailed:
        state_->status = RunStatus::OutputDirFailed;
        return;
      case DirectoryWalk::Step::kFinished:
        // Nothing anywhere in the tree: create the file in the starting
        // directory, where the walk has ended.
        if (state_->create == CreateState::CreateRequested &&
            state_->totals.nothing_done()) {
          state_->create = CreateState::Creating;
          RunDirectory();
        }
        return;
    }
  }
}

// The walk's next directory. A subdirectory the walk cannot read fails as
// a file does (reported, counted, and -S stops there).
DirectoryWalk::Step DirectoryLoop::NextDirectory() {
  DirectoryWalk::Step step;
  while ((step = walk_->Next()) == DirectoryWalk::Step::kUnreadable) {
    FileOutcome outcome;
    outcome.error = FileError::DirectoryUnreadable;
    FileNames names;
    names.path = walk_->unreadable();
    ReportFile(outcome, names, settings_, state_->create, platform_,
               &state_->totals);
    if (LoopEnds()) break;
  }
  return step;
}

bool DirectoryLoop::LoopEnds() const {
  return renew_failed_ || state_->interrupted || walk_ == nullptr ||
         state_->create == CreateState::Creating ||
         state_->create == CreateState::Created ||
         (settings_.stop_on_error() && state_->totals.failed != 0);
}

// Without -R a missing file is created at once; with -R only once the
// whole walk has found no file (the loop then sets Creating itself).
bool DirectoryLoop::CreatesHere() const {
  if (walk_ != nullptr) return state_->create == CreateState::Creating;
  return state_->create == CreateState::CreateRequested;
}

void DirectoryLoop::RunDirectory() {
  const FileSet& files = state_->files;
  DirEntry entry;
  std::unique_ptr<DirEnum> entries;
  if (!files.pattern.empty()) {
    entries =
        platform_->FindFirst(files.dir_part + files.pattern, false, &entry);
  }
  if (entries == nullptr) {
    if (!CreatesHere()) return;  // Nothing to process here.
    state_->create = CreateState::Creating;
    ProcessCreated();
    AfterFile(false);
    return;
  }
  std::vector<std::string> names = {entry.name};
  while (entries->Next(&entry)) names.push_back(entry.name);
  std::vector<std::string> paths;
  for (const std::string& name : names) paths.push_back(files.dir_part + name);
  runner_->DirectoryListed(!entries->MayHoldReservedNames(), paths);
  for (size_t i = 0; i < names.size(); ++i) {
    ProcessFile(paths[i], names[i]);
    bool waiting =
        state_->create != CreateState::Created && i + 1 < names.size();
    if (AfterFile(waiting)) break;
  }
  runner_->DirectoryListed(false, {});
}

// The files of the list, in its order.
void DirectoryLoop::RunListed() {
  const std::vector<std::string>& files = settings_.listed_files;
  std::string current;
  if (settings_.output_directory() &&
      !platform_->GetCurrentDirectory(&current)) {
    current.clear();  // Only relative paths find their place then.
  }
  for (size_t i = 0; i < files.size(); ++i) {
    ProcessListed(files[i], current);
    if (AfterFile(i + 1 < files.size())) return;
  }
  RemoveUnusedOutputDirectory();  // An empty list.
}

// One listed file. Under -$ its output takes the path the list gives,
// relative to the current directory |current|, in the output directory,
// whose missing subdirectories are made first; a path outside |current|
// has no place there and fails as an output that cannot be written.
void DirectoryLoop::ProcessListed(const std::string& path,
                                  const std::string& current) {
  if (!settings_.output_directory()) {
    ProcessFile(path, path);
    return;
  }
  std::string name;
  if (!ListedOutputName(path, current, *platform_, &name)) {
    FileNames names;
    names.path = path;
    names.pattern = path;
    names.output_target = state_->files.output_path;
    FileOutcome outcome;
    outcome.error = FileError::WriteOpenFailed;
    ReportFile(outcome, names, settings_, state_->create, platform_,
               &state_->totals);
    return;
  }
  std::string directory =
      DirectoryPartOf(state_->files.output_path + name, *platform_);
  if (!settings_.shows_diff() && directory != state_->files.output_path) {
    bool created = false;  // A failure fails the file when it is written.
    FindOrCreateOutputDirectory(directory, platform_, &created);
  }
  ProcessFile(path, name);
}

// The file to create is <filespec> as given; under -$ its result goes to
// the output directory under the name of the file pattern.
void DirectoryLoop::ProcessCreated() {
  ProcessFile(settings_.filespec, state_->files.pattern);
}

std::string DirectoryLoop::OutputFileFor(const std::string& name) const {
  if (settings_.output_directory()) return state_->files.output_path + name;
  if (settings_.output_mode()) return settings_.output_name;
  return std::string();
}

// The per-file sequence for the file |path|, whose entry name is |name|.
void DirectoryLoop::ProcessFile(const std::string& path,
                                const std::string& name) {
  FileNames names;
  names.path = path;
  // A listed file's output is named by its own path.
  names.pattern = settings_.files_listed() ? name : state_->files.pattern;
  names.output_file = OutputFileFor(name);
  names.output_target = settings_.output_directory()
                            ? state_->files.output_path
                            : std::string(settings_.output_name);
  FileOutcome outcome;
  if (path.size() > static_cast<size_t>(kMaxText)) {
    outcome.error = FileError::NameTooLong;
    names.long_directory = state_->files.dir_part;
    names.long_name = name;
  } else if (names.output_file.size() > static_cast<size_t>(kMaxText)) {
    // The output directory plus the name does not fit a path.
    outcome.error = FileError::NameTooLong;
    names.long_directory = state_->files.output_path;
    names.long_name = name;
  } else {
    outcome = runner_->Process(path, names.output_file, &state_->create);
    ReportRecovery(outcome.recovery, path, settings_.verbosity(), platform_);
    if (outcome.loaded) ReportDetail(outcome, names, settings_, platform_);
    if (NameWasTooLong(outcome.error, *platform_, &names)) {
      outcome.error = FileError::NameTooLong;
    }
  }
  ReportFile(outcome, names, settings_, state_->create, platform_,
             &state_->totals);
}

// The steps between files. |waiting| says another entry follows. Returns
// true when the directory has ended.
bool DirectoryLoop::AfterFile(bool waiting) {
  bool ended = !waiting;
  if (platform_->Interrupted()) {
    // Interrupted during the file: it is done, start no further one.
    state_->interrupted = true;
    ended = true;
  }
  if (settings_.stop_on_error() && state_->totals.failed != 0) {
    if (waiting) state_->totals.stopped_with_files_left = true;
    ended = true;
  }
  LoadStatus why;
  if (!runner_->RenewBetweenFiles(&why)) {
    // <new> could not be read again: no later file may get a damaged text.
    state_->new_reload = why;
    state_->status = RunStatus::TextFileFailed;
    renew_failed_ = true;
    ended = true;
  }
  if (ended) RemoveUnusedOutputDirectory();
  return ended;
}

// An output directory that this run created and that received nothing is
// removed again; a directory the user made is never touched.
void DirectoryLoop::RemoveUnusedOutputDirectory() {
  if (!settings_.output_directory()) return;
  const RunTotals& totals = state_->totals;
  if (totals.files > totals.failed) return;
  bool created = walk_ != nullptr ? walk_->created() : state_->output_created;
  if (!created) return;
  // Fails harmlessly on a directory that is not empty.
  platform_->RemoveDirectory(WithoutSeparator(state_->files.output_path));
}

}  // namespace swu
