// Opening a file's output, and creating a missing file for -B:C/-T:C.

#include "store/output_file.h"

#include <memory>
#include <utility>

namespace swu {

namespace {

bool Appending(const Settings& settings) {
  OutputForm form = settings.output_form();
  return form == OutputForm::kAppendFile ||
         form == OutputForm::kAppendDirectory;
}

// True when the output |output_path| is the file |input| itself: writing
// the result there would destroy the only copy of what is being read.
bool IsInput(FileSystem* files, const std::string& output_path,
             const FileIdentity* input) {
  FileIdentity output;
  return input != nullptr && files->Identify(output_path, &output) &&
         SameFile(output, *input);
}

// True when the output file |output_path| is missing, or is a regular
// file this process may write: only such a file is replaced by the result.
bool MayReplace(FileSystem* files, const std::string& output_path) {
  FileIdentity existing;
  if (!files->Identify(output_path, &existing)) return true;
  return files->Open(output_path, OpenMode::kUpdate) != nullptr;
}

// Opens the output file |output_path| to append to: first cuts back what a
// killed run left of an append, then notes the length to cut back to
// should this run be killed (store/append_note.h).
FileError OpenAppended(const Settings& settings, FileSystem* files,
                       const SystemRules& rules, const std::string& output_path,
                       ResultOutput* output) {
  output->stream = files->Open(output_path, OpenMode::kAppend);
  if (output->stream == nullptr ||
      !CutBackLeftAppend(files, rules, output_path, output->stream.get())) {
    output->stream.reset();
    return FileError::WriteOpenFailed;
  }
  int64_t base = SizeOf(output->stream.get());
  if (base < 0 ||
      !PlaceAppendNote(files, rules, output_path, output->stream.get(), base,
                       settings.durable(), &output->note)) {
    output->stream.reset();
    return FileError::WriteOpenFailed;
  }
  // Remembered so that a failed file can be cut off again.
  output->target.append_base = base;
  output->target.append_note = output->note.path;
  return FileError::None;
}

// Opens the -$ output file. Under -$:A and -$:B it is appended to; under
// the other forms the result goes to a new temporary file beside it that
// replaces it once complete, so a failed file leaves the output as it was.
// |input| is the loaded file (null for one being created).
FileError OpenOutputFile(const Settings& settings, FileSystem* files,
                         const SystemRules& rules,
                         const std::string& output_path,
                         const FileIdentity* input, ResultOutput* output) {
  if (IsInput(files, output_path, input)) return FileError::WriteOpenFailed;
  OutputTarget& target = output->target;
  target.path = output_path;
  target.in_place = false;
  target.writable = true;
  target.append_base = -1;
  if (Appending(settings)) {
    return OpenAppended(settings, files, rules, output_path, output);
  }
  if (MayReplace(files, output_path)) {
    output->stream = files->CreateTemporary(output_path, &target.temp_path);
  }
  if (output->stream == nullptr) return FileError::WriteOpenFailed;
  return FileError::None;
}

// Under --diff: the checks of OpenOutputFile without opening anything.
// The output's present contents are read when the diff is made.
FileError CheckOutputForDiff(const Settings& settings, FileSystem* files,
                             const SystemRules& rules,
                             const std::string& output_path,
                             const FileIdentity* input, ResultOutput* output) {
  if (IsInput(files, output_path, input)) return FileError::WriteOpenFailed;
  FileIdentity existing;
  if (Appending(settings) && files->Identify(output_path, &existing) &&
      files->Open(output_path, OpenMode::kUpdate) == nullptr) {
    return FileError::WriteOpenFailed;
  }
  if (!Appending(settings) && !MayReplace(files, output_path)) {
    return FileError::WriteOpenFailed;
  }
  // An output to be created under a name too long for it would fail.
  if (rules.NameTooLong(output_path) &&
      !files->Identify(output_path, &existing)) {
    return FileError::WriteOpenFailed;
  }
  output->target.path = output_path;
  output->target.in_place = false;
  output->target.writable = false;
  return FileError::None;
}

// Under --diff: what CreateResult checks, creating nothing. A file that
// exists but could not be opened is not one to create.
FileError CheckCreateForDiff(const Settings& settings, FileSystem* files,
                             const SystemRules& rules, const std::string& path,
                             const std::string& output_path,
                             ResultOutput* output) {
  if (settings.output_mode()) {
    return CheckOutputForDiff(settings, files, rules, output_path, nullptr,
                              output);
  }
  FileIdentity existing;
  if (files->Identify(path, &existing)) return FileError::OpenFailed;
  // Nor is a file whose directory is missing, or whose name the system
  // refuses or is too long: it could not be created.
  size_t dir = path.size();
  while (dir > 0 && !rules.EndsDirectoryPart(path[dir - 1])) --dir;
  if ((dir > 0 && !files->Identify(path.substr(0, dir), &existing)) ||
      !rules.NameAllowed(path.substr(dir)) || rules.NameTooLong(path)) {
    return FileError::WriteOpenFailed;
  }
  output->target.path = path;
  output->target.in_place = true;
  output->target.writable = false;
  return FileError::None;
}

}  // namespace

FileError OpenResult(const Settings& settings, FileSystem* files,
                     const SystemRules& rules, const std::string& path,
                     const std::string& output_path, LoadedInput* input,
                     ResultOutput* output) {
  *output = ResultOutput();
  if (settings.output_mode()) {
    input->stream.reset();
    if (settings.shows_diff()) {
      return CheckOutputForDiff(settings, files, rules, output_path,
                                &input->identity, output);
    }
    return OpenOutputFile(settings, files, rules, output_path, &input->identity,
                          output);
  }
  if (!input->stream->Seek(0, Whence::kStart)) {
    input->stream.reset();
    return FileError::ReadFailed;
  }
  output->stream = std::move(input->stream);
  output->target.path = path;
  output->target.in_place = true;
  output->target.writable = !settings.report_only() && !settings.shows_diff();
  output->target.loaded_as = input->identity;
  return FileError::None;
}

FileError CreateResult(const Settings& settings, FileSystem* files,
                       const SystemRules& rules, const std::string& path,
                       const std::string& output_path, ResultOutput* output) {
  *output = ResultOutput();
  if (settings.shows_diff()) {
    return CheckCreateForDiff(settings, files, rules, path, output_path,
                              output);
  }
  if (settings.output_mode()) {
    return OpenOutputFile(settings, files, rules, output_path, nullptr, output);
  }
  // A file that exists but could not be read is left as it is. A missing
  // one is made whole beside its name: a run killed meanwhile leaves no
  // file under that name, neither empty nor part written.
  FileIdentity existing;
  if (files->Identify(path, &existing)) {
    // One that cannot be opened for update (no regular file, or no
    // permission) is unwritable; one that can was busy or not empty.
    return files->Open(path, OpenMode::kUpdate) == nullptr
               ? FileError::WriteOpenFailed
               : FileError::OpenFailed;
  }
  output->stream = files->CreateTemporary(path, &output->target.temp_path);
  if (output->stream == nullptr) return FileError::WriteOpenFailed;
  output->target.path = path;
  output->target.in_place = false;
  output->target.writable = true;
  output->target.create_new = true;
  return FileError::None;
}

}  // namespace swu
