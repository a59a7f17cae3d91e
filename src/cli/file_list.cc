// The --files-from and --files0-from list. See file_list.h.

#include "cli/file_list.h"

#include <memory>

namespace swu {

namespace {

// Reads the whole of |stream| into *bytes; false on a read error.
bool ReadWhole(File* stream, std::string* bytes) {
  char chunk[65536];
  for (;;) {
    int64_t n = stream->Read(chunk, sizeof(chunk));
    if (n < 0 || stream->error()) return false;
    if (n == 0) return true;
    bytes->append(chunk, static_cast<size_t>(n));
  }
}

// The list's bytes from the file |name|, or from standard input for "-".
bool ReadList(const std::string& name, FileSystem* files, SystemRules* rules,
              std::string* bytes) {
  if (name == "-") return files->ReadStandardInput(bytes);
  std::unique_ptr<File> stream =
      files->Open(rules->FromTypedPath(name), OpenMode::kRead);
  return stream != nullptr && ReadWhole(stream.get(), bytes);
}

}  // namespace

void SplitFileList(const std::string& bytes, char separator,
                   std::vector<std::string>* names) {
  size_t begin = 0;
  while (begin < bytes.size()) {
    size_t end = bytes.find(separator, begin);
    if (end == std::string::npos) end = bytes.size();
    size_t length = end - begin;
    if (separator == '\n' && length > 0 && bytes[end - 1] == '\r') --length;
    if (length > 0) names->push_back(bytes.substr(begin, length));
    begin = end + 1;
  }
}

void TakeFileList(ParseState* state) {
  Settings& settings = *state->settings;
  if (state->failed()) return;
  if (state->filespec_left_out != settings.files_listed()) {
    // A list option after -G was read as a text, yet <filespec> was left
    // out for it.
    state->Fail(RunStatus::BadArgument);
    return;
  }
  if (!settings.files_listed()) return;
  if (settings.recurse()) {
    // The list names every file: there is no tree to walk.
    state->Fail(RunStatus::BadArgument);
    state->MarkWholeBadText(
        (std::string("-R with ") + state->list_option).c_str());
    return;
  }
  std::string bytes;
  if (!ReadList(settings.list_name, state->files, state->rules, &bytes)) {
    settings.list_unreadable = true;
    state->Fail(RunStatus::TextFileFailed);
    return;
  }
  SplitFileList(bytes, settings.list_separator, &settings.listed_files);
}

}  // namespace swu
