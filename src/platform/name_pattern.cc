// The file-name pattern rule. Portable: no operating-system calls.

#include "platform/name_pattern.h"

namespace swu {

namespace {

// |c| with a-z made A-Z, for bytes and wide characters alike.
template <typename Char>
Char UpperAsciiOf(Char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<Char>(c - 32) : c;
}

// Matches |name| against '*' and '?' ignoring ASCII case, without
// recursion: a '*' remembers where to resume when a later character
// differs.
template <typename Char>
bool Wildcard(const Char* pattern, const Char* name) {
  const Char* star = nullptr;
  const Char* resume = nullptr;
  while (*name) {
    if (*pattern == '*') {
      star = pattern++;
      resume = name;
    } else if (*pattern == '?' ||
               UpperAsciiOf(*pattern) == UpperAsciiOf(*name)) {
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

template <typename String>
bool Matches(const String& pattern, const String& name) {
  using Char = typename String::value_type;
  if (pattern.empty()) return false;
  if (Wildcard(pattern.c_str(), name.c_str())) return true;
  size_t n = pattern.size();
  if (n >= 2 && pattern[n - 2] == Char('.') && pattern[n - 1] == Char('*') &&
      name.find(Char('.')) == String::npos) {
    return Wildcard(pattern.substr(0, n - 2).c_str(), name.c_str());
  }
  return false;
}

}  // namespace

bool NameMatches(const std::string& pattern, const std::string& name) {
  return Matches(pattern, name);
}

bool NameMatches(const std::wstring& pattern, const std::wstring& name) {
  return Matches(pattern, name);
}

}  // namespace swu
