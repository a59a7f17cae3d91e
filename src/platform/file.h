// An open file and what is said of one: the byte sink a result is written
// through (ByteSink), the open file itself (File: positioned reads and
// writes, length, sync, locks, identity, notes, owner and permissions,
// mapped images), the modes it is opened in and its identity.

#ifndef SWU_PLATFORM_FILE_H_
#define SWU_PLATFORM_FILE_H_

#include <cstdint>
#include <memory>
#include <string>

namespace swu {

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
                         // and on Windows: see File::GetOwner)
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

// A file's bytes mapped into memory, from File::MapImage. The destructor
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
class File : public ByteSink {
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
inline int64_t SizeOf(File* stream) {
  if (!stream->Seek(0, Whence::kEnd)) return -1;
  return stream->Tell();
}

}  // namespace swu

#endif  // SWU_PLATFORM_FILE_H_
