// The file-name pattern rule. Portable: no operating-system calls.

#include "platform/name_pattern.h"

namespace swu {

namespace {

// Matches |name| against '*' and '?' ignoring ASCII case, without
// recursion: a '*' remembers where to resume when a later byte differs.
bool Wildcard(const char* pattern, const char* name) {
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name) {
    if (*pattern == '*') {
      star = pattern++;
      resume = name;
    } else if (*pattern == '?' || UpperAscii(*pattern) == UpperAscii(*name)) {
      ++pattern;
      ++name;
    } else if (star) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

}  // namespace

bool NameMatches(const std::string& pattern, const std::string& name) {
  if (pattern.empty()) return false;
  if (Wildcard(pattern.c_str(), name.c_str())) return true;
  size_t n = pattern.size();
  if (n >= 2 && pattern.compare(n - 2, 2, ".*") == 0 &&
      name.find('.') == std::string::npos) {
    return Wildcard(pattern.substr(0, n - 2).c_str(), name.c_str());
  }
  return false;
}

}  // namespace swu
