// The files and directories the program reads and replaces: opening and
// identifying files, temporaries, renames, deletions and directory syncs
// (by which a file is replaced whole), memory blocks for a file's image,
// directory enumeration with DOS-style attributes, directories and the
// current directory, and the spelling of paths on disk.
//
// Paths are passed as the program's buffers hold them (on Windows the ANSI
// code page's bytes, with an escape for a character the code page cannot
// spell: see path_win32.h; messages show them through DisplayPath()). What
// the user typed goes through FromTypedPath() first (on POSIX a typed '\'
// is a separator and becomes '/'); a name read from a directory is used as
// it is, so a '\' in it stays part of the name. On POSIX a directory
// component is looked up as the user spelt it (NoteTypedSpelling), then as
// given, then as an entry of the same name compared without regard to
// ASCII case.

#ifndef SWU_PLATFORM_FILE_SYSTEM_H_
#define SWU_PLATFORM_FILE_SYSTEM_H_

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/file.h"

namespace swu {

// DOS attribute bits of a directory entry.
constexpr uint8_t kAttrReadOnly = 0x01;  // the process may not write it
constexpr uint8_t kAttrHidden = 0x02;    // name begins with '.'
constexpr uint8_t kAttrSystem = 0x04;    // not a regular file or directory
constexpr uint8_t kAttrDirectory = 0x10;
constexpr uint8_t kAttrArchive = 0x20;  // regular file

struct DirEntry {
  uint8_t attributes = 0;
  std::string name;
};

// An open directory enumeration. The destructor closes it.
class DirEnum {
 public:
  virtual ~DirEnum() = default;
  // Stores the next entry in *entry and returns true, or returns false
  // when there are no more entries.
  virtual bool Next(DirEntry* entry) = 0;
  // False when the enumeration read its whole directory and saw no name
  // that begins as the program's own files do (".swu-"): then no journal
  // of a killed run lies there. True when it cannot tell.
  virtual bool MayHoldReservedNames() const { return true; }
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Files.
  // Opens |path| in |mode|. On failure returns nullptr.
  virtual std::unique_ptr<File> Open(const std::string& path,
                                     OpenMode mode) = 0;
  // True when OpenIdentified of a file to read or update may be called
  // from several threads at once, beside the run's own calls.
  virtual bool OpensConcurrently() const { return false; }
  // Opens |path| in |mode| as Open does and stores what the open file is
  // in *identity. On failure returns nullptr.
  virtual std::unique_ptr<File> OpenIdentified(const std::string& path,
                                               OpenMode mode,
                                               FileIdentity* identity) {
    std::unique_ptr<File> stream = Open(path, mode);
    if (stream != nullptr && !stream->Identify(identity)) stream.reset();
    return stream;
  }
  // Reads standard input (the list of files named "-") to its end into
  // *bytes, as it is (binary on Windows too). On failure returns false.
  virtual bool ReadStandardInput(std::string* bytes) {
    (void)bytes;
    return false;
  }
  // Deletes the file |path|. Returns false on failure.
  virtual bool DeleteFile(const std::string& path) = 0;
  // Stores the identity of the file |path| (a link is followed) in
  // *identity. Returns false when there is no such file or it cannot be
  // examined.
  virtual bool Identify(const std::string& path, FileIdentity* identity) = 0;
  // The same for a name the program made itself (a journal's): its last
  // component is taken exactly as spelt, never looked for ignoring case,
  // so that a missing one costs no search of its directory.
  virtual bool IdentifyExact(const std::string& path, FileIdentity* identity) {
    return Identify(path, identity);
  }
  // Creates a new empty file, for reading and writing, in the directory
  // of |beside| under a name that no file had, and stores its path in
  // *path. Returns nullptr on failure, and when the file system refuses
  // the name |beside| itself (too long): the file could never replace it.
  // The file stays locked while the stream lives, past its Close, which
  // tells it from one that a killed process left (see
  // RemoveLeftTemporaries); its Identify and SetPermissions still work once
  // it is closed. Its name comes from base/reserved_names.h.
  virtual std::unique_ptr<File> CreateTemporary(const std::string& beside,
                                                std::string* path) = 0;
  // Makes the entry of the file |path| in its directory durable (a
  // created, renamed or deleted name survives a power cut once this
  // returns true). Returns false on failure.
  virtual bool SyncDirectoryOf(const std::string& path) {
    (void)path;
    return false;
  }
  // Stores in *names the names in |directory| ("" is the current one)
  // that begin with |prefix|, hidden ones included, as they are spelt.
  // Returns false when the directory cannot be read.
  virtual bool ListNamesStartingWith(const std::string& directory,
                                     const std::string& prefix,
                                     std::vector<std::string>* names) {
    (void)directory;
    (void)prefix;
    names->clear();
    return false;
  }
  // Stores in *names the subdirectories of |directory| ("" is the current
  // one), hidden ones included, links to directories not, sorted. Returns
  // false when the directory cannot be read.
  virtual bool ListSubdirectories(const std::string& directory,
                                  std::vector<std::string>* names) {
    (void)directory;
    names->clear();
    return false;
  }
  // Renames the file |from| to |to|, which must not exist yet: an existing
  // file or link there is never replaced. The names are taken as spelt.
  // Returns false on failure; |from| is then left as it is.
  virtual bool RenameNew(const std::string& from, const std::string& to) {
    (void)from;
    (void)to;
    return false;
  }
  // Renames the file |from| over |to| in one step. The caller has given
  // |from| its permissions through File::SetPermissions; on Windows an
  // existing |to|'s attributes go over to it. Returns false on failure;
  // |from| is then left as it is.
  virtual bool RenameOver(const std::string& from, const std::string& to) = 0;
  // Deletes, in the directory of |beside|, the files CreateTemporary made
  // that no live process holds: those a killed process left. A file whose
  // lock cannot be had stays, as does every one where there are no locks.
  virtual void RemoveLeftTemporaries(const std::string& beside) {
    (void)beside;
  }

  // Memory.
  // A block of |size| bytes (not initialised) for a whole file image. An
  // implementation may align or advise it for one large sequential read.
  // Returns nullptr on failure. Release it with FreeBlock.
  virtual char* AllocateBlock(int64_t size) {
    if (size <= 0) return nullptr;
    return new (std::nothrow) char[static_cast<size_t>(size)];
  }
  // Releases a block from AllocateBlock; |size| is the size asked for.
  virtual void FreeBlock(char* block, int64_t size) {
    (void)size;
    delete[] block;
  }

  // Directories.
  // Opens an enumeration of |pattern|: a directory part (possibly empty)
  // followed by a name pattern with '*' and '?' ("*.*" matches every name).
  // Names compare without regard to case (of ASCII letters on POSIX, of
  // every letter on Windows, as the system compares names), entries come
  // sorted by their upper-case form, '.' and '..' never appear. Hidden and
  // system entries are never returned; directories only when
  // |include_directories|. On success stores the first entry in *first
  // and returns the enumeration; returns nullptr when the directory cannot
  // be read or nothing matches.
  virtual std::unique_ptr<DirEnum> FindFirst(const std::string& pattern,
                                             bool include_directories,
                                             DirEntry* first) = 0;
  // True when the directory |directory| (ending in a separator) is there
  // but its entries cannot be read (no permission): asked once FindFirst
  // found nothing in it, to tell an unreadable directory from an empty one.
  // False for a readable directory and for one that is gone or is no
  // directory (a link put in its place).
  virtual bool CannotReadDirectory(const std::string& directory) {
    (void)directory;
    return false;
  }
  // Creates the directory |path|. Returns false on failure (it exists,
  // its parent is missing, no permission).
  virtual bool MakeDirectory(const std::string& path) = 0;
  // Removes |path| if it is an empty directory. Returns false otherwise.
  virtual bool RemoveDirectory(const std::string& path) = 0;
  // Stores the current directory in *path. Returns false on failure.
  virtual bool GetCurrentDirectory(std::string* path) = 0;
  // Changes the current directory. Returns false on failure.
  virtual bool SetCurrentDirectory(const std::string& path) = 0;
  // True when |path| is a directory that the process can enter. The
  // current directory (and drive) are the same afterwards as before. This
  // default enters |path| and goes back, for a system where a process has
  // one current directory; an implementation with drives tests |path|
  // without changing directory.
  virtual bool CanEnterDirectory(const std::string& path) {
    std::string current;
    if (!GetCurrentDirectory(&current)) return false;
    if (!SetCurrentDirectory(path)) return false;
    return SetCurrentDirectory(current);
  }

  // Paths on disk.
  // before the program upper-cases it, so that the directory components of
  // the upper-cased path are looked up with the user's spelling first.
  // Does nothing where names ignore case anyway.
  virtual void NoteTypedSpelling(const std::string& typed) { (void)typed; }
  // The path as the file system spells it: where the program holds
  // names upper-cased and looks them up ignoring case (POSIX), each
  // component as found on disk (a missing one as given); elsewhere |path|
  // unchanged.
  virtual std::string SpeltPath(const std::string& path) { return path; }
  // Starts the -R walk of |directory|: from now on a file enumeration (one
  // without directories) whose name pattern has a wildcard leaves out a
  // symbolic link whose target lies outside |directory|, as it leaves out
  // system entries, so the walk never reaches outside its tree. A name
  // without wildcards is followed. The POSIX platform also uses each entry
  // as it was listed: an enumeration with directories keeps its directory
  // open while it lives, and a subdirectory of that directory is read only
  // while it is still a directory there, not a link; a file that the last
  // file enumeration of such a directory listed is opened for reading or
  // update only while it is no link (or, listed as a link, while it names
  // the file it named then). Otherwise the enumeration finds nothing and
  // the open fails.
  virtual void SetTreeRoot(const std::string& directory) { (void)directory; }
};

}  // namespace swu

#endif  // SWU_PLATFORM_FILE_SYSTEM_H_
