// Directories for the Windows layer: file enumerations and listings.
//
// Only '\' and ':' end the directory part of an enumeration pattern, as in
// the filespec split, so a '/' in the name part matches nothing rather than
// naming entries of another directory. Every name is listed wide and
// matched here, every letter upper-cased as the system compares them.
//
// Attributes of an entry are the low eight bits the file system reports
// (read-only 0x01, hidden 0x02, system 0x04, directory 0x10, archive 0x20).
// A directory that is a reparse point (a junction or a symbolic link)
// counts as a system entry too, so that a walk never follows one, as the
// POSIX layer treats a symbolic link to a directory.

#ifndef SWU_PLATFORM_DIRECTORY_WIN32_H_
#define SWU_PLATFORM_DIRECTORY_WIN32_H_

#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace swu {

// Enumerates directories; under -R leaves links out of the walk's tree out
// of the file enumerations.
class Directories {
 public:
  // Starts the -R walk at |directory| ("" is the current one).
  void SetTreeRoot(const std::string& directory);

  // Platform::FindFirst: the first entry matching |pattern| in *first and
  // an enumeration of the rest, or nullptr when nothing matches.
  std::unique_ptr<DirEnum> FindFirst(const std::string& pattern,
                                     bool include_directories,
                                     DirEntry* first) const;

 private:
  // True when the link |path| leads outside the walk's tree: a walk
  // never reaches a file there.
  bool LeadsOutsideTree(const std::string& path) const;

  // Reads the entries of |dir| that match |pattern|, leaving out '.', '..',
  // hidden and system entries, and directories unless asked for. Sorted.
  std::vector<DirEntry> ReadEntries(const std::string& dir,
                                    const std::string& pattern,
                                    bool include_directories) const;

  std::string tree_root_;  // the -R walk's start, as FinalPath gives it
};

// Stores in *names the sorted names in |directory| (ending in a separator
// or "") that begin with |prefix|. Returns false when the directory cannot
// be read.
bool ListNamesStartingWith(const std::string& directory,
                           const std::string& prefix,
                           std::vector<std::string>* names);

// Stores in *names the sorted names of the subdirectories of |directory|,
// junctions and links left out. Returns false when the directory cannot be
// read.
bool ListSubdirectories(const std::string& directory,
                        std::vector<std::string>* names);

// True when |directory| exists but cannot be listed.
bool CannotReadDirectory(const std::string& directory);

// Each part of |path| that exists as the file system spells it. Drives,
// "." and ".." stay as they are, and so does everything from the first
// part that does not exist.
std::string SpeltPath(const std::string& path);

}  // namespace swu

#endif  // SWU_PLATFORM_DIRECTORY_WIN32_H_
