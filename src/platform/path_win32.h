// The bytes of a path in the Windows layer, and their wide form for the
// system's ...W calls.
//
// The program holds a path as bytes: what the user typed reaches it in the
// ANSI code page, and its messages, limits and buffers count those bytes.
// A name read from the system (the wide listing) is given the same form:
// each character the ANSI code page spells exactly becomes its bytes there,
// so that a typed name and a listed one agree byte for byte; a character it
// cannot spell (no look-alike is ever taken for it) becomes the byte 0x01
// followed by the character's UTF-8 form. No Windows name contains 0x01 (it
// refuses every control character), and no code page uses it within a
// character, so the form can be read back without doubt: every name the
// system lists is opened, renamed and deleted as itself.
//
// Tested by tests/platform/platform_win32_test.cc.

#ifndef SWU_PLATFORM_PATH_WIN32_H_
#define SWU_PLATFORM_PATH_WIN32_H_

#include <string>

namespace swu {

// The byte that begins a character the ANSI code page cannot spell.
constexpr char kWideEscape = '\x01';

// The path bytes of the wide string |wide|.
std::string PathBytes(const std::wstring& wide);

// The wide string whose path bytes are |bytes|.
std::wstring WidePath(const std::string& bytes);

// The wide form of |bytes| for the system's file calls. A path whose full
// form is too long for the plain calls (MAX_PATH and less, as each call
// counts) is made full and given the "\\?\" prefix, which lifts the limit
// to the system's own (about 32 767 characters); a shorter one is handed
// over as it is, with its '/', "." and ".." read by the system as usual.
std::wstring SystemPath(const std::string& bytes);

// |bytes| as the console shows it: the ANSI code page's bytes, with '?'
// for each character that page cannot spell.
std::string ShownPath(const std::string& bytes);

}  // namespace swu

#endif  // SWU_PLATFORM_PATH_WIN32_H_
