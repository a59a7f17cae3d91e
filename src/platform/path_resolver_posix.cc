// Case-blind paths for the POSIX layer: each component is looked up as the
// user spelt it, then as given, then ignoring ASCII case.

#include "platform/path_resolver_posix.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cassert>

#include "platform/name_pattern.h"
#include "platform/scoped_posix.h"

namespace swu {

namespace {

using Spellings = std::unordered_map<std::string, std::string>;

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

std::string UpperCopy(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = UpperAscii(c);
  return out;
}

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Finds the entry of |dir| whose name equals |name| ignoring ASCII case.
// Stores it in *found and returns true on success.
bool FindIgnoringCase(const std::string& dir, const std::string& name,
                      std::string* found) {
  ScopedDir d(opendir(dir.empty() ? "." : dir.c_str()));
  if (!d.valid()) return false;
  bool any = false;
  while (struct dirent* e = readdir(d.get())) {
    std::string candidate = e->d_name;
    if (!EqualIgnoringCase(candidate, name)) continue;
    if (!any || NameLess(candidate, *found)) *found = candidate;
    any = true;
  }
  return any;
}

// Resolves each component of |p|: to the user's spelling when that
// exists, else as given when that exists, else to an entry of the same
// name ignoring case.
std::string ResolveComponents(const std::string& p,
                              const Spellings& spellings) {
  std::string out;
  size_t i = 0;
  if (!p.empty() && p[0] == '/') {
    out = "/";
    i = 1;
  }
  while (i < p.size()) {
    size_t slash = p.find('/', i);
    if (slash == std::string::npos) slash = p.size();
    std::string component = p.substr(i, slash - i);
    std::string next = out + component;
    auto spelt = spellings.find(p.substr(0, slash));
    if (spelt != spellings.end() && spelt->second != component &&
        Exists(out + spelt->second)) {
      next = out + spelt->second;
    } else if (!component.empty() && component != "." && component != ".." &&
               !Exists(next)) {
      std::string found;
      if (FindIgnoringCase(out.empty() ? "." : out, component, &found)) {
        next = out + found;
      }
    }
    out = next;
    if (slash < p.size()) out += '/';
    i = slash + 1;
  }
  return out;
}

// |name| in the resolved directory |dir|: as given when it exists (or
// names nothing to look up), else an entry of the same name ignoring case,
// else as given.
std::string ResolveName(const std::string& dir, const std::string& name) {
  std::string full = dir + name;
  if (name.empty() || name == "." || name == ".." || Exists(full)) {
    return full;
  }
  std::string found;
  if (FindIgnoringCase(dir.empty() ? "." : dir, name, &found)) {
    return dir + found;
  }
  return full;
}

}  // namespace

// Compares as the upper-case copies would, byte by byte as unsigned
// values, without making them: a listing's sort calls this for every pair
// it compares.
bool NameLess(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char ua = static_cast<unsigned char>(UpperAscii(a[i]));
    unsigned char ub = static_cast<unsigned char>(UpperAscii(b[i]));
    if (ua != ub) return ua < ub;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

std::string PathResolver::Quick(const std::string& path) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const std::string& p = path;
  size_t slash = p.rfind('/');
  if (slash == std::string::npos) return p;
  auto it = directories_.find(p.substr(0, slash + 1));
  if (it == directories_.end()) return Resolve(path);
  return it->second + p.substr(slash + 1);
}

std::string PathResolver::Resolve(const std::string& path) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const std::string& p = path;
  size_t slash = p.rfind('/');
  if (slash == std::string::npos) return ResolveName("", p);
  return ResolveName(ResolveDirectory(p.substr(0, slash + 1)),
                     p.substr(slash + 1));
}

std::string PathResolver::ResolveDirectory(const std::string& dir) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  assert(!dir.empty() && dir.back() == '/');
  auto it = directories_.find(dir);
  if (it != directories_.end() && IsDirectory(it->second)) {
    return it->second;
  }
  std::string resolved = IsDirectory(dir) && spellings_.empty()
                             ? dir
                             : ResolveComponents(dir, spellings_);
  if (IsDirectory(resolved)) directories_[dir] = resolved;
  return resolved;
}

void PathResolver::NoteSpelling(const std::string& typed) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  size_t begin = 0;
  for (size_t slash = typed.find('/'); slash != std::string::npos;
       begin = slash + 1, slash = typed.find('/', begin)) {
    if (slash == begin) continue;  // the root, or a doubled '/'
    spellings_[UpperCopy(typed.substr(0, slash))] =
        typed.substr(begin, slash - begin);
  }
  directories_.clear();
}

}  // namespace swu
