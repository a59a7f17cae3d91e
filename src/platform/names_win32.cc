// Name rules of the Windows layer.

#include "platform/names_win32.h"

#include "platform/name_pattern.h"
#include "platform/system_win32.h"

namespace swu {

std::string UpperCopy(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = UpperAscii(c);
  return out;
}

std::wstring UpperWide(std::wstring wide) {
  if (wide.empty()) return wide;
  int n = static_cast<int>(wide.size());
  std::wstring upper(wide.size(), L'\0');
  if (LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, wide.data(), n, &upper[0],
                   n) != n) {
    for (wchar_t& c : wide) c = (c >= L'a' && c <= L'z') ? c - 32 : c;
    return wide;
  }
  return upper;
}

bool NameLess(const std::string& a, const std::string& b) {
  std::string ua = UpperCopy(a), ub = UpperCopy(b);
  if (ua != ub) return ua < ub;
  return a < b;
}

bool HasWildcard(const std::string& pattern) {
  return pattern.find_first_of("*?") != std::string::npos;
}

size_t DirectoryPartLength(const std::string& path) {
  size_t i = path.size();
  while (i > 0 && !IsSplitSeparator(path[i - 1]) && path[i - 1] != '/') --i;
  return i;
}

}  // namespace swu
