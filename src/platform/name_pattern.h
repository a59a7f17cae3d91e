// The file-name pattern rule of directory enumeration, shared by every
// platform implementation and the test fakes: '*' matches any run of
// characters, '?' one character, letters compare without regard to ASCII
// case (the Windows layer upper-cases every letter of wide names first, as
// the system compares them), and a pattern ending in ".*" also matches
// names without a dot (so "*.*" matches every name). An empty pattern
// matches nothing.

#ifndef SWU_PLATFORM_NAME_PATTERN_H_
#define SWU_PLATFORM_NAME_PATTERN_H_

#include <string>

namespace swu {

// |c| with a-z made A-Z; every other byte as it is.
inline char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

// True when |name| matches |pattern|.
bool NameMatches(const std::string& pattern, const std::string& name);

// The same for wide names, character by character, so that '?' stands for
// one character whatever its bytes. Letters other than ASCII compare as
// given: a caller that ignores their case upper-cases both first.
bool NameMatches(const std::wstring& pattern, const std::wstring& name);

}  // namespace swu

#endif  // SWU_PLATFORM_NAME_PATTERN_H_
