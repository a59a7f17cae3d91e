// The file set of a run: the split of <filespec> into directory part and
// file pattern, the -$ output directory (found, or created with its
// missing parents), and the marker file that lets a -R walk recognise the
// output directory when it lies inside the tree being processed.

#ifndef SWU_RUN_FILE_SET_H_
#define SWU_RUN_FILE_SET_H_

#include <string>

#include "output/random.h"
#include "platform/platform.h"
#include "report/status.h"

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
// returns OutputDirFailed when it can neither be created nor entered. On a
// system with drives, a path that starts with a drive letter and ':' has
// that drive made current for the test (any other character before the
// ':' fails). The current drive and directory are the same afterwards as
// before.
RunStatus FindOrCreateOutputDirectory(const std::string& path,
                                      Platform* platform, bool* created);

// Reseeds |random| with 1 and draws the marker's name: eight capital
// letters and ".SWU".
std::string MarkerName(Random* random);

// Creates the marker file |path| with its content. Sets *created once the
// file exists (so that it is deleted again, even after a failed write).
// Returns false when it cannot be created or written.
bool WriteMarker(const std::string& path, Platform* platform, bool* created);

// True when the file |marker| is in |directory| ("" is the current one).
bool HasMarker(const std::string& directory, const std::string& marker,
               Platform* platform);

}  // namespace swu

#endif  // SWU_RUN_FILE_SET_H_
