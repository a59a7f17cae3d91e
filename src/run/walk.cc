// The -R walk. See walk.h for how it works.

#include "run/walk.h"

#include <cassert>

#include "report/run_report.h"

namespace swu {

namespace {

constexpr char kEverything[] = "*.*";

}  // namespace

DirectoryWalk::DirectoryWalk(const Settings& settings, Platform* platform,
                             FileSet* files)
    : settings_(settings), platform_(platform), files_(files) {}

bool DirectoryWalk::Start() {
  depth_ = 0;
  Level& level = levels_[0];
  level.entries =
      platform_->FindFirst(files_->dir_part + kEverything, true, &level.first);
  level.first_pending = level.entries != nullptr;
  return level.entries != nullptr;
}

bool DirectoryWalk::NextEntry(DirEntry* entry) {
  Level& level = levels_[depth_];
  if (level.first_pending) {
    level.first_pending = false;
    *entry = level.first;
    return true;
  }
  return level.entries != nullptr && level.entries->Next(entry);
}

void DirectoryWalk::Leave() {
  assert(depth_ > 0);
  Level& level = levels_[depth_];
  if (settings_.output_directory() && level.created) {
    // Fails harmlessly when files were written there.
    platform_->RemoveDirectory(WithoutSeparator(files_->output_path));
  }
  level.entries.reset();
  level.created = false;
  files_->dir_part.resize(level.parent_dir_length);
  if (settings_.output_directory()) {
    files_->output_path.resize(level.parent_output_length);
  }
  --depth_;
}

bool DirectoryWalk::Walkable(const DirEntry& entry) const {
  return entry.attributes == kAttrDirectory && !entry.name.empty() &&
         entry.name[0] != '.';
}

// A directory whose enumeration path or mirrored output path would not fit
// the path bound cannot be named, so it is left out (with a warning).
bool DirectoryWalk::Fits(const std::string& name) const {
  size_t enumeration =
      files_->dir_part.size() + name.size() + 1 + sizeof(kEverything) - 1;
  if (enumeration > static_cast<size_t>(kMaxText)) return false;
  if (!settings_.output_directory()) return true;
  return files_->output_path.size() + name.size() + 1 <=
         static_cast<size_t>(kMaxText);
}

// Opens the enumeration of the subdirectory |name| one level down and
// makes it the current directory. Returns false (nothing changed) when it
// cannot be read or is empty.
bool DirectoryWalk::Enter(const std::string& name) {
  std::string directory = files_->dir_part + name + platform_->PathSeparator();
  Level& child = levels_[depth_ + 1];
  child.entries =
      platform_->FindFirst(directory + kEverything, true, &child.first);
  if (child.entries == nullptr) return false;
  child.first_pending = true;
  child.created = false;
  child.parent_dir_length = files_->dir_part.size();
  child.parent_output_length = files_->output_path.size();
  ++depth_;
  files_->dir_part = directory;
  return true;
}

DirectoryWalk::Step DirectoryWalk::MirrorOutput(const std::string& name) {
  files_->output_path += name;
  bool created = false;
  RunStatus found = settings_.shows_diff()
                        ? LookForOutputDirectory(files_->output_path, platform_)
                        : FindOrCreateOutputDirectory(files_->output_path,
                                                      platform_, &created);
  if (found != RunStatus::None) return Step::kOutputDirFailed;
  set_created(created);
  files_->output_path = WithSeparator(files_->output_path, *platform_);
  // A killed run's temporaries (not under --diff, which deletes nothing).
  if (!settings_.shows_diff())
    platform_->RemoveLeftTemporaries(files_->output_path);
  return Step::kDirectory;
}

DirectoryWalk::Step DirectoryWalk::Next() {
  assert(depth_ >= 0);
  DirEntry entry;
  for (;;) {
    if (!NextEntry(&entry)) {
      if (depth_ == 0) return Step::kFinished;
      Leave();
      continue;
    }
    if (!Walkable(entry)) continue;
    // Too deep, or a path that would not fit: the user is told which
    // subtree is left out.
    if (depth_ == kDepths - 1 || !Fits(entry.name)) {
      ReportTreeSkipped(files_->dir_part, entry.name, settings_.verbosity(),
                        platform_);
      continue;
    }
    if (settings_.output_directory() &&
        HasMarker(files_->dir_part + entry.name, marker_, platform_)) {
      ReportDirectorySkipped(files_->dir_part + entry.name,
                             settings_.verbosity(), platform_);
      continue;
    }
    if (!Enter(entry.name)) {
      // Empty, or gone meanwhile: nothing to say. Unreadable: its files
      // are never seen, which the user must be told.
      std::string directory = files_->dir_part + entry.name;
      if (!platform_->CannotReadDirectory(directory +
                                          platform_->PathSeparator())) {
        continue;
      }
      unreadable_ = directory;
      return Step::kUnreadable;
    }
    if (settings_.output_directory()) return MirrorOutput(entry.name);
    return Step::kDirectory;
  }
}

}  // namespace swu
