// The command line's arguments as the system spells them, for the Windows
// layer: each wide argument's path bytes beside the ANSI argument that the
// C runtime made of it, where a character the code page lacks became a
// look-alike or '?'. A typed path is only taken as the wide command line
// spells it.

#ifndef SWU_PLATFORM_TYPED_PATHS_WIN32_H_
#define SWU_PLATFORM_TYPED_PATHS_WIN32_H_

#include <string>
#include <vector>

namespace swu {

class TypedPaths {
 public:
  // Reads the process's command line.
  TypedPaths();

  // The path bytes of the argument whose ANSI form is |typed|, or of the
  // one whose ASCII upper-case form it is (then upper-cased the same way).
  // |typed| itself when no argument, or two that differ, fit.
  std::string Find(const std::string& typed) const;

 private:
  struct Argument {
    std::string ansi;   // as the C runtime hands it to main()
    std::string bytes;  // as the system spells it, in path bytes
  };

  std::vector<Argument> arguments_;
};

}  // namespace swu

#endif  // SWU_PLATFORM_TYPED_PATHS_WIN32_H_
