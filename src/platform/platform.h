// Everything the program asks of the operating system: console output,
// standard input and the single key read; byte-stream files (positioned
// reads and writes, length, sync, locks, identity, notes, owner and
// permissions, mapped images); temporaries, renames and directory syncs,
// by which a file is replaced whole; interrupts; memory blocks; directory
// enumeration with DOS-style attributes; directories and the current
// directory; the current user and the file size limit; the rules of the
// command line and of paths and names; and the environment. Exactly one
// implementation is compiled: platform_posix.cc here, platform_win32.cc
// beside it on Windows.
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

#ifndef SWU_PLATFORM_PLATFORM_H_
#define SWU_PLATFORM_PLATFORM_H_

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace swu {

// The longest name (one component of a path) the file systems take: 255
// bytes on POSIX, 255 UTF-16 units on Windows.
constexpr int kLongestName = 255;

// True when a name of |path| (a run of characters between two of those
// |is_separator| accepts) is longer than kLongestName characters.
template <typename String, typename IsSeparator>
bool HasOverlongName(const String& path, IsSeparator is_separator) {
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || is_separator(path[i])) {
      if (i - start > static_cast<size_t>(kLongestName)) return true;
      start = i + 1;
    }
  }
  return false;
}

// The stream modes the program uses, named after their stdio forms.
enum class OpenMode {
  kRead,           // "rb"
  kUpdate,         // "r+b"
  kCreate,         // "w+b": create or truncate, read and write
  kAppend,         // "a+b": every write goes to the end
  kOpenAlways,     // "r+b", creating the file when it is missing
  kCreateNew,      // "w+bx": create a file that must not exist yet (never
                   // through a link), read and write
  kCreatePrivate,  // as kCreateNew, readable and writable by its owner
                   // alone (POSIX mode 0600): the program's own files
  kReserved,       // "r+b" on a name the program reserved (a journal's):
                   // never through a link, and only a regular file
  kReadNoLink      // "rb", never through a symbolic link at the name
};

// What tells two names of one file apart from two files, and a file that
// another program changed from one that is as it was.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t file_number = 0;  // inode, or the file index on Windows
  int64_t size = 0;
  int64_t modified = 0;  // modification time in nanoseconds
  bool regular = false;  // a regular file, not a FIFO, device or directory
  uint32_t owner = 0;    // the owning user's number (0 where none is kept,
                         // and on Windows: see Stream::GetOwner)
  uint32_t group = 0;    // the owning group's number (0 where none is kept)
  uint32_t mode = 0;     // the permission bits (07777; 0 where none are kept)
  uint32_t links = 1;    // the number of names the file has
};

// True when |a| and |b| name the same file.
inline bool SameFile(const FileIdentity& a, const FileIdentity& b) {
  return a.device == b.device && a.file_number == b.file_number;
}

// True when |now| is the file |then| was, with the same size and time.
inline bool Unchanged(const FileIdentity& then, const FileIdentity& now) {
  return SameFile(then, now) && then.size == now.size &&
         then.modified == now.modified;
}

enum class Whence { kStart, kCurrent, kEnd };

// A file's bytes mapped into memory, from Stream::MapImage. The destructor
// releases the mapping.
class FileImage {
 public:
  virtual ~FileImage() = default;

  virtual const char* data() const = 0;
  virtual int64_t size() const = 0;
  // True when a page could not be read since mapping: another program
  // shortened the file. Such a page reads as zeros.
  virtual bool damaged() const = 0;
  // True when the image shows what is written to the file through a
  // stream after the mapping (the pages are the file's own, as those of a
  // private mapping are until the program writes them, which it never
  // does): a check of what was just written may then read the image
  // instead of the file.
  virtual bool SeesWrites() const { return false; }
};

// An open byte stream (binary, nothing translated). Writes go straight to
// the file; a failed write sets the error indicator instead of returning a
// status, as stdio does. The destructor closes the stream.
// What a result's bytes are written to: a file, or what stands in for
// one while the result is made (its journal, a diff).
class ByteSink {
 public:
  virtual ~ByteSink() = default;

  // Moves the stream position. Returns false on failure.
  virtual bool Seek(int64_t offset, Whence whence) = 0;
  // Returns the stream position, or -1 on failure.
  virtual int64_t Tell() = 0;
  // Writes |n| bytes; a failure sets the error indicator.
  virtual void Write(const void* data, int64_t n) = 0;
  // Writes |n| bytes at |offset| of the file in one positioned write,
  // without moving the stream position. A failure sets the error
  // indicator.
  virtual void WriteAt(const void* data, int64_t n, int64_t offset) = 0;
  // True once a read or write has failed.
  virtual bool error() const = 0;
};

// An open file.
class Stream : public ByteSink {
 public:
  // Reads up to |n| bytes into |data|; returns the count read (0 at the
  // end of the file or on failure).
  virtual int64_t Read(void* data, int64_t n) = 0;
  // Closes the stream. Returns false if it failed or a write had failed.
  // Further calls do nothing and return true.
  virtual bool Close() = 0;

  // Sets the length of the open file to |length|. Returns false on
  // failure.
  virtual bool SetLength(int64_t length) = 0;
  // Stores the identity of the open file in *identity. Returns false on
  // failure.
  virtual bool Identify(FileIdentity* identity) = 0;
  // Takes an exclusive advisory lock on the open file, waiting up to
  // |wait_ms| milliseconds while another process holds one. The lock goes
  // with Close. Returns false when it could not be had in time. Where the
  // file system has no locks (flock answers ENOLCK, EOPNOTSUPP or EINVAL)
  // returns true without one: the file is used unlocked.
  virtual bool Lock(int64_t wait_ms) = 0;
  // True once Lock() has succeeded without a lock: the file system has
  // none to give.
  virtual bool unlocked() const { return false; }
  // Reads up to |n| bytes at |offset| of the file without moving the
  // stream position. Returns the count read: less than |n| at the end of
  // the file, 0 on failure.
  virtual int64_t ReadAt(void* data, int64_t n, int64_t offset) = 0;
  // Makes the file's bytes and length as written so far durable: once this
  // returns true they survive a power cut. Returns false on failure.
  virtual bool Sync() = 0;
  // Makes the file |length| bytes long (at least its present length),
  // reserving the space where the file system can, so that writes below
  // |length| do not fail for want of it. Returns false on failure; the
  // length may then have changed, and the caller sets it back.
  virtual bool Allocate(int64_t length) { return SetLength(length); }
  // A short note kept on the file itself, whichever name it is reached by
  // (an extended attribute): where a pending rewrite's journal is, for a
  // file with more than one name. SetNote returns false where the file
  // system keeps no such notes; GetNote false when there is none.
  virtual bool SetNote(const std::string& note) {
    (void)note;
    return false;
  }
  virtual bool GetNote(std::string* note) {
    (void)note;
    return false;
  }
  virtual void ClearNote() {}
  // Stores in *owner the number of the user who owns the open file. The
  // checks of whom a file belongs to ask this rather than Identify's owner:
  // where the owner costs a query of its own (Windows), Identify leaves it
  // 0. Returns false on failure.
  virtual bool GetOwner(uint32_t* owner) {
    FileIdentity identity;
    if (!Identify(&identity)) return false;
    *owner = identity.owner;
    return true;
  }
  // Gives the file to the user |owner| (the group stays). Returns false on
  // failure; where files have no owner to give, does nothing.
  virtual bool SetOwner(uint32_t owner) {
    (void)owner;
    return true;
  }
  // Maps the file's first |size| bytes as a private, read-only image. An
  // in-place result goes to a journal first and is applied only once the
  // image has been read, except for bytes the apply has yet to reach. The image
  // may outlive the stream; destroying it releases the mapping. Returns nullptr
  // where no such image can be had; the caller then reads the file instead.
  virtual std::unique_ptr<FileImage> MapImage(int64_t size) {
    (void)size;
    return nullptr;
  }
  // Before a new file takes a name, gives it through the open stream (never
  // by name) the permission bits of |replaced|, the file it replaces, and
  // its owner and group where the process may set them; where it may not,
  // the set-user-ID and set-group-ID bits are dropped. With |replaced|
  // null, the bits a newly created file gets (0666 less the umask). Returns
  // false on failure. Does nothing where files have no such bits.
  virtual bool SetPermissions(const FileIdentity* replaced) {
    (void)replaced;
    return true;
  }
};

// The size of the file open as |stream|, found by moving to its end (the
// position stays there). Returns -1 on failure.
inline int64_t SizeOf(Stream* stream) {
  if (!stream->Seek(0, Whence::kEnd)) return -1;
  return stream->Tell();
}

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

class Platform {
 public:
  virtual ~Platform() = default;

  // The real platform; defined in platform_posix.cc or platform_win32.cc.
  static Platform* Default();

  // Console.
  // Writes |n| bytes of a message to standard output (to standard error
  // once MessagesToStandardError was called). Errors are ignored.
  virtual void Print(const char* data, size_t n) = 0;
  // From now on Print writes to standard error, and standard output takes
  // only WriteOutput's bytes, untranslated (binary on Windows too): for a
  // run whose standard output is data, such as a diff.
  virtual void MessagesToStandardError() {}
  // Writes |n| bytes of a note to standard error, after what Print wrote
  // so far, and never to standard output, whose bytes scripts read.
  // Errors are ignored.
  virtual void PrintNote(const char* data, size_t n) {
    (void)data;
    (void)n;
  }
  // Writes |n| bytes of data to standard output as they are. Errors are
  // ignored.
  virtual void WriteOutput(const char* data, size_t n) { Print(data, n); }
  // True when standard output is a terminal (a console on Windows).
  virtual bool OutputIsTerminal() const { return false; }
  // Waits for one key press without echo and without Enter (on a
  // terminal), or reads one byte (otherwise; end of input ends the wait).
  virtual void ReadKey() = 0;
  // Reads standard input to its end into *bytes, as it is (binary on
  // Windows too). On failure returns false.
  virtual bool ReadStandardInput(std::string* bytes) {
    (void)bytes;
    return false;
  }

  // Files.
  // Opens |path| in |mode|. On failure returns nullptr.
  virtual std::unique_ptr<Stream> Open(const std::string& path,
                                       OpenMode mode) = 0;
  // True when OpenIdentified of a file to read or update may be called
  // from several threads at once, beside the run's own calls.
  virtual bool OpensConcurrently() const { return false; }
  // Opens |path| in |mode| as Open does and stores what the open file is
  // in *identity. On failure returns nullptr.
  virtual std::unique_ptr<Stream> OpenIdentified(const std::string& path,
                                                 OpenMode mode,
                                                 FileIdentity* identity) {
    std::unique_ptr<Stream> stream = Open(path, mode);
    if (stream != nullptr && !stream->Identify(identity)) stream.reset();
    return stream;
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
  virtual std::unique_ptr<Stream> CreateTemporary(const std::string& beside,
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
  // |from| its permissions through Stream::SetPermissions; on Windows an
  // existing |to|'s attributes go over to it. Returns false on failure;
  // |from| is then left as it is.
  virtual bool RenameOver(const std::string& from, const std::string& to) = 0;
  // Deletes, in the directory of |beside|, the files CreateTemporary made
  // that no live process holds: those a killed process left. A file whose
  // lock cannot be had stays, as does every one where there are no locks.
  virtual void RemoveLeftTemporaries(const std::string& beside) {
    (void)beside;
  }

  // Interruptions: Ctrl-C and the signals that ask a process to end
  // (SIGINT, SIGTERM, SIGHUP; Ctrl-C and Ctrl-Break on a console).
  // Installs the handling: from now on an interruption ends the process at
  // once, as it would by default, except while deferred. A file-size limit
  // and a closed standard output become ordinary write errors (SIGXFSZ
  // and SIGPIPE are ignored).
  virtual void WatchInterrupts() = 0;
  // While |defer| is set, an interruption is only remembered; clearing it
  // does not act on one remembered meanwhile.
  virtual void DeferInterrupts(bool defer) = 0;
  // Names a file that an interruption ending the process at once deletes
  // first: a journal or temporary output that is not complete yet, which
  // would mean nothing to a later run. "" names none.
  virtual void DeleteOnInterrupt(const std::string& path) { (void)path; }
  // True once an interruption has been remembered.
  virtual bool Interrupted() = 0;
  // Flushes standard output and ends the process as the remembered
  // interruption would have. Returns only when none was remembered.
  virtual void EndByInterrupt() = 0;

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
  // The number of the user the process runs as (0 where there is none).
  virtual uint32_t CurrentUser() const { return 0; }
  // The largest size a file may reach through this process's writes (on
  // POSIX the file-size limit, RLIMIT_FSIZE, that "ulimit -f" sets), or
  // INT64_MAX where there is none.
  virtual int64_t FileSizeLimit() const { return INT64_MAX; }
  // Bits for the name of a new file of the program's own (see
  // base/reserved_names.h) that differ between processes and between
  // calls. This default, for the test fakes, counts from 0.
  virtual uint64_t NameBits() { return name_bits_++; }

  // Command line: whether an argument that begins with '/' is a switch
  // argument. True where '/' is the switch character of the system's own
  // commands; false where '/' begins a path (POSIX), so that every argument
  // that begins with '/' is a text argument.
  virtual bool SlashStartsSwitch() const = 0;
  // Command line: whether a '"' inside an argument ends it, as where the
  // program splits its own command line (Windows): the parser's quote
  // fix-up then undoes what that split makes of a quoted path ending in
  // '\'. False where the shell has split the arguments (POSIX): a '"' is
  // an ordinary character.
  virtual bool QuotesSplitArguments() const { return false; }

  // Paths the user typed.
  // Turns a path as the user typed it (the filespec, the -$ name, a -L
  // file name) into the form the other calls take: where '\' is not the
  // system's separator (POSIX) each '\' becomes '/'. On Windows, where
  // the arguments reach the program in the ANSI code page, a path that is
  // one whole argument (or its ASCII upper-case form) is taken as the
  // system's wide command line spells it, so a character that the code
  // page cannot spell names itself, not a look-alike; any other path is
  // returned unchanged.
  virtual std::string FromTypedPath(const std::string& typed) const = 0;
  // |path| as the console can show it, for a message. Where paths are held
  // in a form of the platform's own (Windows: a character that the ANSI
  // code page cannot spell is escaped), each such character becomes '?'.
  // Elsewhere |path| as it is.
  virtual std::string DisplayPath(const std::string& path) const {
    return path;
  }
  // Remembers |typed| (already through FromTypedPath) as the user spelt it,
  // before the program upper-cases it, so that the directory components of
  // the upper-cased path are looked up with the user's spelling first.
  // Does nothing where names ignore case anyway.
  virtual void NoteTypedSpelling(const std::string& typed) { (void)typed; }
  // Whether a file may be created under |name| (one component of a
  // path, without separators): false on Windows for a name holding one of
  // < > : " | ? *, which its file systems refuse; true elsewhere.
  virtual bool NameAllowed(const std::string& name) const {
    (void)name;
    return true;
  }
  // True when a name in |path| (any component) is longer than the file
  // systems take (kLongestName): then a call on it that failed failed for
  // that. A file system that takes longer names may still open it.
  virtual bool NameTooLong(const std::string& path) const {
    return HasOverlongName(path, [](char c) { return c == '/'; });
  }
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

  // Environment: looks |name| up exactly as given (Windows itself ignores
  // case in names). On success stores the value in *value and returns true.
  virtual bool GetEnvironment(const std::string& name, std::string* value) = 0;

  // Rules of this system's paths and exit status. The defaults are POSIX's,
  // which the test fakes share.
  // True when |c| ends the directory part of a filespec: '/' and '\' on
  // POSIX; '\' and ':' on Windows, where "C:*.TXT" names drive C.
  virtual bool EndsDirectoryPart(char c) const { return c == '/' || c == '\\'; }
  // The separator put between a directory and a name.
  virtual char PathSeparator() const { return '/'; }
  // The largest exit status the process passes on whole: 8 bits on POSIX,
  // a 32-bit errorlevel on Windows.
  virtual int64_t LargestExitStatus() const { return 255; }
  // The tag the banner gives this system, without its brackets.
  virtual const char* BannerTag() const { return "POSIX"; }
  // The length of the line break of this system's own text files: 1 (LF)
  // on POSIX, 2 (CR LF) on Windows. It is the break the command writes
  // into a file that has none of its own to follow.
  virtual int64_t TextBreakLength() const { return 1; }

 private:
  uint64_t name_bits_ = 0;  // the default NameBits' count
};

}  // namespace swu

#endif  // SWU_PLATFORM_PLATFORM_H_
