// The store's reserved names.

#include "store/journal_names.h"

#include <cstring>
#include <string>

namespace swu {

namespace {

constexpr int kDigits = 16;
constexpr char kSpareMark = 's';
constexpr char kPrivateMark = 'p';

std::string Hex(uint64_t number) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (int shift = 60; shift >= 0; shift -= 4)
    out += kHex[(number >> shift) & 15];
  return out;
}

bool AllHex(const std::string& s, size_t from) {
  if (s.size() - from != kDigits) return false;
  for (size_t i = from; i < s.size(); ++i) {
    char c = s[i];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

}  // namespace

JournalName ParseJournalName(const std::string& name) {
  const size_t prefix = strlen(kJournalPrefix);
  if (name.compare(0, prefix, kJournalPrefix) != 0 || name.size() <= prefix) {
    return JournalName::kNone;
  }
  if (AllHex(name, prefix)) return JournalName::kJournal;
  const size_t digits_end = prefix + kDigits;
  if (name.size() == digits_end + 2 && name[digits_end] == '-' &&
      name[digits_end + 1] >= '1' &&
      name[digits_end + 1] <= '0' + kJournalAlternates &&
      AllHex(name.substr(0, digits_end), prefix)) {
    return JournalName::kJournal;
  }
  if (name[prefix] == kSpareMark && AllHex(name, prefix + 1)) {
    return JournalName::kSpare;
  }
  if (name[prefix] == kPrivateMark && AllHex(name, prefix + 1)) {
    return JournalName::kPrivate;
  }
  return JournalName::kNone;
}

std::string JournalPathIn(const std::string& directory, uint64_t file_number,
                          int alternate) {
  std::string path = directory + kJournalPrefix + Hex(file_number);
  if (alternate > 0) path += "-" + std::to_string(alternate);
  return path;
}

std::string SparePathIn(const std::string& directory, uint64_t number) {
  return directory + kJournalPrefix + kSpareMark + Hex(number);
}

std::string PrivatePathIn(const std::string& directory, uint64_t number) {
  return directory + kJournalPrefix + kPrivateMark + Hex(number);
}

std::string DirectoryPartOf(const std::string& path, const SystemRules& rules) {
  char separator = rules.PathSeparator();
  for (size_t i = path.size(); i > 0; --i) {
    char c = path[i - 1];
    // A '\' read from a directory is part of a name where '/' separates.
    if (c == separator || (separator == '\\' && rules.EndsDirectoryPart(c)) ||
        c == '/') {
      return path.substr(0, i);
    }
  }
  return std::string();
}

std::string JournalPathFor(const std::string& path,
                           const FileIdentity& identity,
                           const SystemRules& rules) {
  return JournalPathIn(DirectoryPartOf(path, rules), identity.file_number);
}

std::string AbsolutePathOf(const std::string& path, FileSystem* files,
                           const SystemRules& rules) {
  const char separator = rules.PathSeparator();
  bool absolute = !path.empty() &&
                  (path[0] == '/' || path[0] == separator ||
                   (separator == '\\' && path.size() > 1 && path[1] == ':'));
  std::string current;
  if (absolute || !files->GetCurrentDirectory(&current)) return path;
  if (!current.empty() && current.back() != separator) current += separator;
  return current + path;
}

bool IsPlainName(const std::string& name, const SystemRules& rules) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char c : name) {
    unsigned char u = static_cast<unsigned char>(c);
    bool separator =
        c == '/' || c == rules.PathSeparator() ||
        (rules.PathSeparator() == '\\' && rules.EndsDirectoryPart(c));
    if (separator || u < 0x20 || u == 0x7f) return false;
  }
  return true;
}

}  // namespace swu
