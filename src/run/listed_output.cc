// The output name of a listed file. See listed_output.h.

#include "run/listed_output.h"

#include "run/file_set.h"

namespace swu {

namespace {

// True when |c| separates the components of a listed name: '/', and the
// platform's own separator ('\' on Windows). A '\' in a POSIX name is
// part of the name, as in a name read from a directory.
bool Separates(char c, const Platform& platform) {
  return c == '/' || c == platform.PathSeparator();
}

// True when |path| starts at a root: a separator, or a drive letter and
// ':' where that ends a directory part (Windows).
bool IsAbsolute(const std::string& path, const Platform& platform) {
  if (!path.empty() && Separates(path[0], platform)) return true;
  return path.size() >= 2 && path[1] == ':' && platform.EndsDirectoryPart(':');
}

}  // namespace

bool ListedOutputName(const std::string& path, const std::string& current,
                      const Platform& platform, std::string* relative) {
  std::string rest = path;
  if (IsAbsolute(path, platform)) {
    std::string prefix = WithSeparator(current, platform);
    if (current.empty() || rest.compare(0, prefix.size(), prefix) != 0) {
      return false;  // Outside the current directory.
    }
    rest = rest.substr(prefix.size());
  }
  relative->clear();
  size_t begin = 0;
  while (begin <= rest.size()) {
    size_t end = begin;
    while (end < rest.size() && !Separates(rest[end], platform)) ++end;
    std::string part = rest.substr(begin, end - begin);
    if (part == "..") return false;
    if (!part.empty() && part != ".") {
      if (!relative->empty()) relative->push_back(platform.PathSeparator());
      *relative += part;
    }
    begin = end + 1;
  }
  return !relative->empty();
}

}  // namespace swu
