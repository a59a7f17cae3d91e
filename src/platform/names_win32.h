// Name rules of the Windows layer: names compare without regard to case,
// and only '\' and ':' end the directory part of a pattern.

#ifndef SWU_PLATFORM_NAMES_WIN32_H_
#define SWU_PLATFORM_NAMES_WIN32_H_

#include <cstddef>
#include <string>

namespace swu {

// |s| with a-z made A-Z.
std::string UpperCopy(const std::string& s);

// |wide| with every letter upper-cased as the system compares names
// (independent of the user's language), one character for one.
std::wstring UpperWide(std::wstring wide);

// Entries sort by their upper-case form, ties by raw bytes, so that runs
// and reports are reproducible whatever order the file system keeps.
bool NameLess(const std::string& a, const std::string& b);

bool HasWildcard(const std::string& pattern);

// True for the characters that end the directory part of a pattern.
inline bool IsSplitSeparator(char c) { return c == '\\' || c == ':'; }

// The length of the directory part of |path|, up to and with its last
// '\', ':' or '/'.
size_t DirectoryPartLength(const std::string& path);

}  // namespace swu

#endif  // SWU_PLATFORM_NAMES_WIN32_H_
