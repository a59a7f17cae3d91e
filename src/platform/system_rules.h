// The facts about the system a run asks: the current user and the file
// size limit, bits for the program's own names, the rules of the command
// line, of typed paths, of names and separators, the environment, the
// largest exit status, the banner's tag and the length of a line break.

#ifndef SWU_PLATFORM_SYSTEM_RULES_H_
#define SWU_PLATFORM_SYSTEM_RULES_H_

#include <cstddef>
#include <cstdint>
#include <string>

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

class SystemRules {
 public:
  virtual ~SystemRules() = default;

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

#endif  // SWU_PLATFORM_SYSTEM_RULES_H_
