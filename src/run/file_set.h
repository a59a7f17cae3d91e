// The file set of a run: the split of <filespec> into directory part and
// file pattern, the -$ output directory (found, or created with its
// missing parents), and the marker file that lets a -R walk recognise the
// output directory when it lies inside the tree being processed.

#ifndef SWU_RUN_FILE_SET_H_
#define SWU_RUN_FILE_SET_H_

#include <memory>
#include <string>

#include "base/random.h"
#include "base/status.h"
#include "platform/platform.h"

namespace swu {

// The 46 bytes of the marker file (no line end).
extern const char kMarkerContent[];

// The paths the directory loop and the walk work on.
struct FileSet {
  std::string dir_part;     // "" or ending in a separator
  std::string pattern;      // the file pattern, upper-cased
  std::string output_path;  // -$/-$:B: the output directory, ending in a
                            // separator
};

// '/' and '\' both separate path components (Windows takes either).
bool IsSeparator(char c);

// |path| followed by the platform's separator unless it is empty or
// already ends with a separator or with what ends a directory part there
// (the ':' of "C:" on Windows).
std::string WithSeparator(const std::string& path, const Platform& platform);

// |path| without its trailing separators. A lone "/" and the root of a
// drive ("C:\") are kept.
std::string WithoutSeparator(const std::string& path);

// Splits |filespec| after the last character that ends a directory part
// on |platform|: the directory part keeps it, the pattern is the rest.
// Without one, the directory part is empty and the pattern is the whole
// of |filespec|.
void SplitFilespec(const std::string& filespec, const Platform& platform,
                   std::string* dir_part, std::string* pattern);

// Finds the directory |path| or creates it, with any missing parents.
// Returns RunStatus::None and sets *created when this call created it;
// returns OutputDirFailed when it can neither be created nor entered
// (Platform::CanEnterDirectory).
RunStatus FindOrCreateOutputDirectory(const std::string& path,
                                      Platform* platform, bool* created);

// The same under --diff, which creates nothing: returns RunStatus::None
// when |path| is a directory that can be entered or does not exist yet
// (the run would create it), OutputDirFailed otherwise.
RunStatus LookForOutputDirectory(const std::string& path, Platform* platform);

// Reseeds |random| with 1 and draws the marker's name: eight capital
// letters and ".SWU", each shifted by a byte of |bits| (0: none).
std::string MarkerName(Random* random, uint64_t bits = 0);

// The marker a run has placed: its name and the file it is.
struct Marker {
  std::string name;       // "" under --diff: the output directory itself
  FileIdentity identity;  // device 0 and file 0 until it is placed
};

// The marker file this run holds: open and locked for the run's life, so
// that another run neither takes it over nor deletes it.
struct HeldMarker {
  std::string path;  // "" unless the file is this run's to delete
  FileIdentity identity;
  std::unique_ptr<File> stream;  // keeps the lock
};

enum class MarkerWrite {
  kPlaced,  // the marker is this run's, in *held
  kHeld,    // a live run holds a marker of that name: try another name
  kFailed,  // it cannot be created or written, or a user's file is there
};

// Places the marker file |path|: creates it whole (a locked temporary
// that takes the name), never over an existing file, or takes over a
// marker (a file of exactly the 46 bytes) that no live run holds, left by
// a run that did not end. On kPlaced sets held->path (the file is this
// run's to delete), its identity and the stream that holds its lock.
// Another file of that name (a user's) is left untouched.
MarkerWrite WriteMarker(const std::string& path, Platform* platform,
                        HeldMarker* held);

// The name tried |k|th for the marker: |first| (from MarkerName) for k 0,
// then the same with its last letters replaced by the number k, so that
// runs at once in one output directory each hold a marker of their own.
// The driver passes, for k from 1, a first name drawn with bits of its
// own process, so that such runs seldom try the same names.
std::string MarkerCandidate(const std::string& first, int k);

// True when |directory| ("" is the current one) holds |marker|: the very
// file this run placed, not just a file of its name.
bool HasMarker(const std::string& directory, const Marker& marker,
               Platform* platform);

}  // namespace swu

#endif  // SWU_RUN_FILE_SET_H_
