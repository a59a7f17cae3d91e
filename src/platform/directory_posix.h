// Directories for the POSIX layer: file enumerations, and the -R walk's
// directories held open.
//
// Under -R (SetTreeRoot) a file enumeration with a wildcard pattern leaves out
// a symbolic link whose target lies outside the walk's starting directory.
// The walk's enumerations keep their directories open, so that what was
// listed is what gets used even if the tree's owner swaps an entry for a
// link meanwhile: a subdirectory is opened relative to its parent with
// O_NOFOLLOW, and a listed file relative to its directory, with O_NOFOLLOW
// when it was listed as a plain file, or, when it was a link, only if it
// still names the file it named then (the fstat the open makes anyway).
//
// Attributes of an entry follow the DOS bits the program tests: directory
// 0x10 (never read-only: a directory the process may not write is still
// walked); read-only 0x01 when the process may not write a file; hidden 0x02
// for a name beginning with '.'; archive 0x20 for a regular file; system 0x04
// for anything else (device, FIFO, socket, dangling link) and for a symbolic
// link to a directory. A link to a regular file counts as that file.

#ifndef SWU_PLATFORM_DIRECTORY_POSIX_H_
#define SWU_PLATFORM_DIRECTORY_POSIX_H_

#include <sys/stat.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/file_posix.h"
#include "platform/path_resolver_posix.h"
#include "platform/platform.h"
#include "platform/scoped_posix.h"

namespace swu {

struct HeldDirectory;

// The directories the -R walk holds open, by their resolved path ("" or
// ending in '/').
using HeldDirectories = std::unordered_map<std::string, HeldDirectory*>;

// Enumerates directories, and under -R holds the walk's directories open
// and opens what they listed as it was listed. Paths go through
// |resolver|, which must outlive this.
class Directories {
 public:
  explicit Directories(PathResolver* resolver) : resolver_(resolver) {}

  // Starts the -R walk at |directory| (resolved; "" is the current one).
  void SetTreeRoot(const std::string& directory);

  // Platform::FindFirst: the first entry matching |pattern| in *first and
  // an enumeration of the rest, or nullptr when nothing matches.
  std::unique_ptr<DirEnum> FindFirst(const std::string& pattern,
                                     bool include_directories, DirEntry* first);

  // True when the resolved |directory| exists but cannot be read.
  bool CannotRead(const std::string& directory);

  // Under -R, the directory the walk holds open for |path|'s directory
  // part, as a descriptor, with |path|'s last name in *name: the program's
  // own names there are made, renamed and removed in that directory even
  // if its path has been swapped for a link since. AT_FDCWD otherwise.
  int HeldDirectoryOf(const std::string& path, std::string* name);

  // Under -R, opens a file that the last enumeration of its directory
  // listed, relative to that directory and as it was listed, storing the
  // descriptor (empty on failure) in *fd and its stat in *opened when not
  // null. Returns false, *fd untouched, when |path| (resolved) is not such
  // a file.
  bool OpenListed(const std::string& path, OpenMode mode, ScopedFd* fd,
                  struct stat* opened);

 private:
  // Opens the directory |dir| ("" is the current one) for reading.
  ScopedDir OpenDirectory(const std::string& dir);

  // Under -R, the notes of the walk's open directory |dir|, cleared for a
  // file enumeration to fill. Null otherwise.
  std::unordered_map<std::string, Listed>* NotesFor(const std::string& dir);

  PathResolver* const resolver_;
  std::string tree_root_;  // -R: the real path of the walk's start
  HeldDirectories held_;   // -R: the directories the walk holds open
};

// Stores in *names the sorted names in the resolved |directory| that begin
// with |prefix|. Returns false when the directory cannot be read.
bool ListNamesStartingWith(const std::string& directory,
                           const std::string& prefix,
                           std::vector<std::string>* names);

// Stores in *names the sorted names of the subdirectories of the resolved
// |directory|, links to directories left out. Returns false when the
// directory cannot be read.
bool ListSubdirectories(const std::string& directory,
                        std::vector<std::string>* names);

}  // namespace swu

#endif  // SWU_PLATFORM_DIRECTORY_POSIX_H_
