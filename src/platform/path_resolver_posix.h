// Case-blind paths for the POSIX layer. The program holds paths as the
// user would on a system that ignores case, and upper-cases the filespec;
// the resolver turns such a path into one the OS can open. A directory
// component is looked up as the user spelt the filespec first, then as
// given, then as an entry of the same name compared without regard to
// ASCII case. Only what the user typed has its '\' turned into '/'; a name
// read from a directory keeps its '\' as part of the name.
//
// Tested by tests/platform/path_resolver_posix_test.cc

#ifndef SWU_PLATFORM_PATH_RESOLVER_POSIX_H_
#define SWU_PLATFORM_PATH_RESOLVER_POSIX_H_

#include <mutex>
#include <string>
#include <unordered_map>

namespace swu {

// The order of names ignoring case: by their upper-case form, ties by raw
// bytes, so that runs and reports are reproducible. Directory listings
// come in this order, and of several entries that differ only in case the
// resolver takes the first.
bool NameLess(const std::string& a, const std::string& b);

// Turns paths as the program holds them into ones the OS can open. The
// directory part of a path is resolved once and remembered, since every
// file of a directory shares it. Safe to use from several threads: files
// are opened from worker threads too.
class PathResolver {
 public:
  // The path with its directory part as last resolved and its name as
  // given: costs no system call once the directory has been seen. Used
  // first by opens, which fall back on Resolve() when it does not exist.
  std::string Quick(const std::string& path);

  // The path with each component resolved. A component that exists in no
  // spelling is kept as given, so a new file takes its name as given in
  // the resolved directory.
  std::string Resolve(const std::string& path);

  // Records the directory components of |typed| as the user spelt them,
  // keyed by their upper-cased form, which is how the program passes them.
  void NoteSpelling(const std::string& typed);

 private:
  // Resolves a directory part ending in '/'.
  std::string ResolveDirectory(const std::string& dir);

  std::recursive_mutex mutex_;  // Resolve() is called under Quick()'s lock
  // Resolved directory parts by the spelling asked for.
  std::unordered_map<std::string, std::string> directories_;
  // The user's spelling of each directory component, keyed by the path as
  // the program holds it up to and including that component.
  std::unordered_map<std::string, std::string> spellings_;
};

}  // namespace swu

#endif  // SWU_PLATFORM_PATH_RESOLVER_POSIX_H_
