// The -R walk over the subdirectories of the starting directory.
//
// How it works: one enumeration of "*.*" (directories included) is kept
// open per depth, 18 at most (depth 0 is the starting directory). Next()
// examines the entries of the deepest open enumeration in order; a plain
// directory (attributes exactly 0x10, name not starting with '.') is
// entered: the directory part, and under -$/-$:B the output path, get its
// name and a separator, and the directory loop processes its files. When
// an enumeration is exhausted the walk goes back up, removing a mirrored
// output directory that this run created and left empty, and restores both
// paths. The result is depth-first pre-order: a directory's files before
// its subdirectories, each subtree before the next sibling.
//
// Guarantees: a directory 18 levels below the start is skipped with a
// warning, never entered; a directory whose path (or mirrored output path)
// would not fit the 261-byte bound is skipped with the same warning; a
// directory holding the marker file this run placed (the output
// directory) is skipped with a warning; a subdirectory that cannot be
// read is handed to the directory loop, which fails it; links to
// directories carry the system attribute and are never entered, nor is a
// directory swapped for a link after it was listed (the platform opens it
// relative to its parent, which this walk's enumeration holds open).
//
// Tested by tests/run/walk_test.cc.

#ifndef SWU_RUN_WALK_H_
#define SWU_RUN_WALK_H_

#include <memory>
#include <string>

#include "base/status.h"
#include "cli/settings.h"
#include "platform/platform.h"
#include "run/file_set.h"

namespace swu {

class DirectoryWalk {
 public:
  static constexpr int kDepths = 18;  // depth 0 (the start) to 17

  enum class Step {
    kDirectory,        // the file set names the next directory
    kFinished,         // the whole tree has been walked
    kOutputDirFailed,  // a mirrored output directory failed
    kUnreadable,       // a subdirectory cannot be read: see unreadable()
  };

  DirectoryWalk(const Settings& settings, Platform* platform, FileSet* files);
  DirectoryWalk(const DirectoryWalk&) = delete;
  DirectoryWalk& operator=(const DirectoryWalk&) = delete;

  // Opens the starting directory (the file set's directory part). Returns
  // false when it cannot be read or yields no entry at all.
  bool Start();

  // Moves the file set to the next directory of the walk. Stops at a
  // subdirectory that is there but cannot be read (Step::kUnreadable); the
  // next call goes on after it.
  Step Next();

  // The subdirectory the last Step::kUnreadable named.
  const std::string& unreadable() const { return unreadable_; }

  // Whether this run created the output directory of the current depth.
  bool created() const { return levels_[depth_].created; }
  void set_created(bool created) { levels_[depth_].created = created; }

  int depth() const { return depth_; }

  // The marker file this run placed, probed for under -$/-$:B.
  void set_marker(const Marker& marker) { marker_ = marker; }

 private:
  struct Level {
    std::unique_ptr<DirEnum> entries;  // "*.*" of this depth's directory
    DirEntry first;                    // the entry FindFirst returned
    bool first_pending = false;        // |first| not yet examined
    size_t parent_dir_length = 0;      // to restore the paths on the way up
    size_t parent_output_length = 0;
    bool created = false;  // this run created the output directory
  };

  bool NextEntry(DirEntry* entry);
  void Leave();
  bool Walkable(const DirEntry& entry) const;
  bool Fits(const std::string& name) const;
  bool Enter(const std::string& name);
  Step MirrorOutput(const std::string& name);

  const Settings& settings_;
  Marker marker_;
  Platform* platform_;
  FileSet* files_;
  int depth_ = -1;
  Level levels_[kDepths];
  std::string unreadable_;  // the subdirectory that could not be read
};

}  // namespace swu

#endif  // SWU_RUN_WALK_H_
