// The path bytes of the Windows layer and their wide form.

#include "platform/path_win32.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define NOGDI
#include <windows.h>

#include <cstdint>

namespace swu {

namespace {

// The full path is given the "\\?\" prefix from this length on: the
// smallest limit of the plain calls (CreateDirectoryW leaves room for an
// 8.3 name within MAX_PATH).
constexpr size_t kPrefixFrom = MAX_PATH - 12;

bool IsAscii(const wchar_t* wide, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (wide[i] >= 0x80) return false;
  }
  return true;
}

// Stores in *bytes the ANSI code page's bytes for the |n| characters at
// |wide| and returns true when they turn back into exactly those
// characters (no look-alike taken, no default character put in).
bool ExactAnsi(const wchar_t* wide, int n, std::string* bytes) {
  UINT page = GetACP();
  int size =
      WideCharToMultiByte(page, 0, wide, n, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return false;
  bytes->assign(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(page, 0, wide, n, &(*bytes)[0], size, nullptr, nullptr);
  if (bytes->find(kWideEscape) != std::string::npos) return false;
  int back = MultiByteToWideChar(page, 0, bytes->data(), size, nullptr, 0);
  if (back != n) return false;
  std::wstring check(static_cast<size_t>(back), L'\0');
  MultiByteToWideChar(page, 0, bytes->data(), size, &check[0], back);
  return check.compare(0, static_cast<size_t>(n), wide,
                       static_cast<size_t>(n)) == 0;
}

// Appends the UTF-8 form of |code| (a lone surrogate as if it were a
// character, so that every name the system lists has a form).
void AppendUtf8(uint32_t code, std::string* out) {
  if (code < 0x80) {
    out->push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (code >> 6)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (code >> 12)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (code >> 18)));
    out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

// Reads the UTF-8 form at |at| of |bytes| and appends its character to
// *out. Returns the bytes read, or 0 when no whole form is there.
size_t ReadUtf8(const std::string& bytes, size_t at, std::wstring* out) {
  if (at >= bytes.size()) return 0;
  uint8_t lead = static_cast<uint8_t>(bytes[at]);
  size_t length = lead >= 0xF0 && lead < 0xF8   ? 4
                  : lead >= 0xE0 && lead < 0xF0 ? 3
                  : lead >= 0xC0 && lead < 0xE0 ? 2
                                                : 0;
  if (length == 0 || at + length > bytes.size()) return 0;
  uint32_t code = lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    uint8_t next = static_cast<uint8_t>(bytes[at + i]);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3F);
  }
  if (code >= 0x10000) {
    code -= 0x10000;
    out->push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
    out->push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
  } else {
    out->push_back(static_cast<wchar_t>(code));
  }
  return length;
}

// Appends the characters of the ANSI bytes |data|, |n| of them.
void AppendAnsi(const char* data, size_t n, std::wstring* out) {
  bool ascii = true;
  for (size_t i = 0; i < n && ascii; ++i) ascii = (data[i] & 0x80) == 0;
  if (ascii) {
    for (size_t i = 0; i < n; ++i)
      out->push_back(static_cast<wchar_t>(data[i]));
    return;
  }
  int size = static_cast<int>(n);
  int count = MultiByteToWideChar(GetACP(), 0, data, size, nullptr, 0);
  if (count <= 0) return;
  size_t at = out->size();
  out->resize(at + static_cast<size_t>(count));
  MultiByteToWideChar(GetACP(), 0, data, size, &(*out)[at], count);
}

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c < 0xDC00; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c < 0xE000; }

}  // namespace

std::string PathBytes(const std::wstring& wide) {
  std::string out;
  if (IsAscii(wide.data(), wide.size())) {
    for (wchar_t c : wide) out.push_back(static_cast<char>(c));
    return out;
  }
  if (ExactAnsi(wide.data(), static_cast<int>(wide.size()), &out)) return out;
  // Character by character: a surrogate pair is one character.
  out.clear();
  std::string bytes;
  for (size_t i = 0; i < wide.size();) {
    size_t n = IsHighSurrogate(wide[i]) && i + 1 < wide.size() &&
                       IsLowSurrogate(wide[i + 1])
                   ? 2
                   : 1;
    if (ExactAnsi(&wide[i], static_cast<int>(n), &bytes)) {
      out += bytes;
    } else {
      uint32_t code = wide[i];
      if (n == 2)
        code = 0x10000 + ((code - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
      out.push_back(kWideEscape);
      AppendUtf8(code, &out);
    }
    i += n;
  }
  return out;
}

std::wstring WidePath(const std::string& bytes) {
  std::wstring out;
  size_t i = 0;
  while (i < bytes.size()) {
    size_t escape = bytes.find(kWideEscape, i);
    size_t end = escape == std::string::npos ? bytes.size() : escape;
    AppendAnsi(bytes.data() + i, end - i, &out);
    if (escape == std::string::npos) break;
    size_t read = ReadUtf8(bytes, escape + 1, &out);
    if (read == 0) out.push_back(L'\x01');  // Not ours: the system refuses it.
    i = escape + 1 + read;
  }
  return out;
}

std::wstring SystemPath(const std::string& bytes) {
  std::wstring wide = WidePath(bytes);
  if (wide.empty()) return wide;
  DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return wide;
  std::wstring full(size, L'\0');
  DWORD length = GetFullPathNameW(wide.c_str(), size, &full[0], nullptr);
  if (length == 0 || length >= size) return wide;
  full.resize(length);
  if (full.size() < kPrefixFrom) return wide;
  if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\') {
    return L"\\\\?\\" + full;
  }
  if (full.size() >= 3 && full[0] == L'\\' && full[1] == L'\\' &&
      full[2] != L'?' && full[2] != L'.') {
    return L"\\\\?\\UNC\\" + full.substr(2);
  }
  return wide;  // A device or a prefixed path already.
}

std::string ShownPath(const std::string& bytes) {
  if (bytes.find(kWideEscape) == std::string::npos) return bytes;
  std::string out;
  std::wstring ignored;
  for (size_t i = 0; i < bytes.size();) {
    if (bytes[i] != kWideEscape) {
      out.push_back(bytes[i++]);
      continue;
    }
    size_t read = ReadUtf8(bytes, i + 1, &ignored);
    out.push_back('?');
    i += 1 + read;
  }
  return out;
}

}  // namespace swu
