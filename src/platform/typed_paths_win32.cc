// The command line's arguments as the system spells them, for the Windows
// layer.

#include "platform/typed_paths_win32.h"

#include "platform/system_win32.h"
// (CommandLineToArgvW needs <windows.h> first.)
#include <shellapi.h>

#include "platform/names_win32.h"
#include "platform/path_win32.h"

namespace swu {

namespace {

// |wide| in the ANSI code page, with the look-alikes the system takes.
std::string AnsiOf(const wchar_t* wide) {
  int size =
      WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return "";
  std::string ansi(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, -1, &ansi[0], size, nullptr, nullptr);
  ansi.resize(static_cast<size_t>(size - 1));
  return ansi;
}

}  // namespace

TypedPaths::TypedPaths() {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return;
  for (int i = 1; i < count; ++i) {
    std::string ansi = AnsiOf(wide[i]);
    arguments_.push_back({ansi, PathBytes(wide[i])});
  }
  LocalFree(wide);
}

std::string TypedPaths::Find(const std::string& typed) const {
  std::string found;
  bool any = false;
  for (const Argument& argument : arguments_) {
    std::string bytes;
    if (argument.ansi == typed) {
      bytes = argument.bytes;
    } else if (UpperCopy(argument.ansi) == typed) {
      bytes = UpperCopy(argument.bytes);
    } else {
      continue;
    }
    if (any && bytes != found) return typed;  // Which one is meant?
    found = bytes;
    any = true;
  }
  return any ? found : typed;
}

}  // namespace swu
